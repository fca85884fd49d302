"""Tengun's readers and analyses on numpy arrays.

The same routines as the Tengun window and tengun-cli, so a fit gives the same numbers, bit for
bit, as the window does for the same points::

    import tengun
    cloud = tengun.read("scan.ply")          # cloud.points: N x 3 float64, cloud.triangles: M x 3
    sphere = tengun.fit_sphere(cloud.points)
    print(sphere.centre, sphere.radius, sphere.sigma)
    d = tengun.residuals(sphere, cloud.points)   # signed distances from the sphere

Points are any N x 3 array-like of numbers: a C-ordered float64 array is used in place, float32,
integers or Fortran-ordered arrays are converted once. Long calls release the GIL, so threads
(and Dask or joblib workers) run them in parallel.

Deviations (``sigma``) are root-mean-square distances divided by N, as the program shows them.
"""

from __future__ import annotations

import errno as _errno
import os
from dataclasses import dataclass, field
from typing import Optional, Tuple

import numpy as np

from . import _tengun

__all__ = [
    "ReadError", "Cloud", "read", "write",
    "FormZone", "PlaneFit", "SphereFit", "ArcFit", "CylinderFit", "LineFit",
    "fit_plane", "fit_sphere", "fit_arc", "fit_cylinder", "fit_line", "residuals",
    "mark_outliers", "Curve", "SingleSpline", "bspline", "inverse_bspline", "single_spline",
    "thin_by_direction", "Mesh", "Planes", "mesh", "extract_planes",
]

Vector = Tuple[float, float, float]
Frame = Tuple[Vector, Vector, Vector]


class ReadError(Exception):
    """A file that could not be read. ``str(error)`` is an English line, then the program's own
    message in Japanese; ``line``/``field`` (1-based, 0 when not at a place) or ``offset`` (the
    byte, -1 when not given) say where, ``message`` is the Japanese message alone."""

    def __init__(self, english: str, message: str, line: int = 0, field: int = 0,
                 offset: int = -1):
        super().__init__(english + "\n" + message)
        self.english = english
        self.message = message
        self.line = line
        self.field = field
        self.offset = offset

    def __str__(self) -> str:
        return self.english + "\n" + self.message


# A file the system would not open or read (missing, no permission, a folder, a link loop) is a
# ReadError and also the OSError Python's own open() would raise, with errno and filename.
_OS_ERRORS = {
    _errno.ENOENT: FileNotFoundError,
    _errno.EACCES: PermissionError,
    _errno.EPERM: PermissionError,
    _errno.EISDIR: IsADirectoryError,
    _errno.ENOTDIR: NotADirectoryError,
}
_FILE_READ_ERRORS: dict = {}


def _read_error(english, message, line, field, offset, errno, path) -> ReadError:
    if errno == 0:
        return ReadError(english, message, line, field, offset)
    base = _OS_ERRORS.get(errno, OSError)
    cls = _FILE_READ_ERRORS.get(base)
    if cls is None:
        cls = type("ReadError", (ReadError, base), {"__module__": __name__})
        _FILE_READ_ERRORS[base] = cls
    e = cls.__new__(cls, errno, os.strerror(errno), path)
    ReadError.__init__(e, english, message, line, field, offset)
    e.errno, e.strerror, e.filename = errno, os.strerror(errno), path
    return e


def _system_path(path) -> bytes:
    """A path as the system takes it: str (with the file system's encoding), bytes or any
    os.PathLike."""
    return os.fsencode(path)


@dataclass(frozen=True)
class Cloud:
    """What a file holds: ``points`` (N x 3 float64) and ``triangles`` (M x 3 int64, 0-based
    indices into points; empty for point files), and ``notes`` about parts of the file that
    were left out (Japanese, as the program shows them)."""

    points: np.ndarray = field(repr=False)
    triangles: np.ndarray = field(repr=False)
    notes: Tuple[str, ...] = ()

    def __repr__(self) -> str:
        return (f"Cloud({len(self.points)} points, {len(self.triangles)} triangles"
                + (f", notes={list(self.notes)!r}" if self.notes else "") + ")")


def read(path, skip_short_rows: bool = False) -> Cloud:
    """Reads a point or mesh file of any format Tengun opens and returns a :class:`Cloud`.
    ``path`` is a str, bytes or os.PathLike. Only regular files are read (a FIFO, a device or a
    folder is refused, never waited on).

    Raises :class:`ReadError` (with the line, value or byte at fault) when the file cannot be
    read; nothing is half-loaded. When the system refused the file (it does not exist, no
    permission, a folder, a symbolic-link loop) the error is also the OSError open() would give
    (FileNotFoundError, PermissionError, ...) with ``errno`` and ``filename``. A CSV or XYZ row
    with fewer than three numbers is refused with its line, or skipped (and counted in the
    notes) with ``skip_short_rows=True``."""
    try:
        points, triangles, notes = _tengun.read(_system_path(path), bool(skip_short_rows))
    except _tengun.ReadFailure as e:
        raise _read_error(*e.args, path) from None
    return Cloud(points, triangles, tuple(notes))


def write(path, points, triangles=None, binary: bool = True,
          full_precision: bool = False) -> None:
    """Writes ``points`` (and ``triangles``, M x 3 0-based indices, for mesh formats) in the
    format the name's extension gives: .csv/.xyz/.txt points (15 significant digits, more only
    where needed to read back; every digit, so that the doubles read back bit for bit, with
    ``full_precision=True``), .stl (binary, or ASCII with binary=False; needs triangles), .ply
    (binary little-endian with double coordinates, or ASCII with binary=False; points alone or
    with triangles). ``path`` is a str, bytes or os.PathLike; a symbolic link is followed, and
    an existing file keeps its mode and owner.

    Raises OSError (FileNotFoundError for a missing folder, PermissionError, ... with ``errno``
    and ``filename``; the English reason, then the program's Japanese message) when the file
    cannot be written (a full disk, a read-only file system, a file the user may not write);
    ValueError for arguments that give no file (no triangles for STL, an unknown extension).
    An earlier file of that name is then untouched."""
    try:
        _tengun.write(_system_path(path), points, triangles, bool(binary), bool(full_precision))
    except _tengun.WriteFailure as e:
        number, english, message = e.args
        raise OSError(number or _errno.EINVAL, english + "\n" + message, path) from None


def _vec(v) -> Vector:
    return tuple(float(x) for x in v)


def _frame(m) -> Frame:
    return tuple(_vec(r) for r in m)


@dataclass(frozen=True)
class FormZone:
    """The minimum-zone feature of a form error: kind ("flatness", "straightness",
    "roundness", "sphericity", "cylindricity"), width (the form error), direction (plane normal,
    line or cylinder axis, circle plane normal), point (axis point or centre; for flatness the
    mid-plane's point nearest the origin), lower and upper (plane offsets along direction, or
    inner and outer radius; straightness 0 and the zone cylinder's radius) and defining_points
    (1-based numbers of the points that fix the zone)."""

    kind: str
    width: float
    direction: Vector
    point: Vector
    lower: float
    upper: float
    defining_points: Tuple[int, ...]


def _zone(d) -> Optional[FormZone]:
    if d is None:
        return None
    return FormZone(d["kind"], d["width"], _vec(d["direction"]), _vec(d["point"]), d["lower"],
                    d["upper"], tuple(d["defining_points"]))


_FORM_DOC = """
    Form errors (None where the points give none): form_error, the least-squares one (largest
    minus smallest orthogonal residual about the fitted feature; for a line twice the largest
    distance from it); form_error_min_zone, the width of the thinnest zone holding every point
    (never larger); min_zone, that zone as a :class:`FormZone`; least_squares_is_minimal, True
    when the fitted feature already gives the thinnest zone."""


def _form(r) -> dict:
    return {"form_error": r["form_error"], "form_error_min_zone": r["form_error_min_zone"],
            "min_zone": _zone(r["min_zone"]),
            "least_squares_is_minimal": r["least_squares_is_minimal"]}


@dataclass(frozen=True)
class PlaneFit:
    """Least-squares plane ``normal . x = offset`` (orthogonal distances).

    normal: unit normal; offset: d >= 0; foot: the plane's point nearest the origin (d * normal);
    frame: rotation whose third row is the normal (turns it onto +Z); sigma: RMS signed distance
    of the points from the plane; count: number of points."""

    normal: Vector
    offset: float
    foot: Vector
    sigma: float
    count: int
    frame: Frame = field(repr=False)
    form_error: Optional[float] = None
    form_error_min_zone: Optional[float] = None
    min_zone: Optional[FormZone] = field(default=None, repr=False)
    least_squares_is_minimal: Optional[bool] = field(default=None, repr=False)
    kind = 1


PlaneFit.__doc__ += _FORM_DOC


@dataclass(frozen=True)
class SphereFit:
    """Least-squares sphere: centre, radius (mean distance of the points from the centre), sigma
    (RMS of distance minus radius), count."""

    centre: Vector
    radius: float
    sigma: float
    count: int
    form_error: Optional[float] = None
    form_error_min_zone: Optional[float] = None
    min_zone: Optional[FormZone] = field(default=None, repr=False)
    least_squares_is_minimal: Optional[bool] = field(default=None, repr=False)
    kind = 2


SphereFit.__doc__ += _FORM_DOC


@dataclass(frozen=True)
class ArcFit:
    """Least-squares circle in space: the plane of the points (normal, offset, foot, frame as
    in :class:`PlaneFit`), the circle's centre (on that plane) and radius, sigma (RMS of the
    in-plane distance minus the radius; heights above the plane left out), count."""

    centre: Vector
    radius: float
    normal: Vector
    offset: float
    sigma: float
    count: int
    foot: Vector = field(repr=False)
    frame: Frame = field(repr=False)
    form_error: Optional[float] = None
    form_error_min_zone: Optional[float] = None
    min_zone: Optional[FormZone] = field(default=None, repr=False)
    least_squares_is_minimal: Optional[bool] = field(default=None, repr=False)
    kind = 3


ArcFit.__doc__ += _FORM_DOC


@dataclass(frozen=True)
class CylinderFit:
    """Least-squares cylinder: axis (unit direction), centre (the axis point level with the
    centroid), radius (mean distance from the axis), sigma (RMS of distance minus radius), frame
    (third row = axis), count."""

    axis: Vector
    centre: Vector
    radius: float
    sigma: float
    count: int
    frame: Frame = field(repr=False)
    form_error: Optional[float] = None
    form_error_min_zone: Optional[float] = None
    min_zone: Optional[FormZone] = field(default=None, repr=False)
    least_squares_is_minimal: Optional[bool] = field(default=None, repr=False)
    kind = 4


CylinderFit.__doc__ += _FORM_DOC


@dataclass(frozen=True)
class LineFit:
    """Least-squares line: direction (unit), point (the centroid, on the line), sigma (RMS
    distance of the points from the line), frame (turns the line onto Z), count."""

    direction: Vector
    point: Vector
    sigma: float
    count: int
    frame: Frame = field(repr=False)
    form_error: Optional[float] = None
    form_error_min_zone: Optional[float] = None
    min_zone: Optional[FormZone] = field(default=None, repr=False)
    least_squares_is_minimal: Optional[bool] = field(default=None, repr=False)
    kind = 5


LineFit.__doc__ += _FORM_DOC


def fit_plane(points) -> PlaneFit:
    """Least-squares plane of N x 3 points. Raises ValueError when they fix no plane (fewer than
    three distinct points, or all on one line)."""
    r = _tengun.fit_plane(points)
    return PlaneFit(_vec(r["normal"]), r["offset"], _vec(r["foot"]), r["sigma"], r["count"],
                    _frame(r["frame"]), **_form(r))


def fit_sphere(points) -> SphereFit:
    """Least-squares sphere of N x 3 points (the centre minimising the spread of the distances;
    radius = their mean). Raises ValueError when the points fix no sphere (all in one plane, or
    the centre runs off beyond 1e6 times the cloud's size)."""
    r = _tengun.fit_sphere(points)
    return SphereFit(_vec(r["centre"]), r["radius"], r["sigma"], r["count"], **_form(r))


def fit_arc(points) -> ArcFit:
    """Least-squares circle of points on an arc in space: their plane first, then the circle of
    their in-plane coordinates. Raises ValueError when they fix no plane or no circle."""
    r = _tengun.fit_arc(points)
    return ArcFit(_vec(r["centre"]), r["radius"], _vec(r["normal"]), r["offset"], r["sigma"],
                  r["count"], _vec(r["foot"]), _frame(r["frame"]), **_form(r))


def fit_cylinder(points) -> CylinderFit:
    """Least-squares cylinder of N x 3 points (axis, axis point, radius minimising the squared
    distances from the surface; short and partial scans included). Raises ValueError when the
    points lie in one plane or fix no cross-section circle."""
    r = _tengun.fit_cylinder(points)
    return CylinderFit(_vec(r["axis"]), _vec(r["centre"]), r["radius"], r["sigma"], r["count"],
                       _frame(r["frame"]), **_form(r))


def fit_line(points) -> LineFit:
    """Least-squares line through N x 3 points (through the centroid, along the principal
    direction). Raises ValueError for no points."""
    r = _tengun.fit_line(points)
    return LineFit(_vec(r["direction"]), _vec(r["point"]), r["sigma"], r["count"],
                   _frame(r["frame"]), **_form(r))


def _shape(result) -> dict:
    return {k: getattr(result, k) for k in
            ("normal", "offset", "centre", "radius", "point", "frame", "sigma")
            if hasattr(result, k)}


def residuals(result, points) -> np.ndarray:
    """Signed orthogonal distances of the points from a fitted feature: plane n.x - d; sphere,
    arc and cylinder distance minus radius (arc and cylinder measured across the axis); line the
    distance from it (never negative)."""
    return _tengun.residuals(result.kind, _shape(result), points)


def mark_outliers(result, points, mode: str = "sigma") -> np.ndarray:
    """The points the program's residual displays show, as a boolean mask: mode ``"worst"`` the
    one worst point (for arc and cylinder the one farthest outside), ``"sigma"`` every point
    whose residual lies beyond +-sigma (for the line: beyond sigma)."""
    return _tengun.mark_outliers(result.kind, _shape(result), points, mode)


@dataclass(frozen=True)
class Curve:
    """A B-spline curve: control_points ((N + 2) x 3 open, (N + 3) x 3 closed; rows 1..N belong
    to the points), curve (sampled ``divisions`` times per interval, M x 3) and acceleration
    (second derivative sampled 10 times per segment and at the end, K x 3)."""

    control_points: np.ndarray = field(repr=False)
    curve: np.ndarray = field(repr=False)
    acceleration: np.ndarray = field(repr=False)
    closed: bool = False

    def __repr__(self) -> str:
        return (f"Curve({'closed' if self.closed else 'open'}, "
                f"{len(self.control_points)} control points, {len(self.curve)} curve points)")


@dataclass(frozen=True)
class SingleSpline:
    """One polynomial curve of a chosen degree fitted to the points in order (parameter s from 0
    at the first point to 1 at the last): coefficients ((degree + 1) x 3, row p is the
    coefficient of s^p), middle and tangent at s = 0.5, curve (sampled), acceleration (101
    samples of the second derivative), line_deviation (degree 1: RMS distance from the line)."""

    middle: Vector
    tangent: Vector
    coefficients: np.ndarray = field(repr=False)
    curve: np.ndarray = field(repr=False)
    acceleration: np.ndarray = field(repr=False)
    line_deviation: float = 0.0


def bspline(points, closed: bool = False, divisions: int = 10) -> Curve:
    """The uniform cubic B-spline whose control polygon is the points themselves (in order)."""
    r = _tengun.bspline(points, closed, divisions, False)
    return Curve(r["control_points"], r["curve"], r["acceleration"], closed)


def inverse_bspline(points, closed: bool = False, divisions: int = 10) -> Curve:
    """The uniform cubic B-spline that passes through every point (in order)."""
    r = _tengun.bspline(points, closed, divisions, True)
    return Curve(r["control_points"], r["curve"], r["acceleration"], closed)


def single_spline(points, degree: int = 3, divisions: int = 10) -> SingleSpline:
    """Least-squares polynomial curve of the given degree through the points in order."""
    r = _tengun.single_spline(points, degree, divisions)
    return SingleSpline(_vec(r["middle"]), _vec(r["tangent"]), r["coefficients"], r["curve"],
                        r["acceleration"], r["line_deviation"])


def thin_by_direction(points, angle: float) -> np.ndarray:
    """The points (taken as one polyline in order) where the direction turns by more than
    ``angle`` degrees, with the first and last point."""
    return _tengun.thin_by_direction(points, float(angle))


@dataclass(frozen=True)
class Mesh:
    """A triangle mesh over a point cloud: triangles (M x 3, 0-based point indices, oriented
    alike), covered (how many points the mesh reaches), boundary_edges (edges of one triangle)
    and boundary_loops (the loops they form: holes and outer borders), merged (points taken as
    one with an earlier point at the same place; they share its triangles)."""

    triangles: np.ndarray = field(repr=False)
    covered: int = 0
    boundary_edges: int = 0
    boundary_loops: int = 0
    merged: int = 0

    def __repr__(self) -> str:
        return (f"Mesh({len(self.triangles)} triangles, {self.covered} points covered, "
                f"{self.boundary_edges} boundary edges in {self.boundary_loops} loops)")


@dataclass(frozen=True)
class Planes:
    """Planes grown over a cloud: labels (one per point: plane 1, 2, ..., 0 never reached, -1
    discarded), triangles (M x 3, 0-based), plane_count, and merged (points taken as one with an
    earlier point at the same place; they get its label)."""

    labels: np.ndarray = field(repr=False)
    triangles: np.ndarray = field(repr=False)
    plane_count: int = 0
    merged: int = 0

    def __repr__(self) -> str:
        return f"Planes({self.plane_count} planes, {len(self.triangles)} triangles)"


def mesh(points) -> Mesh:
    """The program's triangle mesh over an unordered cloud (点群面張り): valid whatever the
    sampling (no folds, overlaps or non-manifold edges; small holes closed). Raises ValueError
    when fewer than three points lie apart."""
    r = _tengun.mesh(points)
    return Mesh(r["triangles"], r["covered"], r["boundary_edges"], r["boundary_loops"],
                r["merged"])


def extract_planes(points) -> Planes:
    """The program's multi-plane extraction (region growing over the mesh)."""
    r = _tengun.extract_planes(points)
    return Planes(r["labels"], r["triangles"], r["plane_count"], r["merged"])
