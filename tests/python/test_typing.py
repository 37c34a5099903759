"""mypy sees real types: a typed program passes, a mistyped one is rejected."""

import pathlib
import subprocess
import sys

HERE = pathlib.Path(__file__).parent


def mypy(path: pathlib.Path) -> subprocess.CompletedProcess[str]:
    return subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--no-incremental", str(path)],
        capture_output=True,
        text=True,
        timeout=300,
        cwd=HERE,
    )


def test_typed_usage_passes():
    done = mypy(HERE / "typed_usage.py")
    assert done.returncode == 0, done.stdout + done.stderr


def test_wrong_types_are_reported(tmp_path):
    bad = tmp_path / "bad.py"
    bad.write_text('import brask_sdk\nbrask_sdk.quick_run("t", turns="4")\n')
    done = mypy(bad)
    assert done.returncode != 0
    assert "turns" in done.stdout or "Argument 3" in done.stdout or "arg-type" in done.stdout
