"""Live streams of a session's events: server-sent events and the WebSocket protocol."""

from __future__ import annotations

import asyncio
import json
import socket
import statistics
import time
from datetime import UTC

import httpx
import pytest
import websockets
from websockets.exceptions import ConnectionClosed

WAIT = 20.0  # bound for every wait on the server


def create(base_url: str, **body: object) -> str:
    return httpx.post(base_url + "/api/v1/sessions", json=body).json()["id"]


def expected_events(turns: int) -> list[tuple[str, str | None]]:
    """(type, turn marker) of every event a run broadcasts, in order."""
    events = [("started", None), ("started", None)]
    for k in range(turns):
        events += [
            ("thinking_start", None),
            ("tool_call_start", f"turn_{k}"),
            ("tool_call_end", f"result_turn_{k}"),
            ("thinking_end", None),
        ]
    return events + [("completed", None)]


def check_message(text: str) -> tuple[str, str | None]:
    """An exact event message: the stream form with "type" first and "timestamp" last."""
    event = json.loads(text)  # dicts keep the text's member order
    keys = list(event)
    assert keys[0] == "type" and keys[-1] == "timestamp", keys
    assert json.dumps(event, separators=(",", ":"), ensure_ascii=False) == text
    marker = None
    if event["type"] == "tool_call_start":
        marker = event["args"]["query"]
    elif event["type"] == "tool_call_end":
        marker = event["result"]["content"]
    return event["type"], marker


def assert_in_order_to_the_end(received: list[tuple[str, str | None]], turns: int) -> None:
    """Everything from the subscription on: a gapless tail of the run's events."""
    expected = expected_events(turns)
    assert received, "no event arrived"
    assert received == expected[len(expected) - len(received) :]


async def ws_subscribe(url: str, session_id: str, **connect: object):
    socket_ = await websockets.connect(url, **connect)
    await socket_.send(json.dumps({"action": "subscribe", "session_id": session_id}))
    answer = await asyncio.wait_for(socket_.recv(), WAIT)
    assert answer == json.dumps(
        {"event": "subscribed", "session_id": session_id}, separators=(",", ":")
    )
    return socket_


async def ws_collect(socket_, until: str = "completed") -> list[tuple[str, str | None]]:
    received = []
    while True:
        message = await asyncio.wait_for(socket_.recv(), WAIT)
        received.append(check_message(message))
        if received[-1][0] == until:
            return received


def sse_collect(url: str) -> list[tuple[str, str | None]]:
    received = []
    with httpx.stream("GET", url, timeout=WAIT) as response:
        assert response.status_code == 200
        assert response.headers["content-type"] == "text/event-stream"
        for line in response.iter_lines():
            if line.startswith("data: "):
                received.append(check_message(line[len("data: ") :]))
                if received[-1][0] == "completed":
                    break
            else:
                assert line in ("", ":"), line
    return received


# ---------------------------------------------------------------------------------------------
# Server-sent events


def test_sse_delivers_every_event_in_order_to_each_subscriber(base_url: str) -> None:
    turns = 15
    session_id = create(base_url, turns=turns, event_interval_ms=20)
    url = f"{base_url}/api/v1/sessions/{session_id}/stream"

    async def both():
        return await asyncio.gather(
            asyncio.to_thread(sse_collect, url), asyncio.to_thread(sse_collect, url)
        )

    for received in asyncio.run(both()):
        assert_in_order_to_the_end(received, turns)
        assert len(received) > len(expected_events(turns)) // 2


def test_sse_for_an_unknown_session_ends_at_once(base_url: str) -> None:
    with httpx.stream("GET", base_url + "/api/v1/sessions/nope/stream", timeout=5) as response:
        assert response.status_code == 200
        assert response.headers["content-type"] == "text/event-stream"
        assert response.read() == b""


@pytest.mark.slow
def test_sse_keep_alive_comment_after_15_seconds_of_silence(base_url: str) -> None:
    session_id = create(base_url, turns=0)
    time.sleep(0.5)  # the run is over: nothing but keep-alives will come
    with httpx.stream(
        "GET", f"{base_url}/api/v1/sessions/{session_id}/stream", timeout=WAIT
    ) as response:
        started = time.monotonic()
        lines = response.iter_lines()
        assert next(lines) == ":"
        elapsed = time.monotonic() - started
        assert next(lines) == ""
    assert 14.0 <= elapsed <= 17.5


# ---------------------------------------------------------------------------------------------
# WebSocket


def ws_url(base_url: str) -> str:
    return base_url.replace("http://", "ws://") + "/ws"


def test_ws_delivers_every_event_in_order(base_url: str) -> None:
    turns = 15
    session_id = create(base_url, turns=turns, event_interval_ms=20)

    async def run():
        first = await ws_subscribe(ws_url(base_url), session_id)
        second = await ws_subscribe(ws_url(base_url), session_id)
        try:
            return await asyncio.gather(ws_collect(first), ws_collect(second))
        finally:
            await first.close()
            await second.close()

    for received in asyncio.run(run()):
        assert_in_order_to_the_end(received, turns)
        assert len(received) > len(expected_events(turns)) // 2


def test_ws_subscribe_errors_and_silence(base_url: str) -> None:
    session_id = create(base_url, turns=200, event_interval_ms=20)
    error = '{"event":"error","message":"send action:subscribe with session_id"}'

    async def run():
        async with websockets.connect(ws_url(base_url)) as ws:
            for bad in (
                {"action": "subscribe"},
                {"action": "watch", "session_id": "x"},
                {"action": "subscribe", "session_id": 7},
                [1, 2],
                5,
            ):
                await ws.send(json.dumps(bad))
                assert await asyncio.wait_for(ws.recv(), WAIT) == error
            # Text that is not JSON, and binary frames, get no answer in this phase.
            await ws.send("not json at all")
            await ws.send(b"\x00\x01")
            with pytest.raises(asyncio.TimeoutError):
                await asyncio.wait_for(ws.recv(), 0.5)
            # The connection is still usable.
            await ws.send(json.dumps({"action": "subscribe", "session_id": session_id}))
            assert json.loads(await asyncio.wait_for(ws.recv(), WAIT))["event"] == "subscribed"
            assert "type" in json.loads(await asyncio.wait_for(ws.recv(), WAIT))

    asyncio.run(run())
    httpx.delete(f"{base_url}/api/v1/sessions/{session_id}")


def test_ws_unknown_session_is_answered_then_closed(base_url: str) -> None:
    async def run():
        ws = await ws_subscribe(ws_url(base_url), "nope")
        with pytest.raises(ConnectionClosed):
            await asyncio.wait_for(ws.recv(), WAIT)

    asyncio.run(run())


@pytest.mark.parametrize("ending", ["unsubscribe", "binary", "ping"])
def test_ws_ending_requests_close_the_connection(base_url: str, ending: str) -> None:
    session_id = create(base_url, turns=500, event_interval_ms=20)

    async def run():
        ws = await ws_subscribe(ws_url(base_url), session_id)
        await asyncio.wait_for(ws.recv(), WAIT)
        if ending == "unsubscribe":
            await ws.send(json.dumps({"action": "unsubscribe"}))
        elif ending == "binary":
            await ws.send(b"\x01")
        else:
            await ws.ping()
        with pytest.raises(ConnectionClosed):
            for _ in range(1000):
                await asyncio.wait_for(ws.recv(), WAIT)

    asyncio.run(run())
    httpx.delete(f"{base_url}/api/v1/sessions/{session_id}")


def test_ws_pause_and_resume_keep_the_stream_intact(base_url: str) -> None:
    turns = 15
    session_id = create(base_url, turns=turns, event_interval_ms=20)

    async def run():
        ws = await ws_subscribe(ws_url(base_url), session_id)
        try:
            received = [check_message(await asyncio.wait_for(ws.recv(), WAIT))]
            for action in ("pause", "resume", "bogus", "pause"):
                await ws.send(json.dumps({"action": action, "session_id": "ignored"}))
            await ws.send("not json")
            return received + await ws_collect(ws)
        finally:
            await ws.close()

    received = asyncio.run(run())
    assert_in_order_to_the_end(received, turns)


def test_ws_oversized_message_ends_only_that_connection(base_url: str) -> None:
    async def run():
        async with websockets.connect(ws_url(base_url), max_size=None) as ws:
            await ws.send("x" * (65 * 1024))
            with pytest.raises(ConnectionClosed):
                await asyncio.wait_for(ws.recv(), WAIT)
        async with websockets.connect(ws_url(base_url)) as ws:
            await ws.send("{}")
            assert json.loads(await asyncio.wait_for(ws.recv(), WAIT))["event"] == "error"

    asyncio.run(run())


def test_ws_slow_reader_gets_a_lag_notice_and_the_run_is_not_held_up(base_url: str) -> None:
    turns = 10_000
    session_id = create(base_url, turns=turns, event_interval_ms=0)

    async def run():
        # A tiny receive buffer, never drained while the run goes on: the server's writes stall.
        raw = socket.socket()
        raw.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        raw.connect(("127.0.0.1", int(base_url.rsplit(":", 1)[1])))
        ws = await ws_subscribe(ws_url(base_url), session_id, sock=raw, max_queue=1, max_size=None)
        deadline = time.monotonic() + 60
        status = "running"
        while status == "running" and time.monotonic() < deadline:
            await asyncio.sleep(0.2)
            status = (
                await asyncio.to_thread(httpx.get, f"{base_url}/api/v1/sessions/{session_id}")
            ).json()["status"]
        assert status == "completed"
        skipped = 0
        async for message in ws:
            event = json.loads(message)
            if event.get("event") == "lagged":
                skipped += event["skipped"]
            elif event.get("type") == "completed":
                break
        await ws.close()
        return skipped

    assert asyncio.run(run()) > 0


@pytest.mark.slow
def test_ws_200_subscribers_all_receive_every_event(base_url: str) -> None:
    turns = 40
    interval_ms = 25
    session_id = create(base_url, turns=turns, event_interval_ms=interval_ms)

    async def one(ws, delays: list[float]):
        received = []
        while True:
            message = await asyncio.wait_for(ws.recv(), WAIT)
            arrived = time.time()
            received.append(check_message(message))
            stamp = json.loads(message)["timestamp"]
            delays.append(arrived - parse_time(stamp))
            if received[-1][0] == "completed":
                return received

    async def run():
        sockets = await asyncio.gather(
            *(ws_subscribe(ws_url(base_url), session_id) for _ in range(200))
        )
        delays: list[float] = []
        try:
            results = await asyncio.gather(*(one(ws, delays) for ws in sockets))
        finally:
            await asyncio.gather(*(ws.close() for ws in sockets))
        return results, delays

    results, delays = asyncio.run(run())
    for received in results:
        # Each one from its own subscription on: a gapless tail, however late it joined.
        assert_in_order_to_the_end(received, turns)
    assert statistics.median(len(r) for r in results) > len(expected_events(turns)) // 2
    delays.sort()
    print(
        f"\nevent creation to arrival, 200 subscribers: median "
        f"{statistics.median(delays) * 1000:.2f} ms, p99 "
        f"{delays[int(len(delays) * 0.99)] * 1000:.2f} ms"
    )


def parse_time(text: str) -> float:
    """Seconds since the epoch of an RFC 3339 UTC text with up to nine fraction digits."""
    from datetime import datetime

    stamp, _, fraction = text.rstrip("Z").partition(".")
    whole = datetime.fromisoformat(stamp).replace(tzinfo=UTC).timestamp()
    return whole + (float("0." + fraction) if fraction else 0.0)
