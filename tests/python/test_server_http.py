"""The dashboard server's start-up, routing rules, cross-origin layer and request limits."""

from __future__ import annotations

import http.client
import socket
import time

import httpx
import pytest
from conftest import ServerProcess, free_port, port_is_free

RULE = "=" * 40
HTML = "text/html; charset=utf-8"


def banner(port: int) -> list[str]:
    return [
        RULE,
        "  Brask Dashboard",
        f"  http://127.0.0.1:{port}",
        RULE,
        "  Press Ctrl+C to stop",
        "",
    ]


def occupy(ports: range) -> list[socket.socket]:
    held = []
    for port in ports:
        sock = socket.socket()
        try:
            sock.bind(("127.0.0.1", port))
        except OSError:
            sock.close()  # someone else holds it: busy either way
            continue
        sock.listen()
        held.append(sock)
    return held


def test_start_lines_banner_and_log_in_order(start_server) -> None:
    port = free_port()
    server: ServerProcess = start_server(port)
    assert server.wait_started() == port
    server.wait_for(lambda line: "Brask server started" in line)
    assert server.lines[:9] == [
        f"Starting Brask server (port {port})...",
        "Press Ctrl+C to stop",
        "",
        *banner(port),
    ]
    log = server.lines[9]
    assert "INFO" in log.upper() and "brask_server" in log
    assert log.endswith(f"Brask server started on http://127.0.0.1:{port}")
    assert not any("is in use" in line for line in server.lines)


def test_probes_past_a_busy_port(start_server) -> None:
    port = free_port()
    held = occupy(range(port, port + 1))
    try:
        server = start_server(port)
        assert server.wait_started() == port + 1
        server.wait_for(lambda line: "Brask server started" in line)
        in_use = f"Port {port} is in use, trying port {port + 1}..."
        start = server.lines.index(in_use)
        assert (
            server.lines[start + 1].endswith(in_use) and "WARN" in server.lines[start + 1].upper()
        )
        assert server.lines[start + 2 : start + 8] == banner(port + 1)
    finally:
        for sock in held:
            sock.close()


def test_fails_when_every_port_up_to_65535_is_busy(start_server) -> None:
    start = 65530
    held = occupy(range(start, 65536))
    try:
        script = (
            "import brask_sdk\n"
            "try:\n"
            f"    brask_sdk.serve({start})\n"
            "except RuntimeError as e:\n"
            "    print('RuntimeError:', e)\n"
        )
        server = start_server(start, script)
        lines = server.read_rest()
        assert server.process.wait(timeout=10) == 0
        assert lines[-1] == f"RuntimeError: No free port found between {start} and 65536"
        assert sum("is in use" in line for line in lines) == 2 * 6  # console and log for each
        assert "Port 65535 is in use, trying port 65536..." in lines
    finally:
        for sock in held:
            sock.close()


def test_ctrl_c_stops_the_server_and_frees_the_port(start_server) -> None:
    port = free_port()
    script = (
        "import brask_sdk, threading, time\n"
        "ticks = []\n"
        "def tick():\n"
        "    for _ in range(10):\n"
        "        ticks.append(time.sleep(0.05))\n"
        "threading.Thread(target=tick, daemon=True).start()\n"
        "try:\n"
        f"    brask_sdk.serve({port})\n"
        "except KeyboardInterrupt:\n"
        "    print('interrupted, other thread ran', len(ticks), 'times')\n"
    )
    server = start_server(port, script)
    assert server.wait_started() == port
    time.sleep(1.0)
    assert server.interrupt() == 0
    lines = server.read_rest()
    # The lock was released while serving, so the other Python thread went on.
    assert lines[-1] == "interrupted, other thread ran 10 times"
    assert port_is_free(port)


@pytest.mark.parametrize(
    "method, path",
    [
        ("GET", "/no/such/page"),
        ("GET", "/api/v1/nope"),
        ("POST", "/anything"),
        ("DELETE", "/x"),
        ("GET", "/api/v1/sessions/"),
        ("GET", "/"),
    ],
)
def test_fallback_and_index_serve_the_dashboard_page(base_url: str, method: str, path: str) -> None:
    response = httpx.request(method, base_url + path)
    assert response.status_code == 200
    assert response.headers["content-type"] == HTML
    assert "<title>Brask Dashboard</title>" in response.text


@pytest.mark.parametrize(
    "path, content_type",
    [
        ("/style.css", "text/css; charset=utf-8"),
        ("/app.js", "application/javascript; charset=utf-8"),
    ],
)
def test_assets(base_url: str, path: str, content_type: str) -> None:
    response = httpx.get(base_url + path)
    assert response.status_code == 200
    assert response.headers["content-type"] == content_type
    assert response.content


@pytest.mark.parametrize(
    "method, path",
    [
        ("PUT", "/api/v1/sessions"),
        ("PATCH", "/api/v1/sessions/x"),
        ("POST", "/style.css"),
        ("DELETE", "/"),
        ("POST", "/api/v1/sessions/x/checkpoints"),
    ],
)
def test_listed_path_with_unlisted_method_is_405(base_url: str, method: str, path: str) -> None:
    assert httpx.request(method, base_url + path).status_code == 405


def test_cors_preflight_and_headers(base_url: str) -> None:
    preflight = httpx.options(
        base_url + "/api/v1/sessions",
        headers={
            "Origin": "http://elsewhere",
            "Access-Control-Request-Method": "DELETE",
            "Access-Control-Request-Headers": "x-custom",
        },
    )
    assert preflight.status_code == 200
    assert preflight.headers["access-control-allow-origin"] == "*"
    assert preflight.headers["access-control-allow-methods"] == "*"
    assert preflight.headers["access-control-allow-headers"] == "*"
    for path in ("/api/v1/sessions", "/no/such/page", "/app.js"):
        response = httpx.get(base_url + path, headers={"Origin": "http://elsewhere"})
        assert response.headers["access-control-allow-origin"] == "*"
        assert response.headers["access-control-expose-headers"] == "*"


@pytest.mark.parametrize(
    "body, headers, status",
    [
        (b"{}", {}, 415),
        (b"{}", {"content-type": "text/plain"}, 415),
        (b"{", {"content-type": "application/json"}, 400),
        (b'{"task": "\xff"}', {"content-type": "application/json"}, 400),
        (b"[" * 65 + b"]" * 65, {"content-type": "application/json"}, 400),
        (b"[" * 500_000, {"content-type": "application/json"}, 400),
        (b"x" * (1024 * 1024 + 1), {"content-type": "application/json"}, 413),
    ],
    ids=["no-type", "text-type", "broken", "bad-utf8", "too-deep", "very-deep", "too-large"],
)
def test_body_reader_client_errors(base_url: str, body: bytes, headers: dict, status: int) -> None:
    before = httpx.get(base_url + "/api/v1/sessions").json()["total"]
    response = httpx.post(base_url + "/api/v1/sessions", content=body, headers=headers)
    assert response.status_code == status
    # Nothing was created, and the server is still there.
    assert httpx.get(base_url + "/api/v1/sessions").json()["total"] == before


def test_undecodable_path_parameter_is_400(base_url: str) -> None:
    assert httpx.get(base_url + "/api/v1/sessions/%FF").status_code == 400
    assert httpx.get(base_url + "/api/v1/sessions/a%20b").json()["id"] == "a b"


def test_oversized_headers_and_garbage_get_client_errors(server: ServerProcess) -> None:
    def exchange(raw: bytes) -> bytes:
        with socket.create_connection(("127.0.0.1", server.port), timeout=5) as sock:
            sock.sendall(raw)
            return sock.recv(200)

    assert exchange(
        b"GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + b"a" * 20000 + b"\r\n\r\n"
    ).startswith(b"HTTP/1.1 431")
    assert exchange(b"NOT HTTP AT ALL\r\n\r\n").startswith(b"HTTP/1.1 400")


def test_keep_alive_serves_several_requests_on_one_connection(server: ServerProcess) -> None:
    connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=5)
    connection.request("GET", "/api/v1/sessions")
    connection.getresponse().read()
    first = connection.sock
    connection.request("GET", "/style.css")
    assert connection.getresponse().status == 200
    assert connection.sock is first  # http.client would have reconnected after a close
    connection.close()
