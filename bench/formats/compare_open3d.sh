#!/usr/bin/env bash
# Whole-process load of big binary files: tengun-cli open=FILE against Open3D (Debian's
# python3-open3d) reading the same files in the same run. Prints, per file, the wall time and
# peak resident memory of each whole process (/usr/bin/time -v), Open3D's time inside its read
# call, and the ratios. Usage: bench/formats/compare_open3d.sh [BUILD_DIR] [FOLDER]
set -euo pipefail
build=${1:-build/default}
folder=${2:-$(mktemp -d /tmp/tengun_compare.XXXXXX)}
"$build/bench/make_bench_files" "$folder"

# Seconds and peak kilobytes of one whole process, from /usr/bin/time -v.
measure() {
    local log
    log=$(mktemp)
    /usr/bin/time -v "$@" >"$log.out" 2>"$log"
    local wall rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0;
            for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s}' "$log")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    echo "$wall $rss"
    rm -f "$log" "$log.out"
}

# Open3D's reader, timed inside the process as well.
reader=$(mktemp --suffix=.py)
trap 'rm -f "$reader"' EXIT
cat >"$reader" <<'PY'
import sys, time
import open3d as o3d
path = sys.argv[1]
start = time.perf_counter()
if path.endswith(".las"):
    sys.exit(0)  # Open3D has no LAS reader
if path.endswith(".stl"):
    n = len(o3d.io.read_triangle_mesh(path).vertices)
else:
    n = len(o3d.io.read_point_cloud(path).points)
print(f"read {time.perf_counter() - start:.3f} s, {n} points", file=sys.stderr)
PY

printf '%-22s %12s %10s %14s %10s %12s %8s %8s\n' file tengun_s tengun_MB open3d_read_s open3d_s \
    open3d_MB time_x memory_x
read -r base_s base_kb < <(measure "$build/tengun-cli" --state point_count)
echo "tengun-cli without a file: ${base_s} s, $((base_kb / 1024)) MB"
for f in cloud_10M_float.ply cloud_10M_double.ply cloud_10M.pcd cloud_10M.las mesh_1M.stl; do
    read -r t_s t_kb < <(measure "$build/tengun-cli" "open=$folder/$f" --state point_count)
    o_log=$(mktemp)
    /usr/bin/time -v /usr/bin/python3 "$reader" "$folder/$f" 2>"$o_log" || true
    o_read=$(sed -n 's/^read \([0-9.]*\) s.*/\1/p' "$o_log")
    o_s=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0;
            for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s}' "$o_log")
    o_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$o_log")
    rm -f "$o_log"
    if [ -z "$o_read" ]; then  # Open3D cannot read it: no ratio
        printf '%-22s %12s %10d %14s\n' "$f" "$t_s" $((t_kb / 1024)) "-"
        continue
    fi
    printf '%-22s %12s %10d %14s %10s %12d %8.2f %8.2f\n' "$f" "$t_s" $((t_kb / 1024)) \
        "$o_read" "$o_s" $((o_kb / 1024)) "$(echo "$t_s / $o_s" | bc -l)" \
        "$(echo "$t_kb / $o_kb" | bc -l)"
done
echo "files in $folder"
