#!/usr/bin/env python3
"""Fits a sphere to every CSV file in a folder, several at a time, and prints a table.

    PYTHONPATH=build/default/python python3 python/examples/fit_spheres.py samples
"""

import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import tengun


def fit(path: Path):
    try:
        s = tengun.fit_sphere(tengun.read(path).points)
        return path.name, s, None
    except (tengun.ReadError, ValueError) as e:
        return path.name, None, str(e).splitlines()[0]


def main() -> int:
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    files = sorted(folder.glob("*.csv"))
    # The fits release the GIL, so the threads really run side by side.
    with ThreadPoolExecutor() as pool:
        rows = list(pool.map(fit, files))
    print(f"{'file':<24} {'points':>8} {'centre x':>12} {'centre y':>12} {'centre z':>12} "
          f"{'radius':>12} {'sigma':>10}")
    for name, s, error in rows:
        if s is None:
            print(f"{name:<24} {error}")
        else:
            x, y, z = s.centre
            print(f"{name:<24} {s.count:>8} {x:>12.6f} {y:>12.6f} {z:>12.6f} {s.radius:>12.6f} "
                  f"{s.sigma:>10.6f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
