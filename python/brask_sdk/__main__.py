"""Command-line interface: ``python -m brask_sdk --help``."""

from __future__ import annotations

import argparse
import json
import sys
from collections.abc import Sequence

import brask_sdk

_LISTS = {
    "presets": (brask_sdk.list_presets, "list the 31 presets"),
    "detectors": (brask_sdk.list_detectors, "list the 16 detectors"),
    "observers": (brask_sdk.list_observers, "list the 12 observers"),
    "strategies": (brask_sdk.list_strategies, "list the 14 strategies"),
}


def _turns(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a whole number: {text!r}") from None
    if not 0 <= value <= 0xFFFFFFFF:
        raise argparse.ArgumentTypeError(f"must be between 0 and 4294967295, got {value}")
    return value


def _port(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a port number: {text!r}") from None
    if not 0 <= value <= 65535:
        raise argparse.ArgumentTypeError(f"must be between 0 and 65535, got {value}")
    return value


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="python -m brask_sdk",
        description="Supervise AI agents: run a task through a harness or start the dashboard.",
    )
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")

    run = commands.add_parser(
        "run",
        help="run a task through a harness with the built-in mock agent",
        description="Run TASK through the harness of a preset with the built-in mock agent.",
    )
    run.add_argument("task", metavar="TASK", help="the task text")
    run.add_argument("--preset", default="solo", help="preset name (default: solo)")
    run.add_argument("--turns", type=_turns, default=4, help="mock agent turns (default: 4)")
    run.add_argument(
        "--dry-run",
        action="store_true",
        help="consult strategies but send no intervention (uses 4 turns)",
    )
    run.add_argument("--json", action="store_true", help="print the result as JSON")

    serve = commands.add_parser(
        "serve",
        help="start the dashboard server",
        description="Start the dashboard on 127.0.0.1, from PORT upwards to the first free port.",
    )
    serve.add_argument("--port", type=_port, default=3000, help="first port to try (default: 3000)")

    for name, (_, text) in _LISTS.items():
        commands.add_parser(name, help=text, description=text[0].upper() + text[1:] + ".")
    commands.add_parser("version", help="print the version", description="Print the version.")
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    args = _parser().parse_args(argv)
    try:
        if args.command == "run":
            if args.dry_run:
                if args.turns != 4:
                    print("error: --dry-run always uses 4 turns", file=sys.stderr)
                    return 2
                result = brask_sdk.PyHarness(args.preset).dry_run(args.task)
            else:
                result = brask_sdk.quick_run(args.task, args.preset, args.turns)
            if args.json:
                print(json.dumps(result.to_dict()))
            else:
                print(repr(result))
        elif args.command == "serve":
            try:
                brask_sdk.serve(args.port)
            except KeyboardInterrupt:
                return 0
        elif args.command == "version":
            print(brask_sdk.get_version())
        else:
            print("\n".join(_LISTS[args.command][0]()))
    except RuntimeError as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
