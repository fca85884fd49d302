#!/usr/bin/env python3
"""Peak memory of the CSV reader on files of the same numbers laid out differently: one point a
line, every number on one line, and wide rows (x, y, z and 27 further columns).

For each build folder given (holding tengun-cli and python/tengun) and each layout it prints:
the points loaded; the peak resident memory of a whole tengun-cli process loading the file; and
the reader's own peak, measured inside a Python process around tengun.read (the same file opening
and reader as tengun-cli's open=): the peak resident memory reset just before the read
(/proc/self/clear_refs) less what was resident before it, also as a multiple of the cloud it
gave (24 bytes a point).

    /usr/bin/python3 bench/formats/csv_peak_memory.py build/default [OTHER_BUILD ...] [--mb 20]

(GNU time, Debian's "time" package, measures the tengun-cli processes.)
"""

import argparse
import os
import random
import subprocess
import sys
import tempfile

POINT_BYTES = 24  # x, y, z of each point, as tengun.read hands them back

READ_PEAK = r"""
import sys
import tengun

def status(key):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(key):
                return int(line.split()[1]) / 1024.0

before = status("VmRSS:")
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")  # the peak starts again from here
try:
    points = len(tengun.read(sys.argv[1]).points)
except tengun.ReadError as e:
    points = -1
print(points, status("VmHWM:") - before)
"""


def numbers(megabytes):
    """The same random numbers every time, about `megabytes` MB of them as text, a multiple of
    30 in count; generated as they are written, so that this process stays small (a child
    process starts from its parent's peak memory)."""
    rng = random.Random(26)
    size = 0
    count = 0
    while size < megabytes * 1_000_000 or count % 30 != 0:
        text = repr(rng.uniform(-1000.0, 1000.0))
        size += len(text) + 1
        count += 1
        yield text


def write_layout(path, megabytes, per_row, separator):
    with open(path, "w") as f:
        row = []
        for text in numbers(megabytes):
            row.append(text)
            if len(row) == per_row:
                f.write(separator.join(row) + "\n")
                row = []
        if row:
            f.write(separator.join(row) + "\n")


def write_files(folder, megabytes):
    """The three layouts of about `megabytes` MB of numbers; returns {name: path}."""
    files = {
        "one point a line": (os.path.join(folder, "lines.csv"), 3, " "),
        "all on one line": (os.path.join(folder, "one_line.csv"), None, ","),
        "30 columns a row": (os.path.join(folder, "wide.csv"), 30, ","),
    }
    for path, per_row, separator in files.values():
        write_layout(path, megabytes, per_row, separator)
    return {name: path for name, (path, _, _) in files.items()}


def process_peak_mb(cli, path):
    """Peak resident memory (MB) of a tengun-cli process loading `path`, as GNU time measures
    it (a process started straight from this one would count this one's peak as its own)."""
    run = subprocess.run(["/usr/bin/time", "-f", "%M", cli, f"open={path}", "--state",
                          "point_count"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True)
    return int(run.stderr.strip().splitlines()[-1]) / 1024.0


def read_peak(build, path):
    """Points tengun.read gave (-1: refused) and the MB its read added at its peak."""
    env = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))
    out = subprocess.run([sys.executable, "-c", READ_PEAK, path], env=env, check=True,
                         capture_output=True, text=True).stdout.split()
    return int(out[0]), float(out[1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("builds", nargs="+", help="build folders to compare")
    parser.add_argument("--mb", type=float, default=20.0, help="size of each file in MB")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        files = write_files(folder, args.mb)
        for build in args.builds:
            cli = os.path.join(build, "tengun-cli")
            print(build)
            print(f"  {'layout':18} {'file MB':>8} {'points':>9} {'process MB':>11} "
                  f"{'read MB':>8} {'read/cloud':>11}")
            for name, path in files.items():
                process = process_peak_mb(cli, path)
                points, read = read_peak(build, path)
                cloud = max(points, 0) * POINT_BYTES / 2**20
                ratio = f"{read / cloud:11.2f}" if cloud >= 1.0 else f"{'-':>11}"
                print(f"  {name:18} {os.path.getsize(path) / 1e6:8.1f} {points:9d} "
                      f"{process:11.0f} {read:8.1f} {ratio}")


if __name__ == "__main__":
    main()
