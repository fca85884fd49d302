"""The tengun Python module against tengun-cli on the same files: same numbers, bit for bit;
array handling, errors and threads."""

import json
import os
import subprocess
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy as np
import pytest

import tengun

SAMPLES = Path(os.environ.get("TENGUN_SAMPLES", Path(__file__).parents[2] / "samples"))
CLI = os.environ.get("TENGUN_CLI")


def cli(*args):
    """tengun-cli's JSON report for the given arguments."""
    if not CLI:
        pytest.skip("TENGUN_CLI is not set")
    run = subprocess.run([CLI, *args], capture_output=True, text=True)
    # 3: a command failed (a file it could not read), its message in the report
    assert run.returncode in (0, 3), run.stderr
    return json.loads(run.stdout)


FITS = [
    ("plane.csv", "heimen", tengun.fit_plane,
     {"axis_vector": "normal", "plane_offset": "offset", "plane_foot": "foot",
      "std_deviation": "sigma"}),
    ("sphere.csv", "kyuumen", tengun.fit_sphere,
     {"centre": "centre", "radius": "radius", "std_deviation": "sigma"}),
    ("arc.csv", "enko", tengun.fit_arc,
     {"centre": "centre", "radius": "radius", "axis_vector": "normal", "std_deviation": "sigma"}),
    ("cylinder.csv", "entou", tengun.fit_cylinder,
     {"axis_vector": "axis", "centre": "centre", "radius": "radius", "std_deviation": "sigma",
      "fit_rotation": "frame"}),
    ("line.csv", "chokusen", tengun.fit_line,
     {"axis_vector": "direction", "line_point": "point", "std_deviation": "sigma"}),
]


@pytest.mark.parametrize("sample,command,fit,names", FITS, ids=[f[1] for f in FITS])
def test_fits_give_the_numbers_of_the_program(sample, command, fit, names):
    names = dict(names, form_error="form_error", form_error_min_zone="form_error_min_zone")
    report = cli(f"csv_file_input={SAMPLES / sample}", command, "--state",
                 ",".join(names) + ",min_zone_reference")
    result = fit(tengun.read(SAMPLES / sample).points)
    assert list(result.min_zone.defining_points) == report["min_zone_reference"]["defining_points"]
    assert result.form_error_min_zone <= result.form_error
    for state, attribute in names.items():
        expected = np.array(report[state], dtype=float)
        # JSON carries 17 significant digits: the same doubles.
        np.testing.assert_array_equal(np.array(getattr(result, attribute)), expected,
                                      err_msg=f"{state} / {attribute}")
    assert result.count == len(tengun.read(SAMPLES / sample).points)
    assert type(result).__name__ in repr(result)
    with pytest.raises(Exception):
        result.sigma = 0  # frozen


def test_read_matches_the_program_and_round_trips(tmp_path):
    cloud = tengun.read(SAMPLES / "box.csv")
    report = cli(f"csv_file_input={SAMPLES / 'box.csv'}", "--state", "points")
    np.testing.assert_array_equal(cloud.points, np.array(report["points"]))
    assert cloud.points.dtype == np.float64 and cloud.points.shape[1] == 3
    assert cloud.triangles.shape == (0, 3)
    # A mesh written as STL reads back with the same points and corners.
    m = tengun.mesh(cloud.points)
    used = np.unique(m.triangles)
    tengun.write(tmp_path / "box.stl", cloud.points, m.triangles, binary=False)
    back = tengun.read(tmp_path / "box.stl")
    assert len(back.triangles) == len(m.triangles)
    np.testing.assert_array_equal(back.points[back.triangles], cloud.points[m.triangles])
    assert len(back.points) == len(used)
    tengun.write(tmp_path / "box.csv", cloud.points)
    np.testing.assert_allclose(tengun.read(tmp_path / "box.csv").points, cloud.points,
                               rtol=1e-14)


EXTERNAL = Path(os.environ.get("TENGUN_EXTERNAL_DATA", Path(__file__).parents[3] / "shared" /
                                "testdata" / "external"))
SCANS = sorted(p for d in ("ply", "pcd", "las", "obj", "stl") for p in (EXTERNAL / d).glob("*")
               if p.is_file())


@pytest.mark.parametrize("path", SCANS, ids=[p.name for p in SCANS])
def test_every_format_reads_as_the_program_opens_it(path):
    report = cli(f"open={path}", "--state", "point_count,triangle_count")
    if report["point_count"] == 0:
        # The program refused it (LAZ, broken files) or it holds no point: read says so too.
        try:
            assert len(tengun.read(path).points) == 0
        except tengun.ReadError as e:
            assert e.message in report["messages"]
        return
    cloud = tengun.read(path)
    assert len(cloud.points) == report["point_count"]
    assert len(cloud.triangles) == report["triangle_count"]
    if len(cloud.triangles):
        assert cloud.triangles.min() >= 0 and cloud.triangles.max() < len(cloud.points)


@pytest.mark.parametrize("name,binary", [("m.stl", True), ("m.stl", False), ("m.ply", True),
                                          ("m.ply", False)])
def test_meshes_written_read_back_the_same(tmp_path, name, binary):
    cloud = tengun.read(EXTERNAL / "ply" / "teaser_bun_zipper_res3.ply")
    tengun.write(tmp_path / name, cloud.points, cloud.triangles, binary=binary)
    back = tengun.read(tmp_path / name)
    np.testing.assert_array_equal(back.triangles.shape, cloud.triangles.shape)
    tolerance = 1e-6 if name.endswith(".stl") else 0  # binary STL keeps single precision
    np.testing.assert_allclose(back.points[back.triangles], cloud.points[cloud.triangles],
                               rtol=tolerance, atol=tolerance * 1e-3)


def test_surfaces_splines_and_corrections_match_the_program():
    box = tengun.read(SAMPLES / "box.csv").points
    report = cli(f"csv_file_input={SAMPLES / 'box.csv'}", "menhari", "--state",
                 "tri_a,tri_b,tri_c")
    m = tengun.mesh(box)
    np.testing.assert_array_equal(m.triangles + 1,
                                  np.array([report["tri_a"], report["tri_b"], report["tri_c"]]).T)
    report = cli(f"csv_file_input={SAMPLES / 'box.csv'}", "poly_plane", "--state",
                 "labels,plane_count")
    planes = tengun.extract_planes(box)
    assert planes.plane_count == report["plane_count"]
    np.testing.assert_array_equal(planes.labels, np.array(report["labels"]))

    zigzag = tengun.read(SAMPLES / "zigzag.csv").points
    report = cli(f"csv_file_input={SAMPLES / 'zigzag.csv'}", "reverse_bspline_kai=3,10",
                 "--state", "control_x,control_y,control_z")
    curve = tengun.inverse_bspline(zigzag, closed=False, divisions=10)
    np.testing.assert_array_equal(curve.control_points,
                                  np.array([report["control_x"], report["control_y"],
                                            report["control_z"]]).T)
    # The curve passes through every point: every tenth sample is a point.
    np.testing.assert_allclose(curve.curve[::10], zigzag, atol=1e-9)
    report = cli(f"csv_file_input={SAMPLES / 'zigzag.csv'}", "mono_spline=3,10", "--state",
                 "poly_x,poly_y,poly_z")
    s = tengun.single_spline(zigzag, 3)
    np.testing.assert_array_equal(s.coefficients,
                                  np.array([report["poly_x"], report["poly_y"],
                                            report["poly_z"]]).T)
    report = cli(f"csv_file_input={SAMPLES / 'zigzag.csv'}", "data_mabiki=20", "--state",
                 "points")
    np.testing.assert_array_equal(tengun.thin_by_direction(zigzag, 20),
                                  np.array(report["points"]))

    sphere = tengun.read(SAMPLES / "sphere.csv").points
    fit = tengun.fit_sphere(sphere)
    report = cli(f"csv_file_input={SAMPLES / 'sphere.csv'}", "kyuumen", "ijou10_hyouji",
                 "--state", "labels")
    np.testing.assert_array_equal(tengun.mark_outliers(fit, sphere, "sigma"),
                                  np.array(report["labels"]) == 0)
    d = tengun.residuals(fit, sphere)
    assert np.sqrt(np.mean((d - d.mean()) ** 2)) == pytest.approx(fit.sigma, rel=1e-12)
    assert tengun.mark_outliers(fit, sphere, "worst").sum() == 1


def test_any_array_like_of_numbers_and_the_same_answer():
    pts = tengun.read(SAMPLES / "sphere.csv").points
    reference = tengun.fit_sphere(pts)
    assert tengun.fit_sphere(pts.tolist()) == reference
    assert tengun.fit_sphere(np.asfortranarray(pts)) == reference
    assert tengun.fit_sphere(np.ascontiguousarray(pts.T).T) == reference
    f32 = tengun.fit_sphere(pts.astype(np.float32))
    assert f32.radius == pytest.approx(reference.radius, rel=1e-6)
    assert tengun.fit_plane(np.array([[0, 0, 5], [1, 0, 5], [0, 1, 5], [3, 7, 5]])).offset == 5


@pytest.mark.parametrize("bad,error,words", [
    (np.zeros((5, 2)), ValueError, "N x 3"),
    (np.zeros(6), ValueError, "N x 3"),
    (np.zeros((2, 3, 3)), ValueError, "N x 3"),
    (np.array([["a", "b", "c"]]), TypeError, "numbers"),
    (np.array([[1.0, np.nan, 2.0]] * 5), ValueError, "finite"),
    ("not points", TypeError, "numbers"),
])
def test_wrong_shapes_and_dtypes_raise_clear_errors(bad, error, words):
    with pytest.raises(error, match=words):
        tengun.fit_sphere(bad)


def test_errors_carry_the_programs_messages(tmp_path):
    bad = tmp_path / "bad.csv"
    bad.write_text("1,2,3\n4,x5,6\n")
    with pytest.raises(tengun.ReadError) as e:
        tengun.read(bad)
    assert e.value.line == 2 and e.value.field == 2
    assert "「x5」" in e.value.message and "line 2" in e.value.english
    with pytest.raises(tengun.ReadError, match="does not exist"):
        tengun.read(tmp_path / "missing.csv")
    with pytest.raises(ValueError, match="球面を求められません"):
        tengun.fit_sphere([[0, 0, 4], [1, 0, 4], [0, 1, 4], [1, 1, 4], [2, 3, 4]])
    with pytest.raises(ValueError, match="triangles"):
        tengun.write(tmp_path / "x.stl", np.zeros((3, 3)))
    with pytest.raises(ValueError, match="outside"):
        tengun.write(tmp_path / "x.stl", np.eye(3), [[0, 1, 3]])


def test_threads_run_fits_in_parallel_without_crashes():
    rng = np.random.default_rng(7)
    clouds = []
    for k in range(16):
        d = rng.normal(size=(20000, 3))
        d /= np.linalg.norm(d, axis=1)[:, None]
        clouds.append(np.array([k, 2.0 * k, -k]) + (5 + k) * d + rng.normal(0, 0.01, d.shape))
    serial = [tengun.fit_sphere(c) for c in clouds]
    with ThreadPoolExecutor(max_workers=4) as pool:
        parallel = list(pool.map(tengun.fit_sphere, clouds))
        cylinders = list(pool.map(tengun.fit_cylinder, clouds[:4]))
    assert parallel == serial
    assert all(abs(s.radius - (5 + k)) < 0.01 for k, s in enumerate(serial))
    assert len(cylinders) == 4


def test_docstrings_say_what_the_values_mean():
    for name in ("fit_sphere", "fit_plane", "fit_cylinder", "read", "residuals"):
        assert len(getattr(tengun, name).__doc__) > 60
    assert "radius" in tengun.SphereFit.__doc__ and "sigma" in tengun.SphereFit.__doc__


@pytest.mark.parametrize("scale", [1e200, 1e-300, 2.0 ** 600])
def test_surfaces_of_a_moved_and_scaled_box_are_those_of_the_box(scale):
    # Coordinates far from 1 once corrupted the heap or gave one triangle and no planes.
    box = tengun.read(SAMPLES / "box.csv").points
    moved = box * scale + 3 * scale
    m, plain = tengun.mesh(moved), tengun.mesh(box)
    assert m.covered == plain.covered == len(box)
    assert abs(len(m.triangles) - len(plain.triangles)) <= len(plain.triangles) // 100
    assert tengun.extract_planes(moved).plane_count == tengun.extract_planes(box).plane_count


def test_a_cloud_merged_with_itself_meshes_and_splits_like_the_cloud():
    box = tengun.read(SAMPLES / "box.csv").points
    twice = np.vstack([box, box])
    m, plain = tengun.mesh(twice), tengun.mesh(box)
    assert m.merged == len(box)
    np.testing.assert_array_equal(m.triangles, plain.triangles)
    assert m.covered == 2 * plain.covered
    assert (m.boundary_edges, m.boundary_loops) == (plain.boundary_edges, plain.boundary_loops)
    planes, single = tengun.extract_planes(twice), tengun.extract_planes(box)
    assert planes.merged == len(box)
    assert planes.plane_count == single.plane_count
    np.testing.assert_array_equal(planes.labels, np.concatenate([single.labels, single.labels]))
    with pytest.raises(ValueError, match="cannot be meshed"):
        tengun.mesh(np.array([[1.0, 2, 3]] * 5 + [[4.0, 5, 6]]))
