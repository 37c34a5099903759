"""The session routes against a running server."""

from __future__ import annotations

import re
import time

import httpx
import pytest

TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d{3}|\.\d{6}|\.\d{9})?\+00:00$")
UUID4 = re.compile(r"^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$")
SUMMARY_KEYS = [
    "agent_type",
    "completed_at",
    "created_at",
    "health_score",
    "id",
    "preset",
    "result",
    "status",
    "task",
]


def create(base_url: str, body: object) -> dict:
    response = httpx.post(base_url + "/api/v1/sessions", json=body)
    assert response.status_code == 200
    return response.json()


def wait_finished(base_url: str, session_id: str, timeout: float = 20.0) -> dict:
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        detail = httpx.get(f"{base_url}/api/v1/sessions/{session_id}").json()
        if detail["status"] in ("completed", "failed"):
            return detail
        time.sleep(0.05)
    raise TimeoutError(f"session {session_id} still {detail['status']}")


def test_empty_store_lists_nothing(start_server) -> None:
    from conftest import free_port

    server = start_server(free_port())
    server.wait_started()
    response = httpx.get(f"http://127.0.0.1:{server.port}/api/v1/sessions")
    assert response.text == '{"sessions":[],"total":0}'


@pytest.mark.parametrize(
    "body, task, agent_type, preset",
    [
        ({}, "default task", "solo", "solo"),
        ([1, 2], "default task", "solo", "solo"),
        ({"task": 5, "agent_type": None, "preset": ["x"]}, "default task", "solo", "solo"),
        (
            {"task": "fix it", "agent_type": "LangGraph", "preset": "openai_swarm", "extra": 1},
            "fix it",
            "LangGraph",
            "openai_swarm",
        ),
    ],
    ids=["empty", "array", "wrong-types", "texts-kept-as-sent"],
)
def test_create_answers_and_stores_the_texts_as_sent(
    base_url: str, body: object, task: str, agent_type: str, preset: str
) -> None:
    created = create(base_url, body)
    assert list(created) == ["agent_type", "id", "preset", "status", "task"]
    assert created["status"] == "running"
    assert UUID4.match(created["id"])
    assert (created["task"], created["agent_type"], created["preset"]) == (task, agent_type, preset)
    detail = wait_finished(base_url, created["id"])
    assert (detail["task"], detail["agent_type"], detail["preset"]) == (task, agent_type, preset)


def test_session_runs_to_completion_with_its_result(base_url: str) -> None:
    created = create(base_url, {"task": "t", "agent_type": "LANGGRAPH"})
    detail = wait_finished(base_url, created["id"])
    assert list(detail) == sorted(SUMMARY_KEYS + ["event_count"])
    assert detail["status"] == "completed"
    assert detail["health_score"] is None
    assert TIME.match(detail["created_at"]) and TIME.match(detail["completed_at"])
    assert detail["completed_at"] >= detail["created_at"]
    result = detail["result"]
    assert list(result) == [
        "agent_id",
        "detection_count",
        "intervention_count",
        "observation_count",
        "success",
    ]
    assert result["agent_id"] == created["id"]
    assert result["success"] is True
    # Five mock turns: 22 agent events plus the runtime's own start, every one recorded.
    assert detail["event_count"] == 23


def test_turns_member_changes_the_run_and_is_clamped(base_url: str) -> None:
    none = wait_finished(base_url, create(base_url, {"turns": 0})["id"])
    assert none["event_count"] == 3  # started (runtime), started and completed (agent)
    clamped = wait_finished(base_url, create(base_url, {"turns": -7})["id"])
    assert clamped["event_count"] == 3
    ignored = wait_finished(base_url, create(base_url, {"turns": "9"})["id"])
    assert ignored["event_count"] == 23


def test_list_is_newest_first_with_summaries(base_url: str) -> None:
    first = create(base_url, {"task": "first"})["id"]
    second = create(base_url, {"task": "second"})["id"]
    listing = httpx.get(base_url + "/api/v1/sessions").json()
    assert list(listing) == ["sessions", "total"]
    assert listing["total"] == len(listing["sessions"])
    ids = [summary["id"] for summary in listing["sessions"]]
    assert ids.index(second) < ids.index(first)
    created_at = [summary["created_at"] for summary in listing["sessions"]]
    assert created_at == sorted(created_at, reverse=True)
    assert all(list(summary) == SUMMARY_KEYS for summary in listing["sessions"])


def test_unknown_session_answers(base_url: str) -> None:
    assert httpx.get(base_url + "/api/v1/sessions/nope").json() == {
        "error": "session not found",
        "id": "nope",
    }
    for action in ("pause", "resume"):
        assert httpx.post(f"{base_url}/api/v1/sessions/nope/{action}").json() == {
            "error": "session not found"
        }
    assert httpx.delete(base_url + "/api/v1/sessions/nope").json() == {"deleted": "nope"}


def test_checkpoints_answer_the_fixed_object_for_any_id(base_url: str) -> None:
    assert httpx.get(base_url + "/api/v1/sessions/anything/checkpoints").text == (
        '{"checkpoints":[],"message":"Checkpoints not yet persisted to API"}'
    )


def test_delete_removes_the_session(base_url: str) -> None:
    session_id = create(base_url, {})["id"]
    assert httpx.delete(f"{base_url}/api/v1/sessions/{session_id}").json() == {
        "deleted": session_id
    }
    assert (
        httpx.get(f"{base_url}/api/v1/sessions/{session_id}").json()["error"] == "session not found"
    )
    ids = [s["id"] for s in httpx.get(base_url + "/api/v1/sessions").json()["sessions"]]
    assert session_id not in ids


def test_delete_cancels_a_running_session(base_url: str) -> None:
    # Paced to last over a minute unless the delete's cancel signal ends the run.
    session_id = create(base_url, {"turns": 1000, "event_interval_ms": 20})["id"]
    url = f"{base_url}/api/v1/sessions/{session_id}/stream"
    with httpx.stream("GET", url, timeout=10) as stream:
        lines = stream.iter_lines()
        assert next(line for line in lines if line.startswith("data: "))
        started = time.monotonic()
        httpx.delete(f"{base_url}/api/v1/sessions/{session_id}")
        for _ in lines:  # the stream ends when the run lets go of the channel
            pass
    assert time.monotonic() - started < 5


def test_pause_and_resume_reach_a_running_session_only(base_url: str) -> None:
    session_id = create(base_url, {"turns": 20, "event_interval_ms": 20})["id"]
    for action, member in (("pause", "paused"), ("resume", "resumed")):
        answer = httpx.post(f"{base_url}/api/v1/sessions/{session_id}/{action}").json()
        assert answer == {member: session_id, "status": "ok"}
    detail = wait_finished(base_url, session_id)
    assert detail["status"] == "completed"  # an intervention does not change the status
    for action, member in (("pause", "paused"), ("resume", "resumed")):
        answer = httpx.post(f"{base_url}/api/v1/sessions/{session_id}/{action}").json()
        assert answer == {member: session_id, "status": "channel_full"}
