"""Figures for the harness as Python sees it.

    python bench/quick_run_bench.py             quick_run("t") median, then whole runs
    python bench/quick_run_bench.py --calls N   quick_run calls per round (default 10,000)
    python bench/quick_run_bench.py --rounds R  rounds of calls, a second apart (default 5)

Shared machines speed up and slow down for seconds at a time, so the calls are made in rounds
spread over several seconds; the figure is the median of all calls, printed with each round's.

Each whole run goes into a fresh interpreter so that its peak resident memory is its own.
"""

from __future__ import annotations

import argparse
import json
import statistics
import subprocess
import sys
import time

WHOLE_RUNS = (("solo", 1000), ("solo", 10000), ("claude-code", 1000), ("claude-code", 10000))

# The child's program: one run, its figures as JSON on stdout.
# Peak memory is read from VmHWM: getrusage's ru_maxrss carries the parent's peak into a child
# started with vfork, as subprocess does.
CHILD = """
import json, sys, time
import brask_sdk
preset, turns = sys.argv[1], int(sys.argv[2])
start = time.perf_counter()
result = brask_sdk.quick_run("t", preset, turns)
wall = time.perf_counter() - start
print(json.dumps({
    "wall_s": wall,
    "cycles": result.observation_count,
    "detections": result.detection_count,
    "interventions": result.intervention_count,
    "peak_rss_kb": next(int(line.split()[1]) for line in open("/proc/self/status")
                        if line.startswith("VmHWM:")),
}))
"""


def quick_run_samples_ns(calls: int) -> list[int]:
    import brask_sdk

    for _ in range(min(calls, 200)):  # warm-up
        brask_sdk.quick_run("t")
    samples = []
    clock = time.perf_counter_ns
    for _ in range(calls):
        start = clock()
        brask_sdk.quick_run("t")
        samples.append(clock() - start)
    return samples


def whole_run(preset: str, turns: int) -> dict[str, float]:
    out = subprocess.run(
        [sys.executable, "-c", CHILD, preset, str(turns)],
        check=True,
        capture_output=True,
        text=True,
    ).stdout
    return json.loads(out)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=10_000, help="quick_run calls per round")
    parser.add_argument("--rounds", type=int, default=5, help="rounds of calls, a second apart")
    args = parser.parse_args()
    if args.calls < 1 or args.rounds < 1:
        parser.error("--calls and --rounds must be at least 1")

    samples: list[int] = []
    round_medians = []
    for index in range(args.rounds):
        if index:
            time.sleep(1.0)
        batch = quick_run_samples_ns(args.calls)
        round_medians.append(statistics.median(batch) / 1000.0)
        samples.extend(batch)
    median = statistics.median(samples) / 1000.0
    rounds = ", ".join(f"{m:.1f}" for m in round_medians)
    print(f'quick_run("t") median over {len(samples)} calls: {median:.1f} us (rounds: {rounds})')

    header = ("preset", "turns", "wall_s", "events/s", "cycles/s", "detections", "interv", "rss_MB")
    print("{:<12} {:>6} {:>9} {:>12} {:>11} {:>11} {:>8} {:>8}".format(*header))
    for preset, turns in WHOLE_RUNS:
        fig = whole_run(preset, turns)
        events = 4 * turns + 3  # the mock's script plus the runtime's own start
        wall = fig["wall_s"]
        print(
            f"{preset:<12} {turns:>6} {wall:>9.3f} {events / wall:>12.0f} "
            f"{fig['cycles'] / wall:>11.0f} {fig['detections']:>11} {fig['interventions']:>8} "
            f"{fig['peak_rss_kb'] / 1024:>8.1f}"
        )
    return 0


if __name__ == "__main__":
    sys.exit(main())
