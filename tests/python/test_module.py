"""The Python surface of brask_sdk: catalogue, runs, results, signatures and argument errors."""

import inspect
import threading

import pytest

import brask_sdk


def test_version_and_package_metadata():
    assert brask_sdk.get_version() == "0.2.3"
    assert brask_sdk.__version__ == "0.2.3"
    assert set(brask_sdk.__all__) >= {"quick_run", "serve", "PyHarness", "HarnessRunResult"}
    assert brask_sdk.PyHarness.__module__ == "brask_sdk"
    assert brask_sdk.HarnessRunResult.__module__ == "brask_sdk"


def test_catalogue_lists_in_their_orders():
    presets = brask_sdk.list_presets()
    assert len(presets) == 31 and presets[0] == "solo" and presets[-1] == "custom"
    assert presets[15] == "claude-code"
    assert brask_sdk.list_detectors() == [
        "loop", "stale_context", "cost_anomaly", "deadlock", "hallucination",
        "prompt_injection", "secret_leak", "variety_collapse", "conversation_stall",
        "goal_drift", "model_mismatch", "accuracy_risk", "runaway_cost",
        "resource_exhaustion", "output_degradation", "compliance_gap",
    ]  # fmt: skip
    assert brask_sdk.list_observers() == [
        "token", "latency", "cost", "accuracy", "security", "reliability",
        "context_quality", "orch", "comm", "compliance", "memory", "diversity",
    ]  # fmt: skip
    assert brask_sdk.list_strategies() == [
        "nudge", "degrade", "fork", "compact", "diversify", "reroute", "escalate",
        "rollback", "pause", "interject", "quarantine", "replace", "isolate", "circuit_break",
    ]  # fmt: skip


def test_quick_run_defaults():
    result = brask_sdk.quick_run("t")
    assert result.agent_id == "py-agent"
    assert result.success is True
    assert result.observation_count == 9
    assert repr(result) == (
        f"HarnessRunResult(agent_id='py-agent', success=true, obs=9, "
        f"det={result.detection_count}, int={result.intervention_count})"
    )
    assert list(result.to_dict()) == [
        "agent_id", "success", "observation_count", "detection_count", "intervention_count",
    ]  # fmt: skip
    assert result.to_dict()["observation_count"] == 9


def test_result_is_read_only():
    result = brask_sdk.quick_run("t")
    with pytest.raises(AttributeError):
        result.observation_count = 1
    with pytest.raises(TypeError):
        brask_sdk.HarnessRunResult()


@pytest.mark.parametrize(
    ("turns", "cycles"),
    [(0, 1), (1, 3), (2, 6), (4, 9), (10, 21)],
)
def test_cycle_counts_follow_the_turns(turns, cycles):
    # Cycles run on every third counted event and on every tool-call end, plus one final cycle.
    assert brask_sdk.quick_run("t", turns=turns).observation_count == cycles


@pytest.mark.parametrize("preset", ["solo", "langgraph", "claude-code", "pearai", "custom"])
def test_every_preset_runs_with_the_same_cycle_points(preset):
    assert brask_sdk.quick_run("t", preset=preset, turns=4).observation_count == 9


def test_harness_keeps_its_preset_text_and_falls_back_to_solo():
    harness = brask_sdk.PyHarness("LangGraph")
    assert repr(harness) == "PyHarness(preset='LangGraph')"
    assert harness.run("t").observation_count == 9
    unknown = brask_sdk.create_harness("no-such-preset")
    assert repr(unknown) == "PyHarness(preset='no-such-preset')"
    assert unknown.run("t").success is True
    assert repr(brask_sdk.create_harness()) == "PyHarness(preset='solo')"


def test_dry_run_chooses_no_intervention():
    result = brask_sdk.PyHarness().dry_run("t")
    assert result.intervention_count == 0
    assert result.observation_count == 9


def test_run_with_ignores_the_harness_preset():
    result = brask_sdk.PyHarness("nonsense").run_with(task="t", preset="aider", turns=0)
    assert result.observation_count == 1


@pytest.mark.parametrize(
    ("call", "error", "argument"),
    [
        (lambda: brask_sdk.quick_run(1), TypeError, "task"),
        (lambda: brask_sdk.quick_run("t", preset=None), TypeError, "preset"),
        (lambda: brask_sdk.quick_run("t", turns="x"), TypeError, "turns"),
        (lambda: brask_sdk.quick_run("t", turns=1.5), TypeError, "turns"),
        (lambda: brask_sdk.quick_run("t", turns=-1), OverflowError, "turns"),
        (lambda: brask_sdk.quick_run("t", turns=2**32), OverflowError, "turns"),
        (lambda: brask_sdk.PyHarness(3), TypeError, "preset"),
        (lambda: brask_sdk.create_harness(b"solo"), TypeError, "preset"),
        (lambda: brask_sdk.PyHarness().run(None), TypeError, "task"),
        (lambda: brask_sdk.PyHarness().run_with("t", turns=-5), OverflowError, "turns"),
        (lambda: brask_sdk.serve(port="80"), TypeError, "port"),
        (lambda: brask_sdk.serve(port=70000), OverflowError, "port"),
        (lambda: brask_sdk.serve(port=-1), OverflowError, "port"),
    ],
)
def test_argument_errors_name_the_argument(call, error, argument):
    with pytest.raises(error, match=argument):
        call()


@pytest.mark.parametrize(
    ("function", "signature"),
    [
        (brask_sdk.get_version, "()"),
        (brask_sdk.list_presets, "()"),
        (brask_sdk.create_harness, "(preset='solo')"),
        (brask_sdk.quick_run, "(task, preset='solo', turns=4)"),
        (brask_sdk.serve, "(port=3000)"),
        (brask_sdk.PyHarness, "(preset='solo')"),
        (brask_sdk.PyHarness.run, "(self, /, task)"),
        (brask_sdk.PyHarness.dry_run, "(self, /, task)"),
        (brask_sdk.PyHarness.run_with, "(self, /, task, preset='solo', turns=4)"),
        (brask_sdk.HarnessRunResult.to_dict, "(self, /)"),
    ],
)
def test_text_signatures(function, signature):
    assert str(inspect.signature(function)) == signature


def test_serve_documents_itself():
    assert brask_sdk.serve.__doc__ == (
        "Start the Brask dashboard server.\nTries port 3000, then 3001, 3002... "
        "until it finds a free one."
    )


def test_runs_from_many_threads_agree():
    expected = brask_sdk.quick_run("t").to_dict()
    results: list[dict] = []
    errors: list[BaseException] = []
    lock = threading.Lock()

    def worker():
        try:
            mine = [brask_sdk.quick_run("t").to_dict() for _ in range(200)]
        except BaseException as error:  # reported below, never swallowed
            errors.append(error)
            return
        with lock:
            results.extend(mine)

    threads = [threading.Thread(target=worker) for _ in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=120)
    assert not errors
    assert len(results) == 1600
    assert all(result == expected for result in results)


def test_runs_release_the_interpreter_lock():
    # While a long run is in progress on one thread, another Python thread keeps running.
    done = threading.Event()
    ticks = 0

    def run():
        brask_sdk.quick_run("t", turns=3000)
        done.set()

    thread = threading.Thread(target=run)
    thread.start()
    while not done.is_set():
        ticks += 1
        done.wait(0.001)
    thread.join()
    assert ticks >= 5
