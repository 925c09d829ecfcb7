#!/usr/bin/env python3
"""Embedding figures for scripts/bench.sh, printed with their goals (PASS or FAIL).

Usage: embedding.py --source CHECKOUT --build BUILD [--runs N]

1. The build's embedding step (the archives into the program's objects) on the
   sample payload, in BUILD: wall time and peak memory of the step, run alone.
2. The same for a payload made here whose archives hold over 512 MiB, built in
   BUILD/bench-large (the binaries of the sample payload repeated, so they pack
   as the sample's do); then an install of it with qf_bench against unzip and
   the floor. The payload, its archives, objects and program are deleted at the
   end; the rest of that build folder is kept for the next run.

Exits 0 when every goal was met, 1 when one was missed, anything else when it
could not measure.
"""

import argparse
import glob
import os
import resource
import shutil
import subprocess
import sys
import time

MB = 1000 * 1000
LARGE_BYTES = 512 * 1024 * 1024
GOAL_SECONDS = 30.0
GOAL_MB = 500.0
# Copies of each sample binary in the large payload: the archives then hold about 580 MB.
REPEATS = 20
# The install goal against the floor for this payload, whose install writes about a gigabyte.
LARGE_FLOOR_GOAL = 1.3

failures = 0


def goal(what, met, detail):
    global failures
    failures += 0 if met else 1
    print(f"  {'PASS' if met else 'FAIL':<4} {what:<58} {detail}", flush=True)


def build(folder, target, jobs=None):
    command = ["cmake", "--build", folder, "--target", target]
    if jobs:
        command += ["--parallel", str(jobs)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def embedding_step(folder):
    """Seconds and peak resident MB of the embedding step, made to run again and run alone."""
    for archive in glob.glob(os.path.join(folder, "archives", "*.zip")):
        os.utime(archive)
    # In a process of its own, whose children are the step's alone.
    out = subprocess.run([sys.executable, __file__, "--measure", folder], check=True, capture_output=True, text=True)
    seconds, peak_kb = out.stdout.split()
    return float(seconds), int(peak_kb) * 1024 / MB


def measure(folder):
    start = time.monotonic()
    build(folder, "qf_archives", jobs=1)
    # The largest of the step's processes (cmake, ninja, the generator, each assembler), which with
    # one job run one at a time.
    print(time.monotonic() - start, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)


def archive_bytes(folder):
    return sum(os.path.getsize(p) for p in glob.glob(os.path.join(folder, "archives", "*.zip")))


def make_large_payload(sample, payload):
    shutil.rmtree(payload, ignore_errors=True)
    shutil.copytree(sample, payload)
    for path in glob.glob(os.path.join(payload, "**", "*"), recursive=True):
        # The plug-in binaries: the only files of the sample above a megabyte.
        if os.path.isfile(path) and os.path.getsize(path) > MB:
            with open(path, "rb") as f:
                data = f.read()
            with open(path, "wb") as f:
                for _ in range(REPEATS):
                    f.write(data)


def main():
    if sys.argv[1:2] == ["--measure"]:
        return measure(sys.argv[2])

    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    build(args.build, "qf_archives")
    seconds, peak = embedding_step(args.build)
    print(f"Embedding the archives, sample payload ({archive_bytes(args.build) / MB:.1f} MB of archives)")
    print(f"  {'wall time, peak memory':<36} {seconds:8.2f} s {peak:8.1f} MB")

    large = os.path.join(args.build, "bench-large")
    folder = os.path.join(large, "build")
    payload = os.path.join(large, "payload")
    files = os.path.join(large, "files")
    try:
        start = time.monotonic()
        make_large_payload(os.path.join(args.build, "sample_payload"), payload)
        if not os.path.exists(os.path.join(folder, "CMakeCache.txt")):
            launcher = []
            if shutil.which("ccache"):
                launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
            subprocess.run(["cmake", "-S", args.source, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                            f"-DQF_PAYLOAD_DIR={payload}", "-DQF_BUILD_TESTS=OFF", *launcher],
                           check=True, stdout=subprocess.DEVNULL)
        build(folder, "qf_archive_files")
        packed = archive_bytes(folder)
        print(f"\nEmbedding the archives, large payload ({packed / MB:.1f} MB of archives, made and packed in "
              f"{time.monotonic() - start:.0f} s)")
        seconds, peak = embedding_step(folder)
        print(f"  {'wall time, peak memory':<36} {seconds:8.2f} s {peak:8.1f} MB")
        goal("archives of at least 512 MiB", packed >= LARGE_BYTES, f"{packed / MB:.1f} MB")
        goal(f"embedding within {GOAL_SECONDS:.0f} s", seconds <= GOAL_SECONDS, f"{seconds:.2f} s")
        goal(f"embedding within {GOAL_MB:.0f} MB of memory", peak <= GOAL_MB, f"{peak:.1f} MB")

        build(folder, "qf_bench")
        print("\nInstall of the large payload", flush=True)
        bench = subprocess.run([os.path.join(folder, "benchmarks", "qf_bench"), "--install-only",
                                "--floor-goal", str(LARGE_FLOOR_GOAL), "--runs", str(args.runs), "--root", files])
        if bench.returncode not in (0, 1):
            return bench.returncode
        return 1 if failures or bench.returncode else 0
    finally:
        # Only what is large goes; the configured build folder stays for the next run.
        for path in [payload, files, os.path.join(folder, "archives"), os.path.join(folder, "embedded_archives"),
                     os.path.join(folder, "CMakeFiles", "qf_archives.dir"), os.path.join(folder, "benchmarks", "qf_bench")]:
            if os.path.isdir(path):
                shutil.rmtree(path, ignore_errors=True)
            elif os.path.exists(path):
                os.remove(path)


if __name__ == "__main__":
    sys.exit(main())
