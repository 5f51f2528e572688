"""Waiting helpers shared by the end-to-end tests."""

import time


def wait_until(predicate, what, limit=30.0):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.02)
    raise AssertionError(f"timed out after {limit:.0f}s waiting for {what}")


def is_dead(pid):
    """True once `pid` has ended: no such process, or one left unreaped (a
    process tolv kills is reaped by whoever adopted it, if anyone)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except FileNotFoundError:
        return True
