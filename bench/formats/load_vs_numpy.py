#!/usr/bin/python3
"""Loading a big CSV: tengun-cli (whole process, csv_file_input) against numpy.loadtxt on the same
file in the same run, best of --runs each, with the peak memory of each process.

  /usr/bin/python3 bench/formats/load_vs_numpy.py build/default/tengun-cli CLOUD.csv [--runs 3]
  /usr/bin/python3 bench/formats/load_vs_numpy.py build/default/tengun-cli --make 10000000 CLOUD.csv

--make N first writes N random points "x,y,z" (six decimals, fixed seed) to CLOUD.csv. The
tengun run must report the file's point count (Text7), so a fast wrong load cannot pass.
"""
import argparse
import json
import resource
import subprocess
import sys
import time

import numpy as np


def make_cloud(path, n):
    rng = np.random.default_rng(7)
    with open(path, "w") as f:
        for start in range(0, n, 1_000_000):
            block = rng.uniform(-100.0, 100.0, size=(min(1_000_000, n - start), 3))
            np.savetxt(f, block, fmt="%.6f", delimiter=",")


def child_peak_kb():
    return resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss


def time_tengun(cli, path, lines):
    start = time.perf_counter()
    out = subprocess.run([cli, f"csv_file_input={path}"], check=True, capture_output=True).stdout
    seconds = time.perf_counter() - start
    count = int(json.loads(out)["fields"]["Text7"])
    if count != lines:
        sys.exit(f"tengun-cli read {count} points, the file has {lines} lines")
    return seconds


def time_numpy(path, lines):
    code = ("import numpy as np, sys, time; t = time.perf_counter(); "
            "a = np.loadtxt(sys.argv[1], delimiter=','); "
            "print(time.perf_counter() - t, a.shape[0])")
    out = subprocess.run([sys.executable, "-c", code, path], check=True, capture_output=True,
                         text=True).stdout.split()
    if int(out[1]) != lines:
        sys.exit(f"numpy read {out[1]} rows, the file has {lines} lines")
    return float(out[0])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("csv")
    parser.add_argument("--make", type=int, default=0)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    if args.make:
        make_cloud(args.csv, args.make)
    with open(args.csv, "rb") as f:
        lines = sum(block.count(b"\n") for block in iter(lambda: f.read(1 << 24), b""))
    coords_mb = lines * 24 / 1e6
    tengun = min(time_tengun(args.cli, args.csv, lines) for _ in range(args.runs))
    tengun_peak = child_peak_kb() / 1e3
    loadtxt = min(time_numpy(args.csv, lines) for _ in range(args.runs))
    numpy_peak = child_peak_kb() / 1e3  # the largest child so far: numpy's when above tengun's
    print(f"{lines} points, {coords_mb:.0f} MB of coordinates")
    print(f"tengun-cli csv_file_input (whole process): {tengun:.3f} s, peak {tengun_peak:.0f} MB "
          f"({tengun_peak / coords_mb:.2f} x the coordinates)")
    print(f"numpy.loadtxt (load only, in its process): {loadtxt:.3f} s, peak of the children "
          f"{numpy_peak:.0f} MB")
    print(f"ratio numpy / tengun: {loadtxt / tengun:.2f}")


if __name__ == "__main__":
    main()
