"""brask_sdk: a supervision harness for AI agents."""

from brask_sdk._native import get_version

__version__: str = get_version()

__all__ = ["__version__", "get_version"]
