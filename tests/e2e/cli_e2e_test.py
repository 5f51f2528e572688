"""End-to-end checks of `tolv gen`, `tolv schema dump` and the command line.

Each test runs the built binary in a fresh directory against small backends
written by the test: Python modules for --app, and executable scripts for
--rust-cmd and for the words after --.
"""

import json
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest

from e2e_support import is_dead, wait_until

TOLV = os.environ["TOLV_BIN"]
PYTHON = os.environ.get("TOLV_PYTHON", sys.executable)
EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
FIXTURE = os.path.join(os.path.dirname(__file__), "..", "ts", "fixtures", "full_schema.json")

SCHEMA = {
    "endpoints": {
        "ping": {"name": "ping", "kind": "rpc", "returns": {"kind": "void"}},
        "chat": {
            "name": "chat", "kind": "ws", "returns": {"kind": "void"},
            "serverEvents": [{"sourceName": "msg", "wireName": "msg",
                              "ty": {"kind": "primitive", "name": "str"}, "required": True}],
        },
        "feed": {"name": "feed", "kind": "channel", "returns": {"kind": "void"},
                 "channelItem": {"kind": "primitive", "name": "int"}},
    },
    "models": {"User": {"name": "User", "fields": [
        {"sourceName": "user_id", "wireName": "userId", "ty": {"kind": "primitive", "name": "int"},
         "required": True}]}},
}
SCHEMA_TEXT = json.dumps(SCHEMA)

HELP_TAIL = "For more information, try '--help'.\n"



class Project(unittest.TestCase):
    """A test in its own temporary working directory."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tolv-e2e-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, name, text, executable=False):
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(textwrap.dedent(text))
        if executable:
            os.chmod(path, 0o755)
        return path

    def read(self, name):
        with open(self.path(name), encoding="utf-8") as f:
            return f.read()

    def tolv(self, *args):
        return subprocess.run([TOLV, *args], cwd=self.dir, capture_output=True, timeout=120)

    def script(self, name, body):
        """An executable Python script; `body` sees `sys` and `os`."""
        return self.write(name, f"#!{PYTHON}\nimport os, sys\n" + textwrap.dedent(body), executable=True)

    def bridge(self, module="backend", body=None):
        """A module with `bridge` and `app` objects whose dump prints SCHEMA."""
        body = body or f"return {SCHEMA_TEXT!r}"
        self.write(f"{module}.py", f"""
            class Bridge:
                def dump_schema_json(self):
                    {body}
            bridge = Bridge()
            app = bridge
            """)

    def assert_run(self, result, status, stdout=b"", stderr=None):
        if result.returncode != status:
            self.fail(f"status {result.returncode} != {status}\nstdout: {result.stdout!r}\nstderr: {result.stderr!r}")
        if stdout is not None:
            self.assertEqual(result.stdout, stdout)
        if stderr is not None:
            self.assertEqual(result.stderr.decode("utf-8"), stderr)

    def assert_error(self, result, message):
        self.assert_run(result, 1, stderr=f"Error: {message}\n")


class CommandLineTest(Project):
    def test_help_and_version_on_stdout_with_status_zero(self):
        for args in (["--help"], ["-h"], ["help"]):
            result = self.tolv(*args)
            self.assert_run(result, 0, stdout=None, stderr="")
            self.assertTrue(result.stdout.startswith(b"Generate Tolv TypeScript clients\n\nUsage: tolv <COMMAND>\n"))
        for args in (["--version"], ["-V"]):
            self.assert_run(self.tolv(*args), 0, stdout=b"tolv 0.1.3\n", stderr="")
        for args in (["gen", "--help"], ["help", "gen"], ["schema", "dump", "-h"], ["schema", "help", "dump"]):
            result = self.tolv(*args)
            self.assert_run(result, 0, stdout=None, stderr="")
            self.assertIn(b"\nUsage: tolv ", result.stdout)

    def test_bare_commands_print_help_on_stderr_with_status_two(self):
        result = self.tolv()
        self.assert_run(result, 2)
        self.assertTrue(result.stderr.startswith(b"Generate Tolv TypeScript clients\n"))
        result = self.tolv("schema")
        self.assert_run(result, 2)
        self.assertTrue(result.stderr.startswith(b"Inspect and debug Tolv schemas\n\nUsage: tolv schema <COMMAND>\n"))

    def test_parse_errors_exit_two(self):
        cases = [
            (["gen", "--version"], "error: unexpected argument '--version' found\n"),
            (["gen", "--target", "python", "--out", "x"], "error: the following required arguments were not provided:\n  <LANGUAGE>\n"),
            (["gen", "--language", "effect", "--target", "python", "--out", "x"], "error: unexpected argument '--language' found\n"),
            (["dev", "--out", "x", "--language", "TypeScript"],
             "error: invalid value 'TypeScript' for '--language <LANGUAGE>'\n  [possible values: typescript, effect]\n"),
            (["gen", "effect", "--target", "Python", "--out", "x"],
             "error: invalid value 'Python' for '--target <TARGET>'\n  [possible values: python, rust]\n"),
            (["dev", "--out", "x", "--debounce-ms", "1.5"], "error: invalid value '1.5' for '--debounce-ms <DEBOUNCE_MS>'"),
            (["dev", "--out", "x", "--debounce-ms", "-5"], "error: "),
            (["gen", "effect", "--target", "rust", "--out", "x", "--outt", "y"], "error: unexpected argument '--outt' found\n\n  tip: a similar argument exists: '--out'\n"),
            (["schema", "dump", "--compact", "--compact"], "error: the argument '--compact' cannot be used multiple times\n"),
        ]
        for args, start in cases:
            with self.subTest(args=args):
                result = self.tolv(*args)
                self.assert_run(result, 2, stdout=b"")
                text = result.stderr.decode()
                self.assertTrue(text.startswith(start), text)
                self.assertTrue(text.endswith("\n" + HELP_TAIL), text)
        usage = self.tolv("gen", "--target", "python", "--out", "x").stderr.decode()
        self.assertIn("\nUsage: tolv gen --target <TARGET> --out <OUT> <LANGUAGE>\n", usage)

    def test_invalid_utf8_in_a_text_value_is_rejected(self):
        result = subprocess.run([TOLV.encode(), b"dev", b"--out", b"x", b"--app", b"m\xff:a"], cwd=self.dir,
                                capture_output=True, timeout=60)
        self.assert_run(result, 2)
        self.assertTrue(result.stderr.startswith(b"error: invalid UTF-8 was detected in one or more arguments\n"))


class GenTest(Project):
    def gen(self, *args):
        return self.tolv("gen", *args)

    def test_python_target_writes_both_files_and_prints_nothing(self):
        self.bridge()
        for language, runtime in (("typescript", "_internal.ts"), ("effect", "_effect_internal.ts")):
            with self.subTest(language=language):
                result = self.gen(language, "--target", "python", "--python", PYTHON, "--app", "backend:bridge",
                                  "--out", f"web/{language}")
                self.assert_run(result, 0, stderr="")
                self.assertEqual(sorted(os.listdir(self.path("web", language))), sorted(["api.ts", runtime]))
                self.assertIn("userId", self.read(f"web/{language}/api.ts"))

    def test_option_checks_before_any_child(self):
        marker = self.path("started")
        self.bridge(body=f"open({marker!r}, 'w').close(); return '{{}}'")
        cases = [
            (["--target", "python"], "--app <module:attr> is required for --target python"),
            (["--target", "rust", "--app", "backend:bridge"], "--rust-cmd <command> is required for --target rust"),
            (["--target", "python", "--app", "backend"], "--app must use <module>:<attr> format"),
            (["--target", "python", "--app", "pkg..api:app"], "--app module must be a dotted Python identifier"),
            (["--target", "python", "--app", "backend:a:b"], "--app attr must be a Python identifier"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                self.assert_error(self.gen("typescript", "--out", "out", "--python", PYTHON, *args), message)
        self.assertFalse(os.path.exists(marker))
        self.assertFalse(os.path.exists(self.path("out")))

    def test_spawn_failures_name_the_program_in_quotes(self):
        self.assert_error(
            self.gen("typescript", "--target", "python", "--python", "no-such-python", "--app", "m:a", "--out", "o"),
            'failed to spawn Python executable "no-such-python": No such file or directory (os error 2)')
        self.assert_error(
            self.gen("typescript", "--target", "rust", "--rust-cmd", "sh -c true", "--out", "o"),
            'failed to spawn Rust app command "sh -c true": No such file or directory (os error 2)')

    def test_rust_target_passes_args_in_order_then_the_dump_flag(self):
        args_log = self.path("args.json")
        self.script("server", f"""
            json_args = sys.argv[1:]
            open({args_log!r}, "w").write(repr(json_args))
            print({SCHEMA_TEXT!r})
            """)
        result = self.gen("effect", "--target", "rust", "--rust-cmd", "./server", "--rust-arg", "a b",
                          "--rust-arg=--port=0", "--app", "ignored:x", "--out", "out")
        self.assert_run(result, 0, stderr="")
        self.assertEqual(self.read("args.json"), repr(["a b", "--port=0", "--dump-schema-json"]))

    def test_python_target_ignores_rust_cmd(self):
        self.bridge()
        result = self.gen("typescript", "--target", "python", "--python", PYTHON, "--app", "backend:bridge",
                          "--rust-cmd", "no-such-program", "--out", "out")
        self.assert_run(result, 0, stderr="")

    def test_surface_options(self):
        self.bridge()
        base = ["--target", "python", "--python", PYTHON, "--app", "backend:bridge", "--out"]

        def api(language, out, *extra):
            self.assert_run(self.gen(language, *base, out, *extra), 0, stderr="")
            return self.read(f"{out}/api.ts")

        self.assertEqual(api("typescript", "ts1"), api("typescript", "ts2", "--surface", "promise", "--commands", "effect"))
        self.assertEqual(api("effect", "e1"), api("effect", "e2", "--websockets", "promise"))
        self.assertEqual(api("effect", "e3"), api("effect", "e4", "--surface", "effect"))
        self.assertNotEqual(api("effect", "e5"), api("effect", "e6", "--surface", "promise"))


class BackendProcessTest(Project):
    """A backend runs in a process group of its own, which goes with it."""

    def leaving_backend(self, sleep_first):
        """A backend that starts a helper inheriting its pipes and logs both
        pids, then (sleep_first) takes a minute or prints the schema at once."""
        self.script("server", f"""
            import subprocess, time
            helper = subprocess.Popen(["sleep", "60"])
            open("pids.tmp", "w").write(f"{{os.getpid()}} {{helper.pid}}")
            os.rename("pids.tmp", "pids")
            if {sleep_first!r}:
                time.sleep(60)
            print({SCHEMA_TEXT!r})
            """)
        self.addCleanup(self.kill_logged)

    def logged_pids(self):
        with open(self.path("pids")) as f:
            return [int(word) for word in f.read().split()]

    def kill_logged(self):
        """Kills what a failed test left, each pid checked to be this test's."""
        if not os.path.exists(self.path("pids")):
            return
        for pid in self.logged_pids():
            try:
                if os.readlink(f"/proc/{pid}/cwd") == os.path.realpath(self.dir):
                    os.kill(pid, signal.SIGKILL)
            except (FileNotFoundError, ProcessLookupError, PermissionError):
                pass

    def test_a_process_left_on_the_pipes_neither_holds_nor_outlives_gen(self):
        self.leaving_backend(sleep_first=False)
        start = time.monotonic()
        result = self.tolv("gen", "typescript", "--target", "rust", "--rust-cmd", "./server", "--out", "web")
        elapsed = time.monotonic() - start
        self.assert_run(result, 0, stderr="")
        self.assertLess(elapsed, 2.0)
        self.assertIn("userId", self.read("web/api.ts"))
        helper = self.logged_pids()[1]
        wait_until(lambda: is_dead(helper), f"the helper {helper} to be killed", limit=5)

    def test_signals_end_gen_its_backend_and_write_nothing(self):
        self.leaving_backend(sleep_first=True)
        # The last row starts gen with SIGINT ignored (`gen &` in a script): gen and its backend keep it ignored.
        for signum, status, ignored in ((signal.SIGINT, 130, None), (signal.SIGTERM, 143, None),
                                        (signal.SIGHUP, 129, None), (signal.SIGQUIT, 131, None),
                                        (signal.SIGTERM, 143, signal.SIGINT)):
            with self.subTest(signal=signum.name, ignored=ignored):
                gen = subprocess.Popen([TOLV, "gen", "effect", "--target", "rust", "--rust-cmd", "./server",
                                        "--out", "web"], cwd=self.dir, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                       preexec_fn=ignored and (lambda: signal.signal(ignored, signal.SIG_IGN)))
                wait_until(lambda: os.path.exists(self.path("pids")), "the backend to start")
                if ignored:
                    gen.send_signal(ignored)
                    with open(f"/proc/{self.logged_pids()[0]}/status") as f:
                        sig_ign = next(line for line in f if line.startswith("SigIgn:")).split()[1]
                    self.assertTrue(int(sig_ign, 16) & 1 << (ignored - 1), sig_ign)
                gen.send_signal(signum)
                stdout, stderr = gen.communicate(timeout=30)
                self.assertEqual((gen.returncode, stdout, stderr), (status, b"", b""))
                for pid in self.logged_pids():
                    wait_until(lambda: is_dead(pid), f"backend process {pid} to be killed", limit=5)
                self.assertFalse(os.path.exists(self.path("web")))
                os.remove(self.path("pids"))


class AcquisitionTest(Project):
    def dump_with(self, body):
        self.script("dump", body)
        return self.tolv("schema", "dump", "--compact", "--", "./dump")

    def test_child_failures_and_unusable_output(self):
        parse = "failed to parse schema dump stdout as ApiGraph JSON; schema dump must be the only stdout: "
        cases = [
            (f"print({SCHEMA_TEXT!r}); sys.exit(1)", "user app schema dump subprocess failed"),
            ("os.kill(os.getpid(), 9)", "user app schema dump subprocess failed"),
            ("print('  \\n\\n  ')", "schema dump stdout was empty"),
            ("sys.stdout.buffer.write(b'{\"a\\xff\": 1}')",
             "schema dump stdout was not valid UTF-8: invalid utf-8 sequence of 1 bytes from index 3"),
            ("print('starting up'); print('{}')", parse),
            ("print('{} {}')", parse),
            ("print('{\"models\": 3}')", parse),
        ]
        for body, message in cases:
            with self.subTest(body=body):
                result = self.dump_with(body)
                self.assert_run(result, 1, stdout=b"")
                text = result.stderr.decode()
                self.assertTrue(text.startswith(f"Error: {message}"), text)
        trailing = self.dump_with("print('{} {}')").stderr.decode()
        self.assertIn("line 1 column", trailing)

    def test_stderr_is_echoed_first_even_on_success(self):
        result = self.dump_with("sys.stderr.write('log line\\n'); sys.stderr.buffer.write(b'bad \\xff'); print('{}')")
        self.assert_run(result, 0, stdout=b'{"endpoints":{},"models":{},"enums":{}}\n', stderr=None)
        self.assertEqual(result.stderr, "log line\nbad \ufffd".encode())
        failed = self.dump_with("sys.stderr.write('boom\\n'); sys.exit(3)")
        self.assertEqual(failed.stderr, b"boom\nError: user app schema dump subprocess failed\n")

    def test_megabytes_of_stderr_before_the_schema(self):
        result = self.dump_with("sys.stderr.write('x' * 6_000_000); sys.stderr.flush(); print('{}')")
        self.assert_run(result, 0, stdout=b'{"endpoints":{},"models":{},"enums":{}}\n', stderr=None)
        self.assertEqual(len(result.stderr), 6_000_000)

    def test_missing_program(self):
        self.assert_error(self.tolv("schema", "dump", "--", "./no-such-dump"),
                          "failed to spawn schema dump subprocess: No such file or directory (os error 2)")


class SchemaDumpTest(Project):
    DOC = ('{"unknown": [1, {"deep": true}], "models": {"Zeta": {"fields": [{"wireName": "b", "sourceName": "b_src",'
           ' "ty": {"name": "int", "kind": "primitive"}, "required": true, "extra": {}, "optional": false,'
           ' "nullable": false, "doc": null}], "name": "Zeta"},'
           ' "Alpha": {"name": "Alpha", "fields": [], "doc": "first"}},'
           ' "enums": {"Color": {"values": ["red", 2, null], "name": "Color"}}}')

    def test_pretty_and_compact_rewrite_the_graph(self):
        self.script("dump", f"print({self.DOC!r})")
        compact = self.tolv("schema", "dump", "--compact", "--", "./dump")
        self.assert_run(compact, 0, stdout=None, stderr="")
        text = compact.stdout.decode()
        self.assertTrue(text.endswith("}\n"))
        self.assertEqual(text.count("\n"), 1)
        graph = json.loads(text)
        self.assertNotIn("unknown", graph)
        field = graph["models"]["Zeta"]["fields"][0]
        self.assertEqual(list(field), ["sourceName", "wireName", "ty", "required"])
        self.assertEqual(field["ty"], {"kind": "primitive", "name": "int", "optional": False, "nullable": False})
        self.assertEqual(graph["models"]["Alpha"], {"name": "Alpha", "doc": "first"})
        self.assertEqual(list(graph["models"]), ["Alpha", "Zeta"])
        self.assertEqual(list(graph), ["endpoints", "models", "enums"])
        self.assertEqual(graph["enums"]["Color"]["values"], ["red", 2, None])

        pretty = self.tolv("schema", "dump", "--", "./dump")
        self.assert_run(pretty, 0, stdout=None, stderr="")
        self.assertEqual(pretty.stdout.decode(), json.dumps(graph, indent=2, ensure_ascii=False) + "\n")

    def test_shortcut_forms(self):
        # Run as a script, the module prints something that is not a schema.
        self.bridge(module="server")
        with open(self.path("server.py"), "a") as f:
            f.write("\nif __name__ == '__main__':\n    print('not a schema')\n")
        shortcut = self.tolv("schema", "dump", "--compact", "--", PYTHON, "server.py", "--ignored")
        self.assert_run(shortcut, 0, stdout=None, stderr="")
        self.assertIn(b'"userId"', shortcut.stdout)
        as_script = self.tolv("schema", "dump", "--", PYTHON, "./server.py")
        self.assert_run(as_script, 1)
        self.assertTrue(as_script.stderr.startswith(b"Error: failed to parse schema dump stdout"))
        with_app = self.tolv("schema", "dump", "--compact", "--python", PYTHON, "--app", "server:bridge",
                             "--", "./no-such-program")
        self.assert_run(with_app, 0, stdout=shortcut.stdout, stderr="")

    def test_neither_app_nor_words(self):
        self.assert_error(self.tolv("schema", "dump", "--compact"),
                          "tolv schema dump requires either --app <module:attr> or a schema dump command after --")

    def test_example_backend_matches_the_shared_fixture(self):
        work = self.path("example")
        shutil.copytree(EXAMPLES, work, ignore=shutil.ignore_patterns("generated", "__pycache__"))
        example = subprocess.run([TOLV, "schema", "dump", "--compact", "--python", PYTHON, "--app", "server:bridge"],
                                 cwd=work, capture_output=True, timeout=120)
        self.assert_run(example, 0, stdout=None, stderr="")
        fixture = self.tolv("schema", "dump", "--compact", "--", "cat", os.path.abspath(FIXTURE))
        self.assert_run(fixture, 0, stdout=example.stdout, stderr="")


class OutputTest(Project):
    def setUp(self):
        super().setUp()
        self.bridge()

    def gen(self, out, language="typescript"):
        return self.tolv("gen", language, "--target", "python", "--python", PYTHON, "--app", "backend:bridge",
                         "--out", out)

    def files(self, directory="."):
        return sorted(os.listdir(self.path(directory)))

    def test_out_forms(self):
        os.makedirs(self.path("isdir", "api.ts"))
        cases = [
            ("web/api", ["web/api/api.ts", "web/api/_internal.ts"]),
            ("file/api.ts", ["file/api.ts", "file/_internal.ts"]),
            ("old/api.old", ["old/api.old", "old/_internal.ts"]),
            ("isdir/api.ts", ["isdir/api.ts/api.ts", "isdir/api.ts/_internal.ts"]),
            ("client.ts", ["client.ts", "_internal.ts"]),
            ("slash/x.ts/", ["slash/x.ts/api.ts", "slash/x.ts/_internal.ts"]),
        ]
        for out, expected in cases:
            with self.subTest(out=out):
                self.assert_run(self.gen(out), 0, stderr="")
                for name in expected:
                    self.assertTrue(os.path.isfile(self.path(name)), name)
        self.assertIn("userId", self.read("old/api.old"))
        # A trailing "/" names a directory, whatever its last component.
        self.assert_run(self.gen("fx/x.ts/", "effect"), 0, stderr="")
        self.assertEqual([self.files("slash"), self.files("fx"), self.files("fx/x.ts")],
                         [["x.ts"], ["x.ts"], ["_effect_internal.ts", "api.ts"]])

    def test_out_dot_writes_into_the_current_directory(self):
        self.assert_run(self.gen("."), 0, stderr="")
        self.assertEqual(self.files(), ["_internal.ts", "api.ts", "backend.py"])

    def test_read_only_destination_is_replaced(self):
        self.write("out/api.ts", "old")
        os.chmod(self.path("out", "api.ts"), stat.S_IRUSR)
        self.assert_run(self.gen("out"), 0, stderr="")
        self.assertIn("userId", self.read("out/api.ts"))

    def test_destination_that_is_a_directory(self):
        os.makedirs(self.path("web", "api.ts", "inner"))
        result = self.gen("web")
        self.assert_run(result, 1)
        self.assertTrue(result.stderr.decode().startswith(
            "Error: failed to write web/api.ts: failed to atomically replace web/api.ts with web/.api.ts.tmp-"))
        self.assertTrue(result.stderr.decode().endswith(": Is a directory (os error 21)\n"))
        # The runtime module went first; no temporary file is left.
        self.assertEqual(self.files("web"), ["_internal.ts", "api.ts"])

    @unittest.skipIf(os.geteuid() == 0, "root writes anywhere")
    def test_unwritable_directory_names_the_temporary_path(self):
        os.makedirs(self.path("locked"))
        os.chmod(self.path("locked"), stat.S_IRUSR | stat.S_IXUSR)
        self.addCleanup(os.chmod, self.path("locked"), stat.S_IRWXU)
        result = self.gen("locked")
        self.assert_run(result, 1)
        text = result.stderr.decode()
        self.assertTrue(text.startswith("Error: failed to write locked/api.ts: failed to create temporary file "
                                        "locked/.api.ts.tmp-"), text)
        self.assertTrue(text.endswith(": Permission denied (os error 13)\n"))
        self.assertEqual(self.files("locked"), [])

    def test_output_directory_that_cannot_be_created(self):
        self.write("blocker", "a file")
        self.assert_error(self.gen("blocker/web"),
                          "failed to create output directory blocker/web: Not a directory (os error 20)")

    def test_out_through_symbolic_links_writes_their_targets(self):
        self.write("real/client.ts", "old")
        os.symlink("real/client.ts", self.path("client.ts"))
        os.makedirs(self.path("web"))
        os.symlink("../real/web_api.ts", self.path("web", "api.ts"))
        self.assert_run(self.gen("client.ts"), 0, stderr="")
        self.assert_run(self.gen("web"), 0, stderr="")
        for link in ("client.ts", "web/api.ts"):
            self.assertTrue(os.path.islink(self.path(link)), link)
        self.assertIn("userId", self.read("real/client.ts"))
        self.assertIn("userId", self.read("real/web_api.ts"))
        self.assertEqual(self.files("real"), ["_internal.ts", "client.ts", "web_api.ts"])
        self.assertEqual(self.files("web"), ["_internal.ts", "api.ts"])
        self.assertNotIn("_internal.ts", self.files())

    def test_stale_temporaries_of_ended_processes_are_removed(self):
        ended = subprocess.run(["sh", "-c", "echo $$"], capture_output=True, check=True).stdout.decode().strip()
        stale = f"web/.api.ts.tmp-{ended}-1700000000000000000"
        live = f"web/.api.ts.tmp-{os.getpid()}-1700000000000000001"
        self.write(stale, "partial")
        self.write(live, "being written")
        self.assert_run(self.gen("web"), 0, stderr="")
        self.assertFalse(os.path.exists(self.path(stale)))
        self.assertEqual(self.read(live), "being written")


if __name__ == "__main__":
    unittest.main()
