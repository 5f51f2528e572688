"""Measures how long `tolv dev` takes from a save to both files rewritten.

Not a test: run it by hand with TOLV_BIN set. The figure reported excludes the
debounce window and the backend's own run time (measured separately, as a
standalone run of the same command), leaving the tool's own overhead: event
delivery, waiting for the child's exit, generation and the atomic writes.
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TOLV = os.environ["TOLV_BIN"]
DEBOUNCE_MS = 50
ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 20


def inode(path):
    try:
        return os.stat(path).st_ino
    except FileNotFoundError:
        return None


def backend_run_time(command, rounds=20):
    times = []
    for _ in range(rounds):
        start = time.monotonic()
        subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
        times.append(time.monotonic() - start)
    return statistics.median(times)


def main():
    root = tempfile.mkdtemp(prefix="tolv-latency-")
    try:
        project = os.path.realpath(root)
        schema = os.path.join(project, "schema.json")
        models = {f"Model{i}": {"name": f"Model{i}", "fields": [
            {"sourceName": "id", "wireName": "id", "ty": {"kind": "primitive", "name": "int"}, "required": True}]}
            for i in range(50)}
        with open(schema, "w") as f:
            json.dump({"models": models}, f)
        source = os.path.join(project, "models.py")
        with open(source, "w") as f:
            f.write("x = 0\n")
        command = ["cat", schema]
        backend = backend_run_time(command)

        api = os.path.join(project, "web", "api.ts")
        runtime = os.path.join(project, "web", "_internal.ts")
        dev = subprocess.Popen([TOLV, "dev", "--out", "web", "--debounce-ms", str(DEBOUNCE_MS), "--", *command],
                               cwd=project, stderr=subprocess.PIPE)
        try:
            dev.stderr.readline()  # the start-up notice: watching from now on
            samples = []
            for i in range(ROUNDS):
                before = (inode(api), inode(runtime))
                with open(source, "w") as f:
                    f.write(f"x = {i}\n")
                saved = time.monotonic()
                while inode(api) == before[0] or inode(runtime) == before[1]:
                    if time.monotonic() - saved > 30:
                        raise SystemExit(f"no regeneration within 30 s of save {i}")
                    time.sleep(0.0005)
                samples.append(time.monotonic() - saved)
                time.sleep(0.2)  # let the burst settle before the next save
        finally:
            dev.terminate()
            dev.wait()

        overhead = [(s - DEBOUNCE_MS / 1000 - backend) * 1000 for s in samples]
        overhead.sort()
        print(f"backend run time (median): {backend * 1000:.1f} ms; debounce {DEBOUNCE_MS} ms; {ROUNDS} saves")
        print(f"save to both files rewritten, minus debounce and backend: "
              f"median {statistics.median(overhead):.1f} ms, "
              f"p90 {overhead[int(len(overhead) * 0.9) - 1]:.1f} ms, max {overhead[-1]:.1f} ms")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
