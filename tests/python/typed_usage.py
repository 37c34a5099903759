"""A small typed program that mypy checks against the package's stubs."""

import brask_sdk

result: brask_sdk.HarnessRunResult = brask_sdk.quick_run("t", preset="solo", turns=2)
count: int = result.observation_count + result.detection_count
agent: str = result.agent_id
flag: bool = result.success
as_dict = result.to_dict()
success_flag: bool = as_dict["success"]
harness: brask_sdk.PyHarness = brask_sdk.create_harness("aider")
again: brask_sdk.HarnessRunResult = harness.run_with("t", turns=1)
names: list[str] = brask_sdk.list_presets() + brask_sdk.list_detectors()
version: str = brask_sdk.__version__
