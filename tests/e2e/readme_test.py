"""The README's promises: its tolv command lines run as written on the
example backend, and `cmake --install` puts the binary in PREFIX/bin."""

import json
import os
import shlex
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

TOLV = os.environ["TOLV_BIN"]
ROOT = os.path.join(os.path.dirname(__file__), "..", "..")
LIMIT = 60.0


def readme_command_lines(program):
    """Lines of the README's code blocks that start with `program`."""
    lines, in_block = [], False
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("```"):
                in_block = not in_block
            elif in_block and line.startswith(program + " "):
                lines.append(line.strip())
    return lines


def option(words, name):
    return words[words.index(name) + 1]


class ReadmeTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tolv-readme-")
        self.addCleanup(shutil.rmtree, self.root, True)

    def test_tolv_command_lines_run_as_written_on_the_example_backend(self):
        examples = os.path.join(self.root, "examples")
        shutil.copytree(os.path.join(ROOT, "examples"), examples,
                        ignore=shutil.ignore_patterns("generated", "__pycache__"))
        lines = readme_command_lines("tolv")
        self.assertEqual({shlex.split(line)[1] for line in lines}, {"gen", "schema", "dev"})
        for line in lines:
            with self.subTest(line=line):
                words = [TOLV] + shlex.split(line)[1:]
                if words[1] == "dev":
                    self.run_dev(words, examples)
                    continue
                result = subprocess.run(words, cwd=examples, capture_output=True, timeout=LIMIT)
                self.assertEqual(result.returncode, 0, result.stderr)
                if words[1] == "schema":
                    self.assertIn("endpoints", json.loads(result.stdout))
                else:
                    self.assertTrue(os.path.isfile(os.path.join(examples, option(words, "--out"), "api.ts")))

    def run_dev(self, words, cwd):
        """Starts `tolv dev`, waits until it watches with the client written,
        then ends it as a user would."""
        api = os.path.join(cwd, option(words, "--out"), "api.ts")
        if os.path.exists(api):
            os.remove(api)
        dev = subprocess.Popen(words, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            notice = dev.stderr.readline().decode()
            self.assertTrue(notice.startswith("tolv dev watching "), notice)
            language = option(words, "--language") if "--language" in words else "typescript"
            self.assertIn(f" for {language} client", notice)
            self.assertTrue(os.path.isfile(api))
        finally:
            dev.send_signal(signal.SIGINT)
            status = dev.wait(timeout=LIMIT)
            dev.stderr.close()
        self.assertEqual(status, 0)

    def test_cmake_install_puts_the_binary_in_prefix_bin(self):
        line = next(line for line in readme_command_lines("cmake") if line.startswith("cmake --install "))
        self.assertEqual(line, "cmake --install build-release --prefix ~/.local")
        prefix = os.path.join(self.root, "prefix")
        subprocess.run([os.environ["TOLV_CMAKE"], "--install", os.environ["TOLV_BUILD_DIR"], "--prefix", prefix],
                       check=True, capture_output=True, timeout=LIMIT)
        installed = os.path.join(prefix, "bin", "tolv")
        version = subprocess.run([installed, "--version"], capture_output=True, timeout=LIMIT)
        self.assertEqual(version.stdout, b"tolv 0.1.3\n")


if __name__ == "__main__":
    unittest.main()
