#!/usr/bin/env python3
"""DBXToEML against undbx: messages per second on the same .dbx files, in one run.

    bench/dbx/bench.py [--build DIR] [--count N] [--runs R]

Needs DBXToEML and dbxgen built in DIR (default: build-test, or $BUILD_DIR):
    cmake --build DIR --target DBXToEML dbxgen
Inputs: a generated folder of N messages (default 50,000, 300 to 4,000 bytes each)
and the public 28-message sample. Each tool converts each input R times into a fresh
empty folder, taking turns, after one warm-up round; the table shows the median run.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def count_eml(folder):
    n = 0
    for _, _, files in os.walk(folder):
        n += sum(1 for f in files if f.endswith(".eml"))
    return n


def run_once(command, out_dir):
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    # Flush the last run's output first, so its write-back does not slow this one.
    os.sync()
    start = time.perf_counter()
    subprocess.run(command + [out_dir], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    elapsed = time.perf_counter() - start
    produced = count_eml(out_dir)
    shutil.rmtree(out_dir, ignore_errors=True)
    return elapsed, produced


def timed_pair(commands, work, runs):
    """Runs the tools in turns, so a busy moment on the machine hits both alike."""
    times = [[] for _ in commands]
    produced = [0 for _ in commands]
    for i in range(runs + 1):
        for k, command in enumerate(commands):
            elapsed, produced[k] = run_once(command, os.path.join(work, f"out{k}"))
            if i > 0:  # the first round only warms the page cache
                times[k].append(elapsed)
    return [(statistics.median(t), n) for t, n in zip(times, produced)]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.environ.get("BUILD_DIR", os.path.join(TOP, "build-test")))
    parser.add_argument("--count", type=int, default=50000)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    ours = os.path.join(args.build, "bin", "DBXToEML")
    dbxgen = os.path.join(args.build, "tests-bin", "dbxgen")
    undbx = shutil.which("undbx")
    for path, what in ((ours, "DBXToEML"), (dbxgen, "dbxgen")):
        if not os.access(path, os.X_OK):
            sys.exit(f"{what} not found at {path}: cmake --build {args.build} --target DBXToEML dbxgen")
    if not undbx:
        sys.exit("undbx not found (apt-get install undbx)")

    work = tempfile.mkdtemp(prefix="vt-bench-dbx.")
    try:
        generated = os.path.join(work, "Generated.dbx")
        subprocess.run([dbxgen, generated, str(args.count), "300-4000", "1"], check=True)
        sample = os.path.join(TOP, "..", "shared", "testdata", "dbx", "test_OutlookDBX.dbx")
        inputs = [(f"generated, {args.count} messages", generated, args.count, args.runs)]
        if os.path.exists(sample):
            inputs.append(("sample test_OutlookDBX.dbx", sample, 28, max(args.runs, 20)))

        print(f"{'input':32} {'MB':>7} {'tool':9} {'msgs':>6} {'seconds':>9} {'msgs/s':>10} {'ours/undbx':>11}")
        for label, path, expected, runs in inputs:
            size = os.path.getsize(path) / 1e6
            (t_ours, n_ours), (t_peer, n_peer) = timed_pair([[ours, path], [undbx, path]], work, runs)
            for tool, t, n in (("DBXToEML", t_ours, n_ours), ("undbx", t_peer, n_peer)):
                ratio = f"{(n_ours / t_ours) / (n_peer / t_peer):10.2f}x" if tool == "DBXToEML" else ""
                flag = "" if n == expected else f"  (expected {expected})"
                print(f"{label:32} {size:7.1f} {tool:9} {n:6d} {t:9.3f} {n / t:10.0f} {ratio:>11}{flag}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
