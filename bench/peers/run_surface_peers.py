#!/usr/bin/python3
"""Whole-process runs of tengun-cli and the peer tools on the same cloud files, in one run, with
the ratios: 点群面張り against Open3D (normals + ball pivoting) and PCL (normals + greedy
projection), 多平面抽出 and 平面の統合 against PCL (normals + region growing).

    /usr/bin/python3 bench/peers/run_surface_peers.py [--build build/default]
        [--peers build/peers] [--clouds /tmp/tengun-surface-clouds] [--sizes 100000,300000]
        [--runs 3]

The clouds are written by write_surface_clouds (bench/) when missing. The PCL program comes
from a build configured with -DTENGUN_BUILD_PEERS=ON (left out when absent). Each time is the
median of --runs runs (one run at a million points or more), wall clock, whole process.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def timed(command, runs):
    """Median wall time of `runs` runs and the last run's standard output."""
    times = []
    out = ""
    for _ in range(runs):
        t0 = time.perf_counter()
        done = subprocess.run(command, capture_output=True, text=True, check=False)
        times.append(time.perf_counter() - t0)
        if done.returncode != 0:
            sys.exit(f"failed: {' '.join(command)}\n{done.stderr}")
        out = done.stdout
    return statistics.median(times), out


def tengun(cli, path, commands, runs):
    seconds, out = timed([cli, f"csv_file_input={path}", *commands], runs)
    fields = json.loads(out)["fields"]
    return seconds, f"{fields.get('Label3(0)', '')} {fields.get('Text3(0)', '')}".strip()


def ratio(a, b):
    return f"{a / b:.2f}" if a and b else ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/default")
    parser.add_argument("--peers", default="build/peers")
    parser.add_argument("--clouds", default="/tmp/tengun-surface-clouds")
    parser.add_argument("--sizes", default="100000,300000,1000000")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    cli = os.path.join(args.build, "tengun-cli")
    pcl = os.path.join(args.peers, "bench", "peers", "pcl_surface_peer")
    has_pcl = os.path.exists(pcl)
    sizes = [int(s) for s in args.sizes.split(",")]
    os.makedirs(args.clouds, exist_ok=True)

    def cloud(name, n):
        path = os.path.join(args.clouds, f"{name}_{n}.xyz")
        if not os.path.exists(path):
            subprocess.run([os.path.join(args.build, "bench", "write_surface_clouds"),
                            args.clouds, name, str(n)], check=True, capture_output=True)
        return path

    rows = []
    for n in sizes:
        runs = 1 if n >= 1000000 else args.runs
        for name in ("smooth", "smooth_random", "box_random"):
            path = cloud(name, n)
            load, _ = tengun(cli, path, [], runs)
            ours, answer = tengun(cli, path, ["menhari"], runs)
            o3d, o3d_out = timed(["/usr/bin/python3", os.path.join(HERE, "open3d_surface.py"),
                                  path], runs)
            o3d_triangles = json.loads(o3d_out)["triangles"]
            peer, peer_out = (timed([pcl, path, "mesh"], runs) if has_pcl else (None, "{}"))
            rows.append(("点群面張り", f"{name} {n}", load, ours, answer, o3d,
                         f"{o3d_triangles} triangles", peer,
                         f"{json.loads(peer_out).get('triangles', '')} triangles"))
        for name in ("box_grid", "box_random"):
            if name == "box_random" and n >= 1000000:
                continue  # the extraction ends after ten small regions: see surface_bench.cpp
            path = cloud(name, n)
            load, _ = tengun(cli, path, [], runs)
            peer, peer_out = (timed([pcl, path, "planes"], runs) if has_pcl else (None, "{}"))
            regions = f"{json.loads(peer_out).get('regions', '')} regions"
            ours, answer = tengun(cli, path, ["poly_plane"], runs)
            rows.append(("多平面抽出", f"{name} {n}", load, ours, answer, None, "", peer, regions))
            ours, answer = tengun(cli, path, ["poly_plane", "heimen_tougou"], runs)
            rows.append(("多平面抽出+平面の統合", f"{name} {n}", load, ours, answer, None, "", peer,
                         regions))

    print("| job | cloud | tengun-cli load only (s) | tengun-cli (s) | answer | Open3D (s) |"
          " answer | PCL (s) | answer | tengun/Open3D | tengun/PCL |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for job, name, load, ours, answer, o3d, o3d_answer, peer, peer_answer in rows:
        print(f"| {job} | {name} | {load:.2f} | {ours:.2f} | {answer} | "
              f"{'' if o3d is None else f'{o3d:.2f}'} | {o3d_answer} | "
              f"{'' if peer is None else f'{peer:.2f}'} | {peer_answer if peer else ''} | "
              f"{ratio(ours, o3d)} | {ratio(ours, peer)} |")


if __name__ == "__main__":
    main()
