#!/usr/bin/python3
"""How good a triangle mesh of a point cloud is, measured against the surface the points were
sampled from: Tengun (tengun-cli menhari), Open3D (normals + ball pivoting) and PCL (normals +
greedy projection triangulation) on the same generated clouds, side by side, with their
whole-process times.

    /usr/bin/python3 bench/surface/mesh_quality.py [--build build/default] [--peers build/peers]
        [--sizes 20000,100000] [--kinds sheet,sphere,...] [--tools tengun,open3d,pcl]
        [--noise 0,0.2] [--work /tmp/tengun-mesh-quality] [--seed 1]

The clouds (seeded, so every run makes the same ones) are flat and wavy sheets, spheres, open
tubes, boxes and jittered grids, in scan order or shuffled, with Gaussian noise along the normal
of a share of the point spacing. For each mesh:

- hole %: the share of probes (points spread evenly over the true surface) that have no triangle
  within a quarter of the spacing and whose line along the surface normal meets no triangle
  within the slab of +-(3 noise + 0.5 spacing) (the distance keeps the flat cut of a mesh
  through the points at a box's edge from counting as a hole);
- twice %: the share of probes whose line meets two or more triangles there (folds, overlaps);
- area: the mesh's area over the true area (noise makes a mesh through the points rougher, so
  larger, than the surface: about 1.07 at a fifth of the spacing, for any mesh through them);
- cover: the area of the triangles projected on the true surface's normal there, over the true
  area (folds and layers raise it, holes lower it, roughness does not);
- inconsistent: edges whose two triangles run them the same way; non-manifold: edges of three
  or more triangles; pinched: points where the triangles form more than one fan;
- long: edges longer than 3 times the median edge;
- reach %: the points that are a corner of some triangle.
Probes closer than 1.5 spacings to the rim of an open surface (a sheet's edge, a tube's ends)
or to a box's edge are left out: no mesh through the points reaches past the outermost points,
and every mesh through them cuts a box's edge flat (the cut is no hole and no second layer).

The PCL program comes from a build with -DTENGUN_BUILD_PEERS=ON (skipped when absent).
"""
import argparse
import json
import os
import struct
import subprocess
import sys
import time

import numpy as np
from scipy.sparse import coo_matrix
from scipy.sparse.csgraph import connected_components
from scipy.spatial import cKDTree

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS = os.path.join(HERE, "..", "peers")


# ---- clouds and their true surfaces ------------------------------------------------------------

class Surface:
    """A true surface: sample(n) gives points and unit normals spread evenly over it, area its
    area, rim_distance(p) how far points are from its rim (inf for closed surfaces)."""

    def rim_distance(self, p):
        return np.full(len(p), np.inf)


class Sheet(Surface):
    """z = wave(x, y) over [0, size]^2 (wave 0: a flat sheet)."""

    def __init__(self, size, wave):
        self.size, self.wave = size, wave
        g = np.linspace(0, size, 801)
        x, y = np.meshgrid(g, g)
        fx, fy = self.slope(x, y)
        self.area = float(np.trapz(np.trapz(np.sqrt(1 + fx ** 2 + fy ** 2), g), g))

    def height(self, x, y):
        s = self.size
        return self.wave * s * np.sin(6 * x / s) * np.cos(4 * y / s)

    def slope(self, x, y):
        s = self.size
        return (self.wave * 6 * np.cos(6 * x / s) * np.cos(4 * y / s),
                -self.wave * 4 * np.sin(6 * x / s) * np.sin(4 * y / s))

    def at(self, x, y):
        fx, fy = self.slope(x, y)
        n = np.stack([-fx, -fy, np.ones_like(x)], 1)
        return np.stack([x, y, self.height(x, y)], 1), n / np.linalg.norm(n, axis=1)[:, None]

    def sample(self, n, rng):
        # Even over the area: draw more than needed in the plane, keep by the area factor.
        out_p, out_n = [], []
        got = 0
        while got < n:
            x, y = rng.uniform(0, self.size, (2, 2 * n))
            fx, fy = self.slope(x, y)
            factor = np.sqrt(1 + fx ** 2 + fy ** 2)
            keep = rng.uniform(0, factor.max(), len(x)) < factor
            p, nn = self.at(x[keep], y[keep])
            out_p.append(p)
            out_n.append(nn)
            got += len(p)
        return np.concatenate(out_p)[:n], np.concatenate(out_n)[:n]

    def grid(self, n, jitter, rng):
        side = int(round(np.sqrt(n)))
        step = self.size / (side - 1)
        i, j = np.meshgrid(np.arange(side), np.arange(side), indexing="ij")
        x = np.clip(i.ravel() * step + jitter * step * rng.standard_normal(side * side), 0, self.size)
        y = np.clip(j.ravel() * step + jitter * step * rng.standard_normal(side * side), 0, self.size)
        return self.at(x, y)

    def rim_distance(self, p):
        s = self.size
        return np.minimum.reduce([p[:, 0], s - p[:, 0], p[:, 1], s - p[:, 1]])


class Sphere(Surface):
    def __init__(self, radius):
        self.radius = radius
        self.area = 4 * np.pi * radius ** 2

    def sample(self, n, rng):
        d = rng.standard_normal((n, 3))
        d /= np.linalg.norm(d, axis=1)[:, None]
        return self.radius * d, d


class Tube(Surface):
    """An open cylinder about the z axis from z = 0 to length."""

    def __init__(self, radius, length):
        self.radius, self.length = radius, length
        self.area = 2 * np.pi * radius * length

    def sample(self, n, rng):
        a = rng.uniform(0, 2 * np.pi, n)
        z = rng.uniform(0, self.length, n)
        d = np.stack([np.cos(a), np.sin(a), np.zeros(n)], 1)
        return self.radius * d + np.stack([np.zeros(n), np.zeros(n), z], 1), d

    def rim_distance(self, p):
        return np.minimum(p[:, 2], self.length - p[:, 2])


class Box(Surface):
    def __init__(self, size):
        self.size = np.asarray(size, float)
        a, b, c = self.size
        self.faces = [(0, 1, 2, -1, 0.0), (0, 1, 2, 1, c), (0, 2, 1, -1, 0.0), (0, 2, 1, 1, b),
                      (1, 2, 0, -1, 0.0), (1, 2, 0, 1, a)]
        self.face_area = np.array([self.size[u] * self.size[v] for u, v, _, _, _ in self.faces])
        self.area = float(self.face_area.sum())

    def sample(self, n, rng):
        face = rng.choice(6, n, p=self.face_area / self.area)
        p = np.zeros((n, 3))
        nn = np.zeros((n, 3))
        for f, (u, v, w, sign, at) in enumerate(self.faces):
            k = face == f
            m = int(k.sum())
            p[k, u] = rng.uniform(0, self.size[u], m)
            p[k, v] = rng.uniform(0, self.size[v], m)
            p[k, w] = at
            nn[k, w] = sign
        return p, nn

    def rim_distance(self, p):
        # Distance to the nearest edge of the face a point lies on (the axis it is flat in).
        d = np.minimum(np.abs(p), np.abs(self.size - p))
        flat = np.argmin(d, axis=1)
        d[np.arange(len(p)), flat] = np.inf
        return d.min(axis=1)


def make_cloud(kind, n, noise, order, rng):
    """Points, and the surface with probes. `noise` is a share of the point spacing."""
    if kind in ("sheet", "wave"):
        surface = Sheet(1.0 * np.sqrt(n), 0.0 if kind == "sheet" else 0.05)
    elif kind == "grid":
        surface = Sheet(1.0 * np.sqrt(n), 0.0)
    elif kind == "sphere":
        surface = Sphere(np.sqrt(n / (4 * np.pi)))
    elif kind == "tube":
        r = np.sqrt(n / (2 * np.pi * 3))
        surface = Tube(r, 3 * r)
    elif kind == "box":
        s = np.sqrt(n / 2.6)
        surface = Box([s, 0.8 * s, 0.5 * s])
    else:
        raise SystemExit(f"unknown kind {kind}")
    spacing = np.sqrt(surface.area / n)
    if kind == "grid":
        p, normal = surface.grid(n, 0.3, rng)
    elif kind in ("sheet", "wave") and order == "scan":
        p, normal = surface.grid(n, 0.15, rng)
    else:
        p, normal = surface.sample(n, rng)
    p = p + (noise * spacing) * rng.standard_normal(len(p))[:, None] * normal
    if order == "random":
        p = p[rng.permutation(len(p))]
    return p, surface, spacing


# ---- meshes from files ---------------------------------------------------------------------------

PLY_TYPES = {"char": "i1", "int8": "i1", "uchar": "u1", "uint8": "u1", "short": "i2",
             "int16": "i2", "ushort": "u2", "uint16": "u2", "int": "i4", "int32": "i4",
             "uint": "u4", "uint32": "u4", "float": "f4", "float32": "f4", "double": "f8",
             "float64": "f8"}


def read_ply(path):
    """Vertices (n x 3) and triangles (m x 3) of a binary little-endian or ASCII PLY file whose
    faces are triangles."""
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"end_header") + len(b"end_header")
    end = data.index(b"\n", end) + 1
    header = data[:end].decode("ascii").split("\n")
    elements = []
    fmt = ""
    for line in header:
        w = line.split()
        if not w:
            continue
        if w[0] == "format":
            fmt = w[1]
        elif w[0] == "element":
            elements.append([w[1], int(w[2]), []])
        elif w[0] == "property":
            elements[-1][2].append(w[1:])
    body = data[end:]
    vertices = triangles = None
    if fmt == "ascii":
        lines = body.decode("ascii").split("\n")
        at = 0
        for name, count, props in elements:
            rows = lines[at:at + count]
            at += count
            if name == "vertex":
                names = [p[-1] for p in props]
                table = np.array([r.split() for r in rows], float)
                vertices = table[:, [names.index(c) for c in "xyz"]]
            elif name == "face":
                triangles = np.array([r.split()[1:4] for r in rows], np.int64)
        return vertices, triangles
    offset = 0
    for name, count, props in elements:
        if props and props[0][0] == "list":
            count_type = np.dtype("<" + PLY_TYPES[props[0][1]])
            index_type = np.dtype("<" + PLY_TYPES[props[0][2]])
            row = count_type.itemsize + 3 * index_type.itemsize
            # Triangles only: every row has the same size.
            dtype = np.dtype([("n", count_type), ("v", index_type, 3)])
            table = np.frombuffer(body, dtype, count, offset)
            offset += count * row
            if name == "face":
                triangles = table["v"].astype(np.int64)
        else:
            dtype = np.dtype([(p[1], "<" + PLY_TYPES[p[0]]) for p in props])
            table = np.frombuffer(body, dtype, count, offset)
            offset += count * dtype.itemsize
            if name == "vertex":
                vertices = np.stack([table[c].astype(float) for c in "xyz"], 1)
    if triangles is None:
        triangles = np.zeros((0, 3), np.int64)
    return vertices, triangles


# ---- the measures ----------------------------------------------------------------------------

def edge_measures(vertices, tri):
    """Inconsistent and non-manifold edges, pinched points, long edges, reach."""
    n, m = len(vertices), len(tri)
    if m == 0:
        return dict(inconsistent=0, non_manifold=0, pinched=0, long=0, boundary=0, reach=0.0)
    a = tri.ravel()
    b = np.roll(tri, -1, axis=1).ravel()  # edge slot 3 t + i runs tri[t, i] -> tri[t, i + 1]
    key = np.minimum(a, b) * (n + 1) + np.maximum(a, b)
    order = np.argsort(key, kind="stable")
    key = key[order]
    starts = np.flatnonzero(np.r_[True, key[1:] != key[:-1]])
    counts = np.diff(np.r_[starts, len(key)])
    fsum = np.add.reduceat((a < b).astype(np.int64)[order], starts)
    # Fans: corners joined across the edges two triangles share; a point with corners in two
    # or more groups is pinched.
    two = starts[counts == 2]
    e1, e2 = order[two], order[two + 1]
    t1, i1, t2, i2 = e1 // 3, e1 % 3, e2 // 3, e2 % 3
    links = []
    for end in (0, 1):
        x = tri[t1, (i1 + end) % 3]
        c1 = 3 * t1 + (i1 + end) % 3
        c2 = np.where(tri[t2, i2] == x, 3 * t2 + i2, 3 * t2 + (i2 + 1) % 3)
        links.append((c1, c2))
    rows = np.concatenate([l[0] for l in links])
    cols = np.concatenate([l[1] for l in links])
    graph = coo_matrix((np.ones(len(rows)), (rows, cols)), shape=(3 * m, 3 * m))
    _, group = connected_components(graph, directed=False)
    pairs = np.unique(np.stack([tri.ravel(), group], 1), axis=0)
    fans = np.bincount(pairs[:, 0], minlength=n)
    length = np.linalg.norm(vertices[a] - vertices[b], axis=1)
    return dict(inconsistent=int(np.sum((counts == 2) & (fsum != 1))),
                non_manifold=int(np.sum(counts >= 3)), pinched=int(np.sum(fans > 1)),
                long=int(np.sum(length > 3 * np.median(length))),
                boundary=int(np.sum(counts == 1)), reach=100.0 * len(np.unique(tri)) / n)


def layer_measures(vertices, tri, surface, spacing, noise, rng, probes=100000):
    """Hole and overlap shares by lines along the true normal through probes, and area ratio."""
    p0, p1, p2 = vertices[tri[:, 0]], vertices[tri[:, 1]], vertices[tri[:, 2]]
    area = 0.5 * np.linalg.norm(np.cross(p1 - p0, p2 - p0), axis=1)
    q, qn = surface.sample(probes, rng)
    keep = surface.rim_distance(q) > 1.5 * spacing
    q, qn = q[keep], qn[keep]
    if len(tri) == 0:
        return dict(hole=100.0, twice=0.0, area=0.0, cover=0.0)
    slab = 3 * noise * spacing + 0.5 * spacing
    centre = (p0 + p1 + p2) / 3
    tree = cKDTree(centre)
    k = min(48, len(tri))
    _, near = tree.query(q, k=k, workers=-1)
    near = near.reshape(len(q), k)
    hits = np.zeros(len(q), np.int64)
    nearest = np.full(len(q), np.inf)
    for j in range(k):
        t = near[:, j]
        a, b, c = p0[t], p1[t], p2[t]
        # Moller-Trumbore along the probe's normal line, any parameter within the slab.
        e1, e2 = b - a, c - a
        h = np.cross(qn, e2)
        det = np.einsum("ij,ij->i", e1, h)
        ok = np.abs(det) > 1e-300
        inv = np.where(ok, 1.0 / np.where(ok, det, 1.0), 0.0)
        s = q - a
        u = inv * np.einsum("ij,ij->i", s, h)
        qq = np.cross(s, e1)
        v = inv * np.einsum("ij,ij->i", qn, qq)
        dist = inv * np.einsum("ij,ij->i", e2, qq)
        hit = ok & (u >= 0) & (v >= 0) & (u + v <= 1) & (np.abs(dist) <= slab)
        hits += hit
        nearest = np.minimum(nearest, point_triangle_distance(q, a, b, c))
    # The triangles' area seen along the true normal at their centres.
    _, nearest_probe = cKDTree(q).query(centre, workers=-1)
    facing = np.abs(np.einsum("ij,ij->i", np.cross(p1 - p0, p2 - p0), qn[nearest_probe])) / 2
    inside = surface.rim_distance(centre) > 1.5 * spacing
    probed_area = surface.area * len(q) / probes
    return dict(hole=100.0 * np.mean((hits == 0) & (nearest > 0.25 * spacing)),
                twice=100.0 * np.mean(hits >= 2), area=float(area.sum() / surface.area),
                cover=float(facing[inside].sum() / probed_area))


def point_triangle_distance(p, a, b, c):
    """Distance of each point p from the triangle (a, b, c) of its row (Ericson's regions)."""
    ab, ac, ap = b - a, c - a, p - a
    d1, d2 = np.einsum("ij,ij->i", ab, ap), np.einsum("ij,ij->i", ac, ap)
    bp = p - b
    d3, d4 = np.einsum("ij,ij->i", ab, bp), np.einsum("ij,ij->i", ac, bp)
    cp = p - c
    d5, d6 = np.einsum("ij,ij->i", ab, cp), np.einsum("ij,ij->i", ac, cp)
    va, vb, vc = d3 * d6 - d5 * d4, d5 * d2 - d1 * d6, d1 * d4 - d3 * d2
    with np.errstate(divide="ignore", invalid="ignore"):
        denom = va + vb + vc
        v = np.where(denom != 0, vb / denom, 0.0)
        w = np.where(denom != 0, vc / denom, 0.0)
        closest = a + v[:, None] * ab + w[:, None] * ac
        # Edges and corners where the face region does not hold the foot.
        t_ab = np.clip(d1 / np.where(d1 - d3 != 0, d1 - d3, 1), 0, 1)
        t_ac = np.clip(d2 / np.where(d2 - d6 != 0, d2 - d6, 1), 0, 1)
        t_bc = np.clip((d4 - d3) / np.where((d4 - d3) + (d5 - d6) != 0, (d4 - d3) + (d5 - d6), 1),
                       0, 1)
    on_ab = a + t_ab[:, None] * ab
    on_ac = a + t_ac[:, None] * ac
    on_bc = b + t_bc[:, None] * (c - b)
    inside = (va >= 0) & (vb >= 0) & (vc >= 0) & (denom != 0)
    best = np.where(inside, np.linalg.norm(p - closest, axis=1), np.inf)
    for cand in (on_ab, on_ac, on_bc):
        best = np.minimum(best, np.linalg.norm(p - cand, axis=1))
    return best


# ---- the tools -------------------------------------------------------------------------------

def run(command, env=None):
    t0 = time.perf_counter()
    done = subprocess.run(command, capture_output=True, text=True, env=env)
    seconds = time.perf_counter() - t0
    if done.returncode != 0:
        print(f"failed: {' '.join(command)}\n{done.stderr[-2000:]}", file=sys.stderr)
        return None, seconds
    return done.stdout, seconds


def tengun(args, xyz, out):
    """Timed alone; the mesh from a second run that saves it."""
    cli = os.path.join(args.build, "tengun-cli")
    stdout, seconds = run([cli, f"csv_file_input={xyz}", "menhari", "--state", "triangle_count"])
    if stdout is None:
        return None, seconds
    saved, _ = run([cli, f"csv_file_input={xyz}", "menhari", f"ply_file_output={out}"])
    return (read_ply(out) if saved is not None else None), seconds


def open3d(args, xyz, out):
    stdout, seconds = run(["/usr/bin/python3", os.path.join(PEERS, "open3d_surface.py"), xyz, out])
    return (read_ply(out) if stdout is not None else None), seconds


def pcl(args, xyz, out):
    program = os.path.join(args.peers, "bench", "peers", "pcl_surface_peer")
    if not os.path.exists(program):
        return None, None
    stdout, seconds = run([program, xyz, "mesh", out])
    return (read_ply(out) if stdout is not None else None), seconds


TOOLS = {"tengun": tengun, "open3d": open3d, "pcl": pcl}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/default")
    parser.add_argument("--peers", default="build/peers")
    parser.add_argument("--sizes", default="20000,100000")
    parser.add_argument("--kinds", default="sheet,wave,grid,sphere,tube,box")
    parser.add_argument("--orders", default="random,scan")
    parser.add_argument("--noise", default="0,0.2")
    parser.add_argument("--tools", default="tengun,open3d,pcl")
    parser.add_argument("--work", default="/tmp/tengun-mesh-quality")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--json", help="also write the rows to this file")
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    rows = []
    print("| cloud | points | tool | s | hole % | twice % | area | cover | inconsistent |"
          " non-manifold | pinched | long | boundary edges | reach % |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    for n in [int(s) for s in args.sizes.split(",")]:
        for kind in args.kinds.split(","):
            for order in args.orders.split(","):
                if order == "scan" and kind not in ("sheet", "wave", "grid"):
                    continue
                for noise in [float(s) for s in args.noise.split(",")]:
                    rng = np.random.default_rng([args.seed, n, sum(map(ord, kind)), int(100 * noise),
                                                 order == "scan"])
                    points, surface, spacing = make_cloud(kind, n, noise, order, rng)
                    name = f"{kind}_{order}_{n}_{noise:g}"
                    xyz = os.path.join(args.work, name + ".xyz")
                    np.savetxt(xyz, points, fmt="%.17g")
                    for tool in args.tools.split(","):
                        out = os.path.join(args.work, f"{name}.{tool}.ply")
                        mesh, seconds = TOOLS[tool](args, xyz, out)
                        if seconds is None:
                            continue
                        if mesh is None:
                            print(f"| {name} | {len(points)} | {tool} | failed |")
                            continue
                        vertices, tri = mesh
                        layers = layer_measures(vertices, tri, surface, spacing, noise,
                                                np.random.default_rng(args.seed + 7))
                        edges = edge_measures(vertices, tri)
                        row = dict(cloud=name, points=len(points), tool=tool, seconds=seconds,
                                   triangles=len(tri), **layers, **edges)
                        rows.append(row)
                        print(f"| {name} | {len(points)} | {tool} | {seconds:.2f} | "
                              f"{row['hole']:.3f} | {row['twice']:.3f} | {row['area']:.4f} | "
                              f"{row['cover']:.4f} | "
                              f"{row['inconsistent']} | {row['non_manifold']} | {row['pinched']} | "
                              f"{row['long']} | {row['boundary']} | {row['reach']:.2f} |",
                              flush=True)
                        os.remove(out)
                    os.remove(xyz)
    if args.json:
        with open(args.json, "w") as f:
            json.dump(rows, f, indent=1)


if __name__ == "__main__":
    main()
