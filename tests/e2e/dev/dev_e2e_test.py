"""End-to-end checks of `tolv dev` against a Python backend made by each test.

Every test runs the built binary in a fresh project directory and waits for
what it can observe (lines on standard error, generated files, the backend's
run log) with generous time limits; none relies on a fixed sleep. No process
outlives a test: `tolv dev` is stopped with SIGTERM (it then kills its
backend), gets SIGTERM should the test runner itself be killed, and any
backend process still alive at the end is killed by its logged pid.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import is_dead, wait_until  # noqa: E402

TOLV = os.environ["TOLV_BIN"]
PYTHON = os.environ.get("TOLV_PYTHON", "python3")
LIMIT = 30.0  # seconds allowed for anything the tests wait for

# The backend: its schema holds one model whose name comes from models.py, so
# a save shows up in the generated api.ts. It logs each run outside the
# project, and reads its behaviour (delay, failure) from a control directory.
BACKEND = r'''
import json, os, subprocess, sys, time

CONTROL = os.environ["TOLV_E2E_CONTROL"]

def control(name):
    path = os.path.join(CONTROL, name)
    return open(path).read().strip() if os.path.exists(path) else None

def log(line):
    with open(os.path.join(CONTROL, "runs.log"), "a") as f:
        f.write(line + "\n")

class Bridge:
    def dump_schema_json(self):
        import importlib
        MODEL = importlib.import_module(control("module") or "models").MODEL
        log(f"start {MODEL} {os.getpid()}")
        delay = control("delay")
        if delay:
            # A helper that inherits our pipes, as launchers and reloaders do.
            helper = subprocess.Popen(["sleep", delay])
            log(f"helper {helper.pid}")
            time.sleep(float(delay))
        leave = control("leave")
        if leave:
            # A helper left behind on our pipes, as a server started in the
            # background would be.
            helper = subprocess.Popen(["sleep", leave])
            log(f"helper {helper.pid}")
        if control("fail"):
            log(f"fail {MODEL}")
            return "this is not json"
        schema = {"models": {MODEL: {"name": MODEL, "fields": [
            {"sourceName": "id", "wireName": "id",
             "ty": {"kind": "primitive", "name": "int"}, "required": True}]}}}
        log(f"end {MODEL}")
        return json.dumps(schema)

app = Bridge()
'''


# How each signal ends `dev`: Ctrl-\ (SIGQUIT) stays a quit.
SIGNAL_STATUS = ((signal.SIGINT, 0), (signal.SIGTERM, 0), (signal.SIGHUP, 0), (signal.SIGQUIT, 131))

_libc = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1


def _sigterm_when_test_runner_dies(runner=os.getpid()):
    """Runs in the forked child before exec, so that a killed test runner (a
    CTest timeout) never leaves `tolv dev` watching forever."""
    _libc.prctl(PR_SET_PDEATHSIG, int(signal.SIGTERM))
    if os.getppid() != runner:
        os._exit(1)


class DevProcess:
    """A running `tolv dev` whose standard error is collected line by line."""

    def __init__(self, args, cwd, env, command=None):
        self.proc = subprocess.Popen(command or [TOLV, "dev", *args], cwd=cwd, env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                     preexec_fn=_sigterm_when_test_runner_dies)
        self._lines = []
        self._lock = threading.Lock()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for raw in self.proc.stderr:
            with self._lock:
                self._lines.append(raw.decode("utf-8", "replace"))

    def stderr(self):
        with self._lock:
            return "".join(self._lines)

    def wait_for_stderr(self, text):
        wait_until(lambda: text in self.stderr(), f"{text!r} on standard error")

    def finish(self):
        """Waits for the exit; returns (status, whole standard error)."""
        try:
            status = self.proc.wait(timeout=LIMIT)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise AssertionError("tolv dev did not exit in time")
        self._reader.join(timeout=LIMIT)
        self.proc.stderr.close()
        return status, self.stderr()

    def stop(self):
        """Ends the process the way a user would (SIGTERM, which also stops
        its backend), and kills it only when that does not work."""
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=LIMIT)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self._reader.join(timeout=LIMIT)
        self.proc.stderr.close()


class DevTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tolv-dev-e2e-")
        self.project = os.path.realpath(os.path.join(self.root, "project"))
        self.control = os.path.join(self.root, "control")
        os.makedirs(self.project)
        os.makedirs(self.control)
        self.write("app.py", BACKEND)
        self.write("models.py", 'MODEL = "UserV1"\n')
        self.env = dict(os.environ, TOLV_E2E_CONTROL=self.control)
        self.dev = None

    def tearDown(self):
        if self.dev is not None:
            self.dev.stop()
        self.kill_leftover_backends()
        shutil.rmtree(self.root, ignore_errors=True)

    def kill_leftover_backends(self):
        """Kills backend processes (and their helpers) of this test that are
        still alive, e.g. after a failed assertion; each pid is checked to be
        ours through its environment before it is signalled."""
        marker = f"TOLV_E2E_CONTROL={self.control}".encode()
        for line in self.runs():
            words = line.split()
            if words[0] not in ("start", "helper"):
                continue
            pid = int(words[-1])
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    if marker not in f.read().split(b"\0"):
                        continue
                os.kill(pid, signal.SIGKILL)
            except (FileNotFoundError, ProcessLookupError, PermissionError):
                pass

    # Project and control files.
    def write(self, name, text):
        path = os.path.join(self.project, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)

    def save_model(self, name, atomic=False, old_mtime=False):
        """Writes models.py in place, or (atomic) by renaming a file made
        outside the project over it, which the watcher sees as one event;
        with old_mtime that file keeps an old time, as `cp -p` leaves it."""
        text = f'MODEL = "{name}"\n'
        if not atomic:
            self.write("models.py", text)
            return
        staged = os.path.join(self.root, "models.py.new")
        with open(staged, "w") as f:
            f.write(text)
        if old_mtime:
            os.utime(staged, (0, 0))
        os.replace(staged, os.path.join(self.project, "models.py"))

    def set_control(self, name, value):
        with open(os.path.join(self.control, name), "w") as f:
            f.write(value)

    def clear_control(self, name):
        os.remove(os.path.join(self.control, name))

    def runs(self):
        path = os.path.join(self.control, "runs.log")
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return f.read().splitlines()

    def starts(self):
        return [line for line in self.runs() if line.startswith("start ")]

    def api(self):
        try:
            with open(os.path.join(self.project, "web", "api.ts")) as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def wait_for_model(self, name):
        wait_until(lambda: f"interface {name}" in self.api(), f"api.ts declaring {name}")

    # Starting and stopping.
    def start(self, *extra, ready=True, debounce_ms=300):
        self.dev = DevProcess(["--out", "web", "--debounce-ms", str(debounce_ms), *extra, "--", PYTHON, "app.py"],
                              self.project, self.env)
        if ready:
            self.dev.wait_for_stderr(f"tolv dev watching {self.project} for typescript client regeneration\n")
        return self.dev

    def stop_with(self, signum):
        self.dev.proc.send_signal(signum)
        return self.dev.finish()

    def assert_no_further_runs(self, period):
        """Fails as soon as the backend starts again within `period` seconds.

        A slow machine can only make this pass too easily, never fail wrongly."""
        before = len(self.starts())
        deadline = time.monotonic() + period
        while time.monotonic() < deadline:
            self.assertEqual(len(self.starts()), before, self.runs())
            time.sleep(0.05)

    def assert_gone(self, pid):
        wait_until(lambda: not os.path.exists(f"/proc/{pid}"), f"backend process {pid} to be gone")

    def assert_killed(self, pid):
        wait_until(lambda: is_dead(pid), f"process {pid} to be killed")

    def helpers(self):
        return [line.split()[1] for line in self.runs() if line.startswith("helper ")]

    # The tests.
    def test_initial_generation_then_one_regeneration_per_burst(self):
        # A window far longer than the gaps between the saves, even when the
        # machine is busy.
        self.start(debounce_ms=1500)
        self.assertIn("interface UserV1", self.api())
        self.assertTrue(os.path.exists(os.path.join(self.project, "web", "_internal.ts")))
        for i in range(6):
            self.save_model(f"Burst{i}")
        self.wait_for_model("Burst5")
        # A later save is the sentinel: every run before it is in the log.
        self.save_model("UserV3")
        self.wait_for_model("UserV3")
        self.assertEqual([s.split()[1] for s in self.starts()], ["UserV1", "Burst5", "UserV3"])

    def test_irrelevant_files_and_reads_change_nothing(self):
        self.start()
        self.write("notes.txt", "hello")
        self.write("model.PY", "x = 1")
        self.write(".py", "x = 1")
        self.write("data/table.csv", "a,b")
        with open(os.path.join(self.project, "models.py")) as f:
            f.read()
        # Several windows pass without a run; only then a relevant save.
        self.assert_no_further_runs(period=1.5)
        self.save_model("UserV2")
        self.wait_for_model("UserV2")
        self.assertEqual(len(self.starts()), 2, self.runs())

    def test_new_subdirectory_is_watched(self):
        self.start()
        # From now on the model comes from a module in a directory made later.
        self.set_control("module", "pkg.sub.extra")
        self.write("pkg/sub/extra.py", 'MODEL = "Extra1"\n')
        self.wait_for_model("Extra1")
        # Changes inside it keep being seen through its own watch.
        self.write("pkg/sub/extra.py", 'MODEL = "Extra2"\n')
        self.wait_for_model("Extra2")

    def test_save_during_slow_backend_kills_it_and_regenerates(self):
        self.start()
        self.set_control("delay", "60")
        self.save_model("Slow")
        wait_until(lambda: any(s.startswith("start Slow") for s in self.starts()), "the slow run to start")
        slow_pid = self.starts()[-1].split()[2]
        self.clear_control("delay")
        self.save_model("UserV3")
        self.wait_for_model("UserV3")
        self.assert_gone(slow_pid)
        self.assertNotIn("end Slow", self.runs())

    def test_signal_during_later_regeneration_kills_backend_and_writes_nothing(self):
        for signum, exit_status in SIGNAL_STATUS:
            with self.subTest(signal=signum.name):
                self.start()
                self.set_control("delay", "60")
                before = self.api()
                self.save_model("Slow")
                wait_until(lambda: self.starts()[-1].startswith("start Slow"), "the slow run to start")
                pid = self.starts()[-1].split()[2]
                status, stderr = self.stop_with(signum)
                self.assertEqual(status, exit_status, stderr)
                self.assertNotIn("Error", stderr)
                self.assert_gone(pid)
                self.assertEqual(self.api(), before)
                self.clear_control("delay")
                self.save_model("UserV1")

    def test_backend_leaving_a_process_on_its_pipes_holds_up_neither_runs_nor_sigterm(self):
        self.set_control("leave", "60")
        # The initial run ends although the helper holds its pipes.
        self.start()
        self.save_model("UserV2")
        self.wait_for_model("UserV2")
        # Right after a run's backend has exited, while its helper lives.
        self.save_model("UserV3")
        wait_until(lambda: len(self.helpers()) == 3, "the third run's helper")
        start = time.monotonic()
        status, stderr = self.stop_with(signal.SIGTERM)
        self.assertLess(time.monotonic() - start, 1.0)
        self.assertEqual(status, 0, stderr)
        for helper in self.helpers():
            self.assert_killed(helper)

    def test_signals_end_dev_with_their_status(self):
        for signum, exit_status in SIGNAL_STATUS:
            with self.subTest(signal=signum.name):
                self.start()
                status, stderr = self.stop_with(signum)
                self.assertEqual(status, exit_status, stderr)
                self.assertNotIn("Error", stderr)

    def test_signal_during_initial_regeneration_kills_backend_and_ends_dev(self):
        self.set_control("delay", "60")
        for signum, exit_status in SIGNAL_STATUS:
            with self.subTest(signal=signum.name):
                before = len(self.starts())
                self.start(ready=False)
                wait_until(lambda: len(self.starts()) > before, "the initial run to start")
                pid = self.starts()[-1].split()[2]
                status, stderr = self.stop_with(signum)
                self.assertEqual(status, exit_status, stderr)
                self.assertNotIn("tolv dev watching", stderr)
                self.assert_gone(pid)
                self.assertFalse(os.path.exists(os.path.join(self.project, "web")))

    def test_save_during_initial_regeneration_gives_one_more_once_it_is_done(self):
        self.set_control("delay", "1")
        for save in ({}, {"atomic": True}, {"atomic": True, "old_mtime": True}):
            with self.subTest(**save):
                first = len(self.starts())
                self.start(ready=False)
                wait_until(lambda: len(self.starts()) > first, "the initial run to start")
                self.save_model(f"During{first}", **save)
                self.wait_for_model(f"During{first}")
                self.assertEqual([s.split()[1] for s in self.starts()[first + 1:]], [f"During{first}"])
                self.dev.stop()

    def test_failing_initial_regeneration_exits_one(self):
        self.set_control("fail", "1")
        self.start(ready=False)
        status, stderr = self.dev.finish()
        self.assertEqual(status, 1)
        self.assertTrue(stderr.startswith(
            "Error: initial regeneration failed: failed to parse schema dump stdout as ApiGraph JSON; "
            "schema dump must be the only stdout: "), stderr)
        self.assertNotIn("tolv dev watching", stderr)

    def test_later_failure_is_reported_and_watching_goes_on(self):
        self.start()
        self.set_control("fail", "1")
        self.save_model("Broken")
        self.dev.wait_for_stderr("Error: regeneration failed: failed to parse schema dump stdout as ApiGraph JSON")
        self.clear_control("fail")
        self.save_model("UserV3")
        self.wait_for_model("UserV3")
        self.assertIsNone(self.dev.proc.poll())

    def test_watch_everything_ignores_its_own_output(self):
        # Without bytecode files the only writes in the project are ours.
        self.env["PYTHONDONTWRITEBYTECODE"] = "1"
        self.start("--watch", "*", debounce_ms=50)
        # One event for the save, so a busy machine cannot split it in two.
        self.save_model("UserV2", atomic=True)
        self.wait_for_model("UserV2")
        # Its own writes would otherwise start a new run every window.
        self.assert_no_further_runs(period=2.0)
        self.assertEqual(len(self.starts()), 2, self.runs())

    def test_start_up_failures_exit_one_before_any_child_starts(self):
        cases = [
            (["--out", "web", "--app", "pkg-api:app", "--python", PYTHON],
             "Error: --app module must be a dotted Python identifier\n"),
            (["--out", "web", "--app", "server", "--python", PYTHON],
             "Error: --app must use <module>:<attr> format\n"),
            (["--out", "web"],
             "Error: tolv dev requires either --app <module:attr> or a schema dump command after --\n"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                self.dev = DevProcess(args, self.project, self.env)
                status, stderr = self.dev.finish()
                self.assertEqual((status, stderr), (1, message))
                self.assertEqual(self.runs(), [])

    def test_removed_current_directory_exits_one(self):
        gone = os.path.join(self.root, "gone")
        os.makedirs(gone)
        # The shell leaves its directory removed, then becomes `tolv dev`.
        script = 'cd "$1" && rmdir "$1" && exec "$2" dev --out web -- "$3" app.py'
        self.dev = DevProcess(None, self.root, self.env, command=["sh", "-c", script, "sh", gone, TOLV, PYTHON])
        status, stderr = self.dev.finish()
        self.assertEqual((status, stderr),
                         (1, "Error: failed to resolve current directory: No such file or directory (os error 2)\n"))
        self.assertEqual(self.runs(), [])


if __name__ == "__main__":
    unittest.main()
