"""brask_sdk: a supervision harness for AI agents.

Run a task through a harness of observers, detectors and strategies::

    import brask_sdk
    result = brask_sdk.quick_run("fix the login bug", preset="claude-code")
    print(result.observation_count, result.detection_count, result.intervention_count)

or start the local dashboard with ``brask_sdk.serve()``.
"""

from brask_sdk._native import (
    HarnessRunResult,
    PyHarness,
    create_harness,
    get_version,
    list_detectors,
    list_observers,
    list_presets,
    list_strategies,
    quick_run,
    serve,
)

__version__: str = get_version()

__all__ = [
    "HarnessRunResult",
    "PyHarness",
    "__version__",
    "create_harness",
    "get_version",
    "list_detectors",
    "list_observers",
    "list_presets",
    "list_strategies",
    "quick_run",
    "serve",
]
