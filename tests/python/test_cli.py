"""The command-line interface, run as a user would: python -m brask_sdk."""

import json
import subprocess
import sys

import pytest


def cli(*args: str) -> subprocess.CompletedProcess[str]:
    return subprocess.run(
        [sys.executable, "-m", "brask_sdk", *args],
        capture_output=True,
        text=True,
        timeout=60,
    )


def test_run_prints_the_result():
    done = cli("run", "fix it", "--preset", "langgraph", "--turns", "4")
    assert done.returncode == 0, done.stderr
    assert done.stdout.startswith("HarnessRunResult(agent_id='py-agent', success=true, obs=9,")


def test_run_json_and_dry_run():
    done = cli("run", "fix it", "--dry-run", "--json")
    assert done.returncode == 0, done.stderr
    result = json.loads(done.stdout)
    assert result["observation_count"] == 9
    assert result["intervention_count"] == 0


@pytest.mark.parametrize(
    ("command", "first", "count"),
    [("presets", "solo", 31), ("detectors", "loop", 16), ("observers", "token", 12),
     ("strategies", "nudge", 14)],
)  # fmt: skip
def test_lists(command, first, count):
    done = cli(command)
    assert done.returncode == 0
    lines = done.stdout.split()
    assert lines[0] == first and len(lines) == count


def test_version():
    assert cli("version").stdout.strip() == "0.2.3"


@pytest.mark.parametrize(
    ("args", "message"),
    [
        (("run", "t", "--turns", "-1"), "must be between 0 and 4294967295"),
        (("run", "t", "--turns", "many"), "not a whole number"),
        (("run",), "TASK"),
        (("frobnicate",), "invalid choice"),
        (("serve", "--port", "70000"), "must be between 0 and 65535"),
    ],
)
def test_bad_input_is_a_clear_error(args, message):
    done = cli(*args)
    assert done.returncode != 0
    assert message in done.stderr


def test_help_texts():
    done = cli("run", "--help")
    assert done.returncode == 0
    assert "--preset" in done.stdout and "--dry-run" in done.stdout
