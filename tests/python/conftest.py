"""Helpers for the dashboard server tests: a server in a subprocess on a free port."""

from __future__ import annotations

import os
import queue
import signal
import socket
import subprocess
import sys
import threading
import time
from collections.abc import Iterator

import pytest

START_TIMEOUT = 20.0
STOP_TIMEOUT = 10.0


def free_port() -> int:
    """A port that was free a moment ago, with a free neighbour, away from the usual ones."""
    for _ in range(50):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        if port < 65000 and port_is_free(port + 1):
            return port
    raise RuntimeError("no free port found")


def port_is_free(port: int) -> bool:
    with socket.socket() as probe:
        try:
            probe.bind(("127.0.0.1", port))
        except OSError:
            return False
    return True


class ServerProcess:
    """`brask_sdk.serve(port)` in a child process; its standard output is collected line by line."""

    def __init__(self, port: int, script: str | None = None) -> None:
        code = script or f"import brask_sdk; brask_sdk.serve({port})"
        self.process = subprocess.Popen(
            [sys.executable, "-u", "-c", code],
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            text=True,
            env={**os.environ, "PYTHONUNBUFFERED": "1"},
        )
        self.lines: list[str] = []
        self._queue: queue.Queue[str | None] = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()
        self.port: int | None = None

    def _pump(self) -> None:
        assert self.process.stdout is not None
        for line in self.process.stdout:
            self._queue.put(line.rstrip("\n"))
        self._queue.put(None)

    def wait_for(self, predicate, timeout: float = START_TIMEOUT) -> str | None:
        """Reads output until a line satisfies `predicate`; None if the output ended first."""
        deadline = time.monotonic() + timeout
        while True:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise TimeoutError(
                    f"no matching line within {timeout}s; output so far: {self.lines}"
                )
            try:
                line = self._queue.get(timeout=remaining)
            except queue.Empty:
                continue
            if line is None:
                return None
            self.lines.append(line)
            if predicate(line):
                return line

    def wait_started(self) -> int:
        line = self.wait_for(lambda text: text.startswith("  http://127.0.0.1:"))
        if line is None:
            raise RuntimeError(f"server did not start: {self.lines} {self.stderr()}")
        self.port = int(line.rsplit(":", 1)[1])
        return self.port

    def read_rest(self, timeout: float = STOP_TIMEOUT) -> list[str]:
        self.wait_for(lambda _: False, timeout)
        return self.lines

    def stderr(self) -> str:
        if self.process.poll() is None or self.process.stderr is None:
            return ""
        return self.process.stderr.read()

    def interrupt(self) -> int:
        """Ctrl+C, then wait (bounded) for the process to end; returns its exit code."""
        self.process.send_signal(signal.SIGINT)
        return self.process.wait(timeout=STOP_TIMEOUT)

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
            try:
                self.process.wait(timeout=STOP_TIMEOUT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=STOP_TIMEOUT)


@pytest.fixture
def start_server() -> Iterator:
    """Starts servers on demand (`start_server(port, script=None)`); all are ended afterwards."""
    started: list[ServerProcess] = []

    def start(port: int, script: str | None = None) -> ServerProcess:
        server = ServerProcess(port, script)
        started.append(server)
        return server

    yield start
    for server in started:
        server.stop()


@pytest.fixture(scope="module")
def server() -> Iterator[ServerProcess]:
    """One running server shared by the tests of a module."""
    process = ServerProcess(free_port())
    try:
        process.wait_started()
        yield process
    finally:
        process.stop()


@pytest.fixture(scope="module")
def base_url(server: ServerProcess) -> str:
    return f"http://127.0.0.1:{server.port}"
