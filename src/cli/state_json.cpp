#include "cli/state_json.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace tengun::cli {

namespace {

void put(JsonWriter& out, double x)
{
    out.number(x);
}
void put(JsonWriter& out, float x)
{
    out.number(static_cast<double>(x));
}
void put(JsonWriter& out, int n)
{
    out.integer(n);
}
void put(JsonWriter& out, std::size_t n)
{
    out.integer(static_cast<long long>(n));
}
void put(JsonWriter& out, bool b)
{
    out.boolean(b);
}
void put(JsonWriter& out, const std::string& s)
{
    out.string(s);
}

// Vec3 and Mat3 (rows) are std::arrays.
template <typename T, std::size_t N> void put(JsonWriter& out, const std::array<T, N>& values)
{
    out.begin_array();
    for (const T& v : values) {
        put(out, v);
    }
    out.end_array();
}

template <typename T> void put(JsonWriter& out, const std::vector<T>& values)
{
    out.begin_array();
    for (const T& v : values) {
        put(out, v);
    }
    out.end_array();
}

template <auto member>
void form_value(JsonWriter& out, const ProgramWide& /*program*/, const FormState& state)
{
    put(out, state.*member);
}

template <auto member>
void program_value(JsonWriter& out, const ProgramWide& program, const FormState& /*state*/)
{
    put(out, program.*member);
}

void point_count(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    put(out, s.point_count());
}
void points(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    put(out, s.points.xyz);
}
void labels(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    put(out, s.points.label);
}
/// The selected points by their numbers (1-based), in order.
void selection(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    out.begin_array();
    if (s.selection.size() == s.point_count()) {
        for (std::size_t i = 0; i < s.selection.size(); ++i) {
            if (s.selection[i] != 0) {
                put(out, i + 1);
            }
        }
    }
    out.end_array();
}
void selection_count(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    put(out, s.selection_count());
}
void triangle_count(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    put(out, s.triangle_count());
}
void segment_count(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    put(out, s.segment_count());
}

/// Each segment as [colour, x, y, z] of its start.
void segment_start(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    out.begin_array();
    for (const Segment& seg : s.segments) {
        put(out, std::array<double, 4>{seg.colour, seg.start[0], seg.start[1], seg.start[2]});
    }
    out.end_array();
}

void segment_end(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    out.begin_array();
    for (const Segment& seg : s.segments) {
        put(out, seg.end);
    }
    out.end_array();
}

const char* form_kind_name(FormKind kind)
{
    switch (kind) {
    case FormKind::flatness:
        return "flatness";
    case FormKind::straightness:
        return "straightness";
    case FormKind::roundness:
        return "roundness";
    case FormKind::sphericity:
        return "sphericity";
    case FormKind::cylindricity:
        return "cylindricity";
    case FormKind::none:
        break;
    }
    return "none";
}

/// The width of a zone, null while the form holds none.
void zone_width(JsonWriter& out, const FormZone& zone)
{
    if (zone.kind == FormKind::none) {
        out.null();
    } else {
        out.number(zone.width);
    }
}

void form_error(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    zone_width(out, s.form_errors.least_squares);
}

void form_error_min_zone(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    zone_width(out, s.form_errors.minimum_zone);
}

/// The minimum-zone feature in the words of its kind, its width and defining points, whether
/// the least-squares feature is already minimal and whether the zone is proven the thinnest;
/// null while the form holds none.
void min_zone_reference(JsonWriter& out, const ProgramWide&, const FormState& s)
{
    const FormZone& z = s.form_errors.minimum_zone;
    if (z.kind == FormKind::none) {
        out.null();
        return;
    }
    const auto field = [&out](const char* name, const auto& value) {
        out.key(name);
        put(out, value);
    };
    out.begin_object();
    field("kind", std::string(form_kind_name(z.kind)));
    field("width", z.width);
    switch (z.kind) {
    case FormKind::flatness:
        field("normal", z.direction);
        field("offset_lower", z.lower);
        field("offset_upper", z.upper);
        break;
    case FormKind::straightness:
        field("axis", z.direction);
        field("point", z.point);
        field("radius", z.upper);
        break;
    case FormKind::roundness:
        field("centre", z.point);
        field("normal", z.direction);
        field("radius_inner", z.lower);
        field("radius_outer", z.upper);
        break;
    case FormKind::sphericity:
        field("centre", z.point);
        field("radius_inner", z.lower);
        field("radius_outer", z.upper);
        break;
    case FormKind::cylindricity:
        field("axis", z.direction);
        field("point", z.point);
        field("radius_inner", z.lower);
        field("radius_outer", z.upper);
        break;
    case FormKind::none:
        break;
    }
    field("defining_points", z.defining_points);
    field("least_squares_is_minimal", s.form_errors.least_squares_is_minimal);
    field("exact", s.form_errors.minimum_zone_exact);
    out.end_object();
}

constexpr std::array values = {
    // point store
    StateValue{"point_count", point_count, "number of points in the cloud"},
    StateValue{"base_point_count", form_value<&FormState::base_point_count>,
               "leading points of the last plain load or save (a merge adds after them)"},
    StateValue{"points", points, "the cloud, [x, y, z] per point, in the file's length unit"},
    StateValue{"labels", labels,
               "per-point label; meaning set by the last command: 0 shown/1 hidden (residual "
               "displays), 1 reached/0 free (mesh), plane number/0 none/-1 discarded (planes)"},
    StateValue{"point_mark", labels, "the same as labels"},
    StateValue{"selection", selection, "selected point numbers (1-based)"},
    StateValue{"selection_count", selection_count, "number of selected points"},
    // view
    StateValue{"view_matrix", form_value<&FormState::view_matrix>,
               "3x3 view rotation, rows = screen right, up, toward the viewer"},
    StateValue{"rotation_centre", form_value<&FormState::rotation_centre>,
               "point the view turns about, length unit"},
    StateValue{"view_extent", form_value<&FormState::view_extent>,
               "length of the drawn axes, length unit"},
    StateValue{"view_scale", form_value<&FormState::view_scale>,
               "drawing scale, millimetres on screen per length unit (0 before the first load)"},
    StateValue{"last_mouse_x", form_value<&FormState::last_mouse_x>,
               "last mouse x in the view, millimetres"},
    StateValue{"last_mouse_y", form_value<&FormState::last_mouse_y>,
               "last mouse y in the view, millimetres"},
    // selectors
    StateValue{"analysis_kind", form_value<&FormState::analysis_kind>,
               "selected analysis: 0 none, 1 plane, 2 sphere, 3 arc, 4 cylinder, 5 line, 6 single "
               "spline, 7 B-spline, 8 inverse B-spline"},
    StateValue{"loop_closed", form_value<&FormState::loop_closed>, "1 when the B-spline is closed"},
    StateValue{"marker_mode", form_value<&FormState::marker_mode>,
               "point display: 0 large circles, 1 single pixels"},
    StateValue{
        "surface_display", form_value<&FormState::surface_display>,
        "surface display: 0 points only, 1 mesh, 2 mesh and boundary segments, 3 mesh replay"},
    StateValue{"timer_enabled", form_value<&FormState::timer_enabled>,
               "true while the mesh replay runs"},
    StateValue{"deviation_display", form_value<&FormState::deviation_display>,
               "true while points are coloured by their deviation"},
    // results of the analyses
    StateValue{"axis_vector", form_value<&FormState::axis_vector>,
               "unit normal (plane, arc) or unit axis (cylinder, line) of the last fit"},
    StateValue{"plane_offset", form_value<&FormState::plane_offset>,
               "plane: d in n.p = d, length unit"},
    StateValue{"plane_foot", form_value<&FormState::plane_foot>,
               "foot of the perpendicular from the origin to the plane, length unit"},
    StateValue{"fit_rotation", form_value<&FormState::fit_rotation>,
               "3x3 rotation into the fitted feature's frame"},
    StateValue{"radius", form_value<&FormState::radius>,
               "fitted radius (sphere, arc, cylinder), length unit"},
    StateValue{"std_deviation", form_value<&FormState::std_deviation>,
               "RMS orthogonal distance of the points from the fitted feature, length unit"},
    StateValue{"centre", form_value<&FormState::centre>,
               "fitted centre (sphere, arc) or a point on the cylinder's axis, length unit"},
    StateValue{"line_alpha", form_value<&FormState::line_alpha>,
               "line direction angle about X, radians"},
    StateValue{"line_beta", form_value<&FormState::line_beta>,
               "line direction angle about the new Y, radians"},
    StateValue{"line_point", form_value<&FormState::line_point>,
               "a point on the fitted line (the centroid), length unit"},
    StateValue{"poly_x", form_value<&FormState::poly_x>,
               "single spline: coefficients of x(t), t^0 first"},
    StateValue{"poly_y", form_value<&FormState::poly_y>,
               "single spline: coefficients of y(t), t^0 first"},
    StateValue{"poly_z", form_value<&FormState::poly_z>,
               "single spline: coefficients of z(t), t^0 first"},
    StateValue{"control_x", form_value<&FormState::control_x>,
               "B-spline control points, x coordinates"},
    StateValue{"control_y", form_value<&FormState::control_y>,
               "B-spline control points, y coordinates"},
    StateValue{"control_z", form_value<&FormState::control_z>,
               "B-spline control points, z coordinates"},
    StateValue{"form_error", form_error,
               "least-squares form error (flatness, straightness, roundness, sphericity or "
               "cylindricity), length unit; null before a fit"},
    StateValue{"form_error_min_zone", form_error_min_zone,
               "minimum-zone form error, length unit; null before a fit"},
    StateValue{"min_zone_reference", min_zone_reference,
               "the minimum-zone feature: kind, width, normal/axis/centre and radii (length unit), "
               "defining point numbers, whether the least-squares feature is already minimal, "
               "whether the zone is exact"},
    // mesh, planes, boundaries, playback
    StateValue{"tri_a", form_value<&FormState::tri_a>,
               "first corner (point number) of each triangle"},
    StateValue{"tri_b", form_value<&FormState::tri_b>,
               "second corner (point number) of each triangle"},
    StateValue{"tri_c", form_value<&FormState::tri_c>,
               "third corner (point number) of each triangle"},
    StateValue{"tri_tag", form_value<&FormState::tri_tag>,
               "palette colour index of each triangle's edges"},
    StateValue{"triangle_count", triangle_count, "number of triangles"},
    StateValue{"mesh_boundary_edges", form_value<&FormState::mesh_boundary_edges>,
               "edges of one triangle in the last 点群面張り (0 for a closed surface)"},
    StateValue{"mesh_boundary_loops", form_value<&FormState::mesh_boundary_loops>,
               "loops those edges form: holes and outer borders"},
    StateValue{"merged_points", form_value<&FormState::merged_points>,
               "points the last 点群面張り or 多平面抽出 took as one with an earlier point at the "
               "same place"},
    StateValue{"plane_count", form_value<&FormState::plane_count>, "number of extracted planes"},
    StateValue{"uu", form_value<&FormState::uu>, "unit normal of each extracted plane"},
    StateValue{"LL", form_value<&FormState::LL>,
               "offset of each extracted plane (n.p = offset), length unit"},
    StateValue{"segment_start", segment_start,
               "each boundary segment as [colour, x, y, z] of its start"},
    StateValue{"segment_end", segment_end, "each boundary segment's end [x, y, z]"},
    StateValue{"segment_count", segment_count, "number of boundary segments"},
    StateValue{"playback_index", form_value<&FormState::playback_index>,
               "triangles drawn so far by the mesh replay"},
    // program-wide values
    StateValue{"selected_file_name", program_value<&ProgramWide::selected_file_name>,
               "file name given to the last file dialog"},
    StateValue{"file_kind", program_value<&ProgramWide::file_kind>,
               "last file dialog's filter: 1 csv, 2 pix, 3 bmp, 4 igs, 5 stl, 6 ply, 7 any known "
               "format, 8 results"},
    StateValue{"dialog_cancelled", program_value<&ProgramWide::dialog_cancelled>,
               "true when the last dialog was cancelled"},
    StateValue{"spline_degree", program_value<&ProgramWide::spline_degree>,
               "degree of the single spline"},
    StateValue{"division_count", program_value<&ProgramWide::division_count>,
               "drawn pieces per point interval of a spline"},
    StateValue{"thinning_angle", program_value<&ProgramWide::thinning_angle>,
               "thinning angle, degrees"},
    StateValue{"chosen_option", program_value<&ProgramWide::chosen_option>,
               "index of the option last chosen in a choice dialog (0 first)"},
};

}  // namespace

std::span<const StateValue> state_values()
{
    return values;
}

const StateValue* find_state_value(std::string_view name)
{
    const auto it = std::find_if(values.begin(), values.end(),
                                 [name](const StateValue& v) { return v.name == name; });
    return it == values.end() ? nullptr : &*it;
}

}  // namespace tengun::cli
