#!/usr/bin/env python3
"""The tengun module against the C++ benchmark, tengun-cli's load and numpy, on the same data in
one run (the machine is shared: compare ratios, not times).

    PYTHONPATH=build/default/python /usr/bin/python3 bench/python/module_bench.py
"""

import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import tengun

BUILD = os.path.join(os.path.dirname(__file__), "..", "..", "build", "default")


def best(f, repeat=5):
    times = []
    for _ in range(repeat):
        t = time.perf_counter()
        f()
        times.append(time.perf_counter() - t)
    return min(times)


def half_sphere(n, seed=3):
    rng = np.random.default_rng(seed)
    phi = 2 * np.pi * rng.random(n)
    z = rng.random(n)
    r = np.sqrt(1 - z * z)
    radius = 10 + rng.normal(0, 0.01, n)
    return np.column_stack([1 + radius * r * np.cos(phi), 2 + radius * r * np.sin(phi),
                            3 + radius * z])


def numpy_sphere(p):
    """The algebraic (Kasa) sphere by numpy's least squares."""
    a = np.column_stack([2 * p, np.ones(len(p))])
    b = (p * p).sum(axis=1)
    c, *_ = np.linalg.lstsq(a, b, rcond=None)
    return c[:3], np.sqrt(c[3] + c[:3] @ c[:3])


def main():
    pts = half_sphere(1_000_000)
    t_module = best(lambda: tengun.fit_sphere(pts))
    t_f32 = best(lambda: tengun.fit_sphere(pts.astype(np.float32)))
    t_numpy = best(lambda: numpy_sphere(pts))
    out = subprocess.run([os.path.join(BUILD, "bench", "tengun_bench"),
                          "--benchmark_filter=BM_fit_sphere/1000000$",
                          "--benchmark_repetitions=5", "--benchmark_format=csv"],
                         capture_output=True, text=True).stdout
    cpp = min(float(line.split(",")[2]) for line in out.splitlines()
              if line.startswith('"BM_fit_sphere/1000000"')) / 1e3
    print(f"fit_sphere 1M: module {t_module*1e3:.1f} ms, float32 input {t_f32*1e3:.1f} ms, "
          f"C++ benchmark {cpp*1e3:.1f} ms (ratio {t_module/cpp:.2f}), "
          f"numpy algebraic {t_numpy*1e3:.1f} ms")

    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "cloud.csv")
        np.savetxt(path, np.round(pts, 3), fmt="%.3f", delimiter=",")
        t_read = best(lambda: tengun.read(path))
        cli = os.path.join(BUILD, "tengun-cli")
        t_cli = best(lambda: subprocess.run([cli, f"csv_file_input={path}"], check=True,
                                            capture_output=True))
        t_empty = best(lambda: subprocess.run([cli, "hyouji_only"], check=True,
                                              capture_output=True))
        t_loadtxt = best(lambda: np.loadtxt(path, delimiter=","), repeat=2)
        print(f"read 1M-point CSV: module {t_read*1e3:.1f} ms, tengun-cli load "
              f"{(t_cli - t_empty)*1e3:.1f} ms (process {t_cli*1e3:.1f} ms less start-up "
              f"{t_empty*1e3:.1f} ms; ratio {t_read/(t_cli - t_empty):.2f}), "
              f"numpy.loadtxt {t_loadtxt*1e3:.1f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
