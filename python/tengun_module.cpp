// _tengun: the native half of the tengun Python package. It binds the routines the menu commands
// use (readers, writers, fits, splines, corrections, surfaces) to numpy arrays; the package's
// __init__.py turns the plain tuples and dicts returned here into documented result classes.
//
// Points come in as any N x 3 array-like: a C-ordered float64 array is read in place, anything
// else is converted once. Long calls release the GIL. Arrays handed back own their storage
// through a capsule, so a loaded cloud is not copied on its way out.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "correction/residual_marks.h"
#include "correction/thinning.h"
#include "formats/csv_points.h"
#include "formats/file_format.h"
#include "formats/file_io.h"
#include "formats/format_readers.h"
#include "formats/ply_mesh.h"
#include "formats/shown_text.h"
#include "formats/stl_binary.h"
#include "formats/stl_mesh.h"
#include "geometry/arc_fit.h"
#include "geometry/cylinder_fit.h"
#include "geometry/form_error.h"
#include "geometry/line_fit.h"
#include "geometry/plane_fit.h"
#include "geometry/sphere_fit.h"
#include "spline/bspline_basis.h"
#include "spline/bspline_curve.h"
#include "spline/inverse_bspline.h"
#include "spline/single_spline.h"
#include "surface/mesh.h"
#include "surface/surface_mesh.h"
#include "surface/surface_points.h"
#include "surface/plane_extraction.h"

namespace py = pybind11;

namespace tengun::python {

namespace {

static_assert(sizeof(Vec3) == 3 * sizeof(double) && alignof(Vec3) == alignof(double),
              "a row of an N x 3 float64 array is a Vec3");

/// The points of an N x 3 array-like, read in place when they are C-ordered float64.
class Points {
public:
    explicit Points(const py::handle& object)
    {
        py::array any = py::array::ensure(object);
        if (!any) {
            throw py::type_error("points must be an N x 3 array-like of numbers");
        }
        const char kind = any.dtype().kind();
        if (kind != 'f' && kind != 'i' && kind != 'u') {
            throw py::type_error("points must hold numbers (float64, float32 or integers), got "
                                 "dtype " +
                                 std::string(py::str(any.dtype())));
        }
        if (any.ndim() != 2 || any.shape(1) != 3) {
            std::string shape = "(";
            for (py::ssize_t k = 0; k < any.ndim(); ++k) {
                shape += (k > 0 ? ", " : "") + std::to_string(any.shape(k));
            }
            throw py::value_error("points must be an N x 3 array, got shape " + shape +
                                  (any.ndim() == 1 ? ",)" : ")"));
        }
        // The one conversion: float32, integers, Fortran order or strided views become a
        // C-ordered float64 copy; a C-ordered float64 array is used as it is.
        array_ = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(any);
        if (!array_) {
            throw py::type_error("points cannot be converted to float64");
        }
        const auto n = static_cast<std::size_t>(array_.shape(0));
        const auto* data = reinterpret_cast<const Vec3*>(array_.data());
        span_ = std::span<const Vec3>(data, n);
        for (const double x : std::span<const double>(array_.data(), 3 * n)) {
            if (!std::isfinite(x)) {
                throw py::value_error("points must be finite (a NaN or an infinity was found)");
            }
        }
    }
    [[nodiscard]] std::span<const Vec3> span() const { return span_; }
    [[nodiscard]] std::size_t size() const { return span_.size(); }

private:
    py::array_t<double, py::array::c_style | py::array::forcecast> array_;
    std::span<const Vec3> span_;
};

/// An N x 3 float64 array that takes over `points` without copying them.
py::array_t<double> points_array(std::vector<Vec3>&& points)
{
    auto* owned = new std::vector<Vec3>(std::move(points));
    py::capsule free_when_done(owned, [](void* p) { delete static_cast<std::vector<Vec3>*>(p); });
    const auto n = static_cast<py::ssize_t>(owned->size());
    return py::array_t<double>(
        {n, py::ssize_t{3}},
        {static_cast<py::ssize_t>(sizeof(Vec3)), static_cast<py::ssize_t>(sizeof(double))},
        reinterpret_cast<const double*>(owned->data()), free_when_done);
}

/// M x 3 zero-based corner indices from the mesh's 1-based point numbers.
py::array_t<std::int64_t> triangles_array(const std::vector<int>& a, const std::vector<int>& b,
                                          const std::vector<int>& c)
{
    py::array_t<std::int64_t> out({static_cast<py::ssize_t>(a.size()), py::ssize_t{3}});
    auto t = out.mutable_unchecked<2>();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto r = static_cast<py::ssize_t>(i);
        t(r, 0) = a[i] - 1;
        t(r, 1) = b[i] - 1;
        t(r, 2) = c[i] - 1;
    }
    return out;
}

/// Triangles given as M x 3 zero-based indices into `count` points, as 1-based point numbers.
void read_triangles(const py::handle& object, std::size_t count, std::vector<int>& a,
                    std::vector<int>& b, std::vector<int>& c)
{
    const auto tri =
        py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(object);
    if (!tri || tri.ndim() != 2 || tri.shape(1) != 3) {
        throw py::value_error("triangles must be an M x 3 array of point indices");
    }
    const auto t = tri.unchecked<2>();
    for (py::ssize_t i = 0; i < t.shape(0); ++i) {
        for (int k = 0; k < 3; ++k) {
            if (t(i, k) < 0 || static_cast<std::size_t>(t(i, k)) >= count) {
                throw py::value_error("triangle " + std::to_string(i) + " has a corner " +
                                      std::to_string(t(i, k)) + " outside 0.." +
                                      std::to_string(count == 0 ? 0 : count - 1));
            }
        }
        a.push_back(static_cast<int>(t(i, 0)) + 1);
        b.push_back(static_cast<int>(t(i, 1)) + 1);
        c.push_back(static_cast<int>(t(i, 2)) + 1);
    }
}

py::tuple vec(const Vec3& v)
{
    return py::make_tuple(v[0], v[1], v[2]);
}

py::tuple mat(const Mat3& m)
{
    return py::make_tuple(vec(m[0]), vec(m[1]), vec(m[2]));
}

/// Raised with (english, japanese, line, field, offset, errno); the package turns it into
/// ReadError (also an OSError with errno when the system refused the file).
struct ReadFailure {
    std::string english;
    std::string japanese;
    std::size_t line = 0;
    std::size_t field = 0;
    long long offset = -1;
    int system_error = 0;
};

/// Raised with (errno, english, japanese); the package turns it into OSError with the path.
struct WriteFailure {
    int system_error = 0;
    std::string english;
    std::string japanese;
};

/// The reason in English for a file the system refused.
std::string system_english(int error_number)
{
    switch (error_number) {
    case ENOENT:
        return "the file does not exist";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EISDIR:
        return "it is a folder";
    case ELOOP:
        return "a symbolic link loop (following the links never reaches a file)";
    default:
        return std::strerror(error_number);
    }
}

[[noreturn]] void fail_read(const std::string& path, const ReadError& error)
{
    std::string where;
    if (error.line > 0) {
        where = " at line " + std::to_string(error.line);
        if (error.field > 0) {
            where += ", value " + std::to_string(error.field);
        }
    } else if (error.offset) {
        where = " at byte " + std::to_string(*error.offset);
    }
    // The file-level reasons in English; a reader's reasons about the contents stay Japanese.
    static const std::pair<const char*, const char*> known[] = {
        {"ファイルの読み込み中にエラーが発生しました", "an error occurred while reading"},
        {"名前付きパイプ（FIFO）です", "it is a FIFO, not a regular file"},
        {"デバイスファイルです", "it is a device, not a regular file"},
        {"ソケットです", "it is a socket, not a regular file"},
        {"通常のファイルではありません", "it is not a regular file"},
        {"UTF-", "its text encoding (UTF-16 or UTF-32) does not decode"},
    };
    std::string why = "its contents are not valid for its format";
    if (error.system_error != 0) {
        why = system_english(error.system_error);
    } else {
        for (const auto& [ja, en] : known) {
            if (error.reason.starts_with(ja)) {
                why = en;
            }
        }
    }
    const std::string shown = shown_text(path, 200);
    throw ReadFailure{"cannot read '" + shown + "'" + where + ": " + why,
                      load_error_message(shown, error), error.line, error.field,
                      error.offset ? static_cast<long long>(*error.offset) : -1,
                      error.system_error};
}

std::string lower_extension(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string e = path.substr(dot + 1);
    for (char& ch : e) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return e;
}

/// The file read as Tengun's "開く（形式を自動判別）" reads it: format by content, then its reader.
/// A row without three numbers (CSV, XYZ) is skipped with a note when `skip_short_rows` says so,
/// refused otherwise.
LoadedMesh load_file(const std::string& path, bool skip_short_rows)
{
    FileBytes file;
    ReadError error;
    if (open_file_bytes(path, file, error) == Status::error) {
        fail_read(path, error);
    }
    const std::string_view bytes = file.bytes();
    const FileFormat format = detect_file_format(bytes, bytes.size(), path);
    LoadedMesh out;
    const ShortRowQuestion skip = [skip_short_rows](std::size_t) { return skip_short_rows; };
    if (read_format(format, bytes, path, out, error, file.releaser(), skip) == Status::error) {
        fail_read(path, error);
    }
    return out;
}

/// `path` comes as bytes (os.fsencode), so that any name the system allows is opened as it is.
py::tuple read_py(const std::string& path, bool skip_short_rows)
{
    LoadedMesh loaded;
    {
        py::gil_scoped_release free;
        loaded = load_file(path, skip_short_rows);
    }
    auto tri = triangles_array(loaded.tri_a, loaded.tri_b, loaded.tri_c);
    return py::make_tuple(points_array(std::move(loaded.points.xyz)), tri, loaded.notes);
}

void write_py(const std::string& path, const py::handle& points, const py::handle& triangles,
              bool binary, bool full_precision)
{
    const Points p(points);
    std::vector<int> a, b, c;
    if (!triangles.is_none()) {
        read_triangles(triangles, p.size(), a, b, c);
    }
    const std::string ext = lower_extension(path);
    std::string bytes;
    if (ext == "stl") {
        if (a.empty()) {
            throw py::value_error("an STL file needs triangles");
        }
        if (binary) {
            if (single_precision_loss(p.span(), a, b, c).out_of_range) {
                throw py::value_error(
                    "a coordinate lies beyond single precision: write binary=False");
            }
            bytes = write_binary_stl(p.span(), a, b, c);
        } else {
            bytes = write_stl_mesh(p.span(), a, b, c);
        }
    } else if (ext == "ply") {
        bytes = write_ply_mesh(p.span(), a, b, c,
                               binary ? PlyEncoding::binary_little_endian : PlyEncoding::ascii);
    } else if (ext == "csv" || ext == "xyz" || ext == "txt") {
        bytes = write_csv_points(p.span(), full_precision ? NumberPrecision::full
                                                          : NumberPrecision::standard);
    } else {
        throw py::value_error("cannot write '" + shown_text(path, 200) +
                              "': the name must end in .csv, .xyz, "
                              ".txt, .stl or .ply");
    }
    std::string reason;
    int system_error = 0;
    Status status = Status::ok;
    {
        py::gil_scoped_release free;
        status = write_whole_file(path, bytes, reason, system_error);
    }
    if (status == Status::error) {
        const std::string shown = shown_text(path, 200);
        throw WriteFailure{system_error,
                           "cannot write '" + shown + "': " +
                               (system_error != 0 ? system_english(system_error)
                                                  : std::string("it is not a regular file")),
                           "ファイル「" + shown + "」を作成できませんでした。" + reason};
    }
}

py::dict zone_dict(const FormZone& z)
{
    static const char* const kinds[] = {"none",      "flatness",   "straightness",
                                        "roundness", "sphericity", "cylindricity"};
    py::dict d;
    d["kind"] = kinds[static_cast<int>(z.kind)];
    d["width"] = z.width;
    d["direction"] = vec(z.direction);
    d["point"] = vec(z.point);
    d["lower"] = z.lower;
    d["upper"] = z.upper;
    d["defining_points"] = z.defining_points;
    return d;
}

/// The form errors of a fit in `out`; none (Python None) when they cannot be had.
void add_form_errors(py::dict& out, Status status, const FormErrors& e)
{
    if (status == Status::error) {
        out["form_error"] = py::none();
        out["form_error_min_zone"] = py::none();
        out["min_zone"] = py::none();
        out["least_squares_is_minimal"] = py::none();
        return;
    }
    out["form_error"] = e.least_squares.width;
    out["form_error_min_zone"] = e.minimum_zone.width;
    out["min_zone"] = zone_dict(e.minimum_zone);
    out["least_squares_is_minimal"] = e.least_squares_is_minimal;
}

[[noreturn]] void fail_fit(int kind, std::size_t n, const char* english)
{
    throw py::value_error(std::string(english) + " (" + std::to_string(n) + " points)\n" +
                          fit_failure_message(kind, n));
}

/// The form errors of a fit that ran.
struct FitRun {
    FormErrors errors;
    Status form = Status::error;
};

/// Runs `fit` and, when it succeeds, `form` (the form errors into the given FormErrors) without
/// the GIL, so that threads fit in parallel; a failed fit raises ValueError with the English
/// reason and the program's message.
template <class Fit, class Form>
FitRun run_fit(const Points& p, int kind, const char* english, Fit fit, Form form)
{
    FitRun run;
    Status status = Status::ok;
    {
        py::gil_scoped_release free;
        status = fit();
        if (status == Status::ok) {
            run.form = form(run.errors);
        }
    }
    if (status == Status::error) {
        fail_fit(kind, p.size(), english);
    }
    return run;
}

/// The fields every fit result ends with: the deviation, the point count, the form errors.
py::dict& finish_fit(py::dict& out, double sd, const Points& p, const FitRun& run)
{
    out["sigma"] = sd;
    out["count"] = p.size();
    add_form_errors(out, run.form, run.errors);
    return out;
}

py::dict fit_plane_py(const py::handle& points)
{
    const Points p(points);
    Vec3 n{}, foot{};
    Mat3 frame{};
    double d = 0.0, sd = 0.0;
    const FitRun run = run_fit(
        p, analysis_kinds::plane,
        "no plane: at least three distinct points not on one line are needed",
        [&] { return plane_analysis(p.span(), n, d, foot, frame, sd); },
        [&](FormErrors& e) { return flatness(p.span(), n, d, e); });
    py::dict out;
    out["normal"] = vec(n);
    out["offset"] = d;
    out["foot"] = vec(foot);
    out["frame"] = mat(frame);
    return finish_fit(out, sd, p, run);
}

py::dict fit_sphere_py(const py::handle& points)
{
    const Points p(points);
    Vec3 c{};
    double r = 0.0, sd = 0.0;
    const FitRun run = run_fit(
        p, analysis_kinds::sphere, "no sphere: the points lie in one plane or the centre runs off",
        [&] { return fit_sphere(p.span(), 3, c, r, sd); },
        [&](FormErrors& e) { return sphericity(p.span(), c, e); });
    py::dict out;
    out["centre"] = vec(c);
    out["radius"] = r;
    return finish_fit(out, sd, p, run);
}

py::dict fit_arc_py(const py::handle& points)
{
    const Points p(points);
    Vec3 n{}, foot{}, c{};
    Mat3 frame{};
    double d = 0.0, r = 0.0, sd = 0.0;
    const FitRun run = run_fit(
        p, analysis_kinds::arc, "no arc: the points fix no plane, or no circle in it",
        [&] { return fit_arc(p.span(), n, d, foot, c, frame, r, sd); },
        [&](FormErrors& e) { return roundness(p.span(), frame, c, e); });
    py::dict out;
    out["normal"] = vec(n);
    out["offset"] = d;
    out["foot"] = vec(foot);
    out["frame"] = mat(frame);
    out["centre"] = vec(c);
    out["radius"] = r;
    return finish_fit(out, sd, p, run);
}

py::dict fit_cylinder_py(const py::handle& points)
{
    const Points p(points);
    Vec3 axis{}, c{};
    Mat3 frame{};
    double r = 0.0, sd = 0.0;
    const FitRun run = run_fit(
        p, analysis_kinds::cylinder,
        "no cylinder: the points lie in one plane, or seen along the axis on one line",
        [&] { return fit_cylinder(p.span(), axis, c, frame, r, sd); },
        [&](FormErrors& e) { return cylindricity(p.span(), axis, c, e); });
    py::dict out;
    out["axis"] = vec(axis);
    out["centre"] = vec(c);
    out["frame"] = mat(frame);
    out["radius"] = r;
    return finish_fit(out, sd, p, run);
}

py::dict fit_line_py(const py::handle& points)
{
    const Points p(points);
    Vec3 u{}, point{};
    Mat3 frame{};
    double alpha = 0.0, beta = 0.0, sd = 0.0;
    const FitRun run = run_fit(
        p, analysis_kinds::line, "no line: there are no points",
        [&] { return fit_line(p.span(), u, point, frame, alpha, beta, sd); },
        [&](FormErrors& e) { return straightness(p.span(), u, point, e); });
    py::dict out;
    out["direction"] = vec(u);
    out["point"] = vec(point);
    out["frame"] = mat(frame);
    return finish_fit(out, sd, p, run);
}

Vec3 vec_of(const py::handle& h)
{
    const auto t = h.cast<std::vector<double>>();
    if (t.size() != 3) {
        throw py::value_error("a vector needs three components");
    }
    return {t[0], t[1], t[2]};
}

Mat3 mat_of(const py::handle& h)
{
    const auto rows = h.cast<std::vector<py::object>>();
    if (rows.size() != 3) {
        throw py::value_error("a frame needs three rows");
    }
    return {vec_of(rows[0]), vec_of(rows[1]), vec_of(rows[2])};
}

/// The stored shape of a fit result as the residual routines take it.
FittedShape shape_of(const py::dict& r)
{
    FittedShape s;
    const auto get = [&r](const char* key) -> py::object {
        if (r.contains(key)) {
            return r[key];
        }
        return py::none();
    };
    if (!get("normal").is_none()) {
        s.normal = vec_of(get("normal"));
        s.offset = get("offset").cast<double>();
    }
    if (!get("centre").is_none()) {
        s.centre = vec_of(get("centre"));
    }
    if (!get("radius").is_none()) {
        s.radius = get("radius").cast<double>();
    }
    if (!get("point").is_none()) {
        s.line_point = vec_of(get("point"));
    }
    if (!get("frame").is_none()) {
        s.frame = mat_of(get("frame"));
    }
    s.sd = get("sigma").cast<double>();
    return s;
}

py::array_t<double> residuals_py(int kind, const py::dict& result, const py::handle& points)
{
    const Points p(points);
    const FittedShape shape = shape_of(result);
    py::array_t<double> out(static_cast<py::ssize_t>(p.size()));
    double* r = out.mutable_data();
    {
        py::gil_scoped_release free;
        for (std::size_t i = 0; i < p.size(); ++i) {
            r[i] = fit_residual(kind, p.span()[i], shape);
        }
    }
    return out;
}

py::array_t<bool> mark_outliers_py(int kind, const py::dict& result, const py::handle& points,
                                   const std::string& mode)
{
    const Points p(points);
    const FittedShape shape = shape_of(result);
    std::vector<double> marks(p.size(), 0.0);
    if (mode == "worst") {
        mark_worst_point(kind, p.span(), marks, shape);
    } else if (mode == "sigma") {
        mark_beyond_deviation(kind, p.span(), marks, shape);
    } else {
        throw py::value_error("mode must be 'worst' or 'sigma', got '" + mode + "'");
    }
    py::array_t<bool> out(static_cast<py::ssize_t>(p.size()));
    bool* o = out.mutable_data();
    for (std::size_t i = 0; i < marks.size(); ++i) {
        o[i] = marks[i] == 0.0; // shown: the outlier
    }
    return out;
}

py::array_t<double> controls_array(const ControlPoints& c)
{
    std::vector<Vec3> rows(c.x.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {c.x[i], c.y[i], c.z[i]};
    }
    return points_array(std::move(rows));
}

py::array_t<double> acceleration_array(const AccelerationSamples& a)
{
    std::vector<Vec3> rows(a.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {a.x[i], a.y[i], a.z[i]};
    }
    return points_array(std::move(rows));
}

std::size_t checked_divisions(int divisions)
{
    if (divisions < 1 || divisions > 1000000) {
        throw py::value_error("divisions must be a whole number from 1 to 1000000");
    }
    return static_cast<std::size_t>(divisions);
}

/// B-spline (inverse = false: the points are the control polygon) or inverse B-spline (the
/// curve passes through the points): control points, the curve sampled `divisions` times per
/// interval, and the acceleration samples.
py::dict bspline_py(const py::handle& points, bool closed, int divisions, bool inverse)
{
    const Points p(points);
    const std::size_t div = checked_divisions(divisions);
    const std::size_t needed = inverse ? (closed ? 3 : 2) : bspline_min_points(closed);
    if (p.size() < needed) {
        throw py::value_error("a " + std::string(closed ? "closed" : "open") +
                              " curve needs at "
                              "least " +
                              std::to_string(needed) + " points, got " + std::to_string(p.size()));
    }
    ControlPoints c;
    std::vector<Vec3> curve;
    AccelerationSamples acc;
    Status status = Status::ok;
    {
        py::gil_scoped_release free;
        if (inverse) {
            status =
                closed ? inverse_bspline_closed(p.span(), c) : inverse_bspline_open(p.span(), c);
        } else {
            status = bspline_curve_points(p.span(), closed, c);
        }
        if (status == Status::ok) {
            const std::size_t segments = bspline_segment_count(p.size(), closed);
            curve = sample_bspline_curve(c.polygon(), segments, div, closed);
            acc = bspline_acceleration_samples(p.size(), c.polygon(), closed);
        }
    }
    if (status == Status::error) {
        throw py::value_error("the curve's equations have no solution for these points");
    }
    py::dict out;
    out["control_points"] = controls_array(c);
    out["curve"] = points_array(std::move(curve));
    out["acceleration"] = acceleration_array(acc);
    out["closed"] = closed;
    return out;
}

py::dict single_spline_py(const py::handle& points, int degree, int divisions)
{
    const Points p(points);
    const std::size_t div = checked_divisions(divisions);
    if (degree < 0) {
        throw py::value_error("degree must be 0 or more");
    }
    SingleSpline s;
    std::vector<Vec3> curve;
    AccelerationSamples acc;
    Status status = Status::ok;
    {
        py::gil_scoped_release free;
        status = fit_single_spline(static_cast<std::size_t>(degree) + 1, p.span(), s);
        if (status == Status::ok) {
            curve = sample_single_spline(s.x, s.y, s.z, div * (p.size() - 1));
            acc = single_spline_acceleration_samples(s.x, s.y, s.z);
        }
    }
    if (status == Status::error) {
        throw py::value_error("no spline of degree " + std::to_string(degree) + " through " +
                              std::to_string(p.size()) +
                              " points: the degree must be below the point count");
    }
    std::vector<Vec3> coefficients(s.x.size());
    for (std::size_t k = 0; k < coefficients.size(); ++k) {
        coefficients[k] = {s.x[k], s.y[k], s.z[k]};
    }
    py::dict out;
    out["coefficients"] = points_array(std::move(coefficients));
    out["middle"] = vec(s.middle);
    out["tangent"] = vec(s.tangent);
    out["curve"] = points_array(std::move(curve));
    out["acceleration"] = acceleration_array(acc);
    out["line_deviation"] = s.line_deviation;
    return out;
}

py::array_t<double> thin_py(const py::handle& points, double angle)
{
    const Points p(points);
    PointCloud thinned;
    {
        py::gil_scoped_release free;
        thinned = thin_by_direction(p.span(), angle);
    }
    return points_array(std::move(thinned.xyz));
}

py::dict mesh_py(const py::handle& points)
{
    const Points p(points);
    if (p.size() < 3) {
        throw py::value_error("a mesh needs at least three points");
    }
    SurfaceMesh mesh;
    std::string reason;
    Status status = Status::ok;
    {
        py::gil_scoped_release free;
        status = mesh_surface(p.span(), mesh, reason);
    }
    if (status == Status::error) {
        throw py::value_error("the points cannot be meshed: " + reason);
    }
    py::dict out;
    out["triangles"] = triangles_array(mesh.a, mesh.b, mesh.c);
    out["covered"] = mesh.reached;
    out["boundary_edges"] = mesh.summary.boundary_edges;
    out["boundary_loops"] = mesh.summary.boundary_loops;
    out["merged"] = mesh.merged;
    return out;
}

py::dict extract_planes_py(const py::handle& points)
{
    const Points p(points);
    if (p.size() < 3) {
        throw py::value_error("plane extraction needs at least three points");
    }
    SurfacePoints prepared;
    std::string reason;
    std::vector<double> labels;
    std::vector<int> a, b, c;
    std::vector<double> tags;
    int count = 0;
    Status status = Status::ok;
    {
        py::gil_scoped_release free;
        status = prepare_surface_points(p.span(), prepared, reason);
        if (status == Status::ok) {
            std::vector<double> distinct(prepared.xyz.size(), 0.0);
            count = extract_planes(prepared.xyz, distinct, a, b, c, tags);
            labels = labels_of_cloud(prepared, distinct);
            corners_of_cloud(prepared, a);
            corners_of_cloud(prepared, b);
            corners_of_cloud(prepared, c);
        }
    }
    if (status == Status::error) {
        throw py::value_error("planes cannot be extracted from the points: " + reason);
    }
    py::array_t<std::int64_t> plane(static_cast<py::ssize_t>(labels.size()));
    std::int64_t* l = plane.mutable_data();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        l[i] = static_cast<std::int64_t>(labels[i]);
    }
    py::dict out;
    out["labels"] = plane;
    out["triangles"] = triangles_array(a, b, c);
    out["plane_count"] = count;
    out["merged"] = prepared.merged;
    return out;
}

} // namespace

} // namespace tengun::python

PYBIND11_MODULE(_tengun, m)
{
    using namespace tengun::python;
    m.doc() = "Native routines of the tengun package; use the tengun package instead.";
    static py::exception<ReadFailure> read_failure(m, "ReadFailure");
    static py::exception<WriteFailure> write_failure(m, "WriteFailure");
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) {
                std::rethrow_exception(p);
            }
        } catch (const ReadFailure& e) {
            py::object args = py::make_tuple(e.english, e.japanese, e.line, e.field, e.offset,
                                             e.system_error);
            PyErr_SetObject(read_failure.ptr(), args.ptr());
        } catch (const WriteFailure& e) {
            py::object args = py::make_tuple(e.system_error, e.english, e.japanese);
            PyErr_SetObject(write_failure.ptr(), args.ptr());
        }
    });
    m.def("read", &read_py, py::arg("path"), py::arg("skip_short_rows"));
    m.def("write", &write_py, py::arg("path"), py::arg("points"), py::arg("triangles"),
          py::arg("binary"), py::arg("full_precision"));
    m.def("fit_plane", &fit_plane_py);
    m.def("fit_sphere", &fit_sphere_py);
    m.def("fit_arc", &fit_arc_py);
    m.def("fit_cylinder", &fit_cylinder_py);
    m.def("fit_line", &fit_line_py);
    m.def("residuals", &residuals_py);
    m.def("mark_outliers", &mark_outliers_py);
    m.def("bspline", &bspline_py);
    m.def("single_spline", &single_spline_py);
    m.def("thin_by_direction", &thin_py);
    m.def("mesh", &mesh_py);
    m.def("extract_planes", &extract_planes_py);
}
