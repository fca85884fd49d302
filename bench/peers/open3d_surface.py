#!/usr/bin/python3
"""Open3D on a cloud file of write_surface_clouds ("x y z" per line), as an engineer would use
it: normals from the 20 nearest points, then ball pivoting with radii of 1, 2 and 4 mean
spacings. Prints one line of JSON: the step times in seconds and the triangles made; writes the
mesh as PLY (after the timed steps) when a second file is named.

    /usr/bin/python3 open3d_surface.py <file> [mesh.ply]
"""
import json
import sys
import time

import numpy as np
import open3d as o3d


def main():
    t0 = time.perf_counter()
    cloud = o3d.io.read_point_cloud(sys.argv[1], format="xyz")
    load = time.perf_counter() - t0

    t0 = time.perf_counter()
    cloud.estimate_normals(o3d.geometry.KDTreeSearchParamKNN(20))
    normals = time.perf_counter() - t0

    t0 = time.perf_counter()
    spacing = float(np.mean(cloud.compute_nearest_neighbor_distance()))
    radii = o3d.utility.DoubleVector([spacing, 2 * spacing, 4 * spacing])
    mesh = o3d.geometry.TriangleMesh.create_from_point_cloud_ball_pivoting(cloud, radii)
    pivoting = time.perf_counter() - t0
    print(json.dumps({"points": len(cloud.points), "load": round(load, 3),
                      "normals": round(normals, 3), "ball_pivoting": round(pivoting, 3),
                      "triangles": len(mesh.triangles)}))
    if len(sys.argv) > 2:
        o3d.io.write_triangle_mesh(sys.argv[2], mesh)


if __name__ == "__main__":
    main()
