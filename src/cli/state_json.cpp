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
    StateValue{"point_count", point_count},
    StateValue{"base_point_count", form_value<&FormState::base_point_count>},
    StateValue{"points", points},
    StateValue{"labels", labels},
    StateValue{"point_mark", labels},
    StateValue{"selection", selection},
    StateValue{"selection_count", selection_count},
    // view
    StateValue{"view_matrix", form_value<&FormState::view_matrix>},
    StateValue{"rotation_centre", form_value<&FormState::rotation_centre>},
    StateValue{"view_extent", form_value<&FormState::view_extent>},
    StateValue{"view_scale", form_value<&FormState::view_scale>},
    StateValue{"last_mouse_x", form_value<&FormState::last_mouse_x>},
    StateValue{"last_mouse_y", form_value<&FormState::last_mouse_y>},
    // selectors
    StateValue{"analysis_kind", form_value<&FormState::analysis_kind>},
    StateValue{"loop_closed", form_value<&FormState::loop_closed>},
    StateValue{"marker_mode", form_value<&FormState::marker_mode>},
    StateValue{"surface_display", form_value<&FormState::surface_display>},
    StateValue{"timer_enabled", form_value<&FormState::timer_enabled>},
    StateValue{"deviation_display", form_value<&FormState::deviation_display>},
    // results of the analyses
    StateValue{"axis_vector", form_value<&FormState::axis_vector>},
    StateValue{"plane_offset", form_value<&FormState::plane_offset>},
    StateValue{"plane_foot", form_value<&FormState::plane_foot>},
    StateValue{"fit_rotation", form_value<&FormState::fit_rotation>},
    StateValue{"radius", form_value<&FormState::radius>},
    StateValue{"std_deviation", form_value<&FormState::std_deviation>},
    StateValue{"centre", form_value<&FormState::centre>},
    StateValue{"line_alpha", form_value<&FormState::line_alpha>},
    StateValue{"line_beta", form_value<&FormState::line_beta>},
    StateValue{"line_point", form_value<&FormState::line_point>},
    StateValue{"poly_x", form_value<&FormState::poly_x>},
    StateValue{"poly_y", form_value<&FormState::poly_y>},
    StateValue{"poly_z", form_value<&FormState::poly_z>},
    StateValue{"control_x", form_value<&FormState::control_x>},
    StateValue{"control_y", form_value<&FormState::control_y>},
    StateValue{"control_z", form_value<&FormState::control_z>},
    StateValue{"form_error", form_error},
    StateValue{"form_error_min_zone", form_error_min_zone},
    StateValue{"min_zone_reference", min_zone_reference},
    // mesh, planes, boundaries, playback
    StateValue{"tri_a", form_value<&FormState::tri_a>},
    StateValue{"tri_b", form_value<&FormState::tri_b>},
    StateValue{"tri_c", form_value<&FormState::tri_c>},
    StateValue{"tri_tag", form_value<&FormState::tri_tag>},
    StateValue{"triangle_count", triangle_count},
    StateValue{"plane_count", form_value<&FormState::plane_count>},
    StateValue{"uu", form_value<&FormState::uu>},
    StateValue{"LL", form_value<&FormState::LL>},
    StateValue{"segment_start", segment_start},
    StateValue{"segment_end", segment_end},
    StateValue{"segment_count", segment_count},
    StateValue{"playback_index", form_value<&FormState::playback_index>},
    // program-wide values
    StateValue{"selected_file_name", program_value<&ProgramWide::selected_file_name>},
    StateValue{"file_kind", program_value<&ProgramWide::file_kind>},
    StateValue{"dialog_cancelled", program_value<&ProgramWide::dialog_cancelled>},
    StateValue{"spline_degree", program_value<&ProgramWide::spline_degree>},
    StateValue{"division_count", program_value<&ProgramWide::division_count>},
    StateValue{"thinning_angle", program_value<&ProgramWide::thinning_angle>},
    StateValue{"chosen_option", program_value<&ProgramWide::chosen_option>},
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
