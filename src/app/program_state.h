#pragma once
// All data of a run: the program-wide values shared by every main form and the dialogs, and the
// state of one main form. Plain values without Qt: a FormState can be copied as a snapshot.
//
// Index conventions: point numbers, triangle numbers and segment numbers as the algorithms and
// the user count them are 1-based; the containers are 0-based, so point i is points.xyz[i - 1]
// and triangle t is tri_a[t - 1]. The corner numbers stored in tri_a/tri_b/tri_c are point
// numbers (1-based). Control-point arrays start at index 0 in the algorithms too: no shift.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "geometry/form_error.h"
#include "geometry/numeric_core.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// File chooser filters: 1 "*.csv", 2 "*.pix", 3 "*.bmp", 4 "*.igs", 5 "*.stl", 6 "*.ply",
/// 7 the patterns of every format that opening by content knows, 8 "*.txt *.json *.csv" (result
/// files); else "*.*".
namespace file_kinds {
inline constexpr int csv = 1;
inline constexpr int pix = 2;
inline constexpr int bmp = 3;
inline constexpr int igs = 4;
inline constexpr int stl = 5;
inline constexpr int ply = 6;
inline constexpr int all_formats = 7;
inline constexpr int results = 8;
}  // namespace file_kinds

/// Values shared by all main forms and the three dialogs for the whole run.
struct ProgramWide {
    std::string selected_file_name;  ///< the chooser's name field on OK; cleared by its cancel
    int file_kind = 0;               ///< pattern of the file chooser, see file_kinds
    bool dialog_cancelled = true;    ///< true from a dialog's opening until its OK
    double spline_degree = 3.0;      ///< degree of the single spline
    double division_count = 0.0;     ///< drawn pieces per point interval; 0 until confirmed
    double thinning_angle = 0.0;     ///< degrees; 0 until the thinning dialog is confirmed
    int chosen_option = 0;           ///< index of the option last confirmed in a choice dialog
    /// The title of the command a main form is running on its worker thread; empty when none.
    /// The window runs one such command at a time: another one started meanwhile, in any form,
    /// is refused with a message.
    std::string background_command;
};

/// What `analysis_kind` selects: the overlay drawn and the worker the recompute commands run.
namespace analysis_kinds {
inline constexpr int none = 0;
inline constexpr int plane = 1;
inline constexpr int sphere = 2;
inline constexpr int arc = 3;
inline constexpr int cylinder = 4;
inline constexpr int line = 5;
inline constexpr int single_spline = 6;
inline constexpr int bspline = 7;
inline constexpr int inverse_bspline = 8;
}  // namespace analysis_kinds

namespace surface_modes {
inline constexpr int points_only = 0;
inline constexpr int mesh = 1;
inline constexpr int mesh_and_segments = 2;
inline constexpr int playback = 3;
}  // namespace surface_modes

struct Segment {
    double colour = 0.0;  ///< palette index of the segment
    Vec3 start{};
    Vec3 end{};
    friend bool operator==(const Segment&, const Segment&) = default;
};

/// One step of the mouse wheel, kept so that the opposite step at the same place returns to
/// exactly the view before it (moving the rotation centre there and back again would round).
struct WheelZoom {
    int direction = 0; ///< +1 zoomed in, -1 zoomed out
    double x = 0.0;    ///< cursor on Picture1 in millimetres
    double y = 0.0;
    double width = 0.0; ///< Picture1's size in millimetres then
    double height = 0.0;
    Vec3 centre_before{};
    double extent_before = 0.0;
    double scale_before = 0.0;
    Vec3 centre_after{};
    double extent_after = 0.0;
    double scale_after = 0.0;
    Mat3 view_matrix{};
    friend bool operator==(const WheelZoom&, const WheelZoom&) = default;
};

/// The state of one main form. A plain value: copying it is a snapshot, and two states compare
/// equal member by member (the history compares them to find what a command changed).
/// What fixes the view: the view matrix, the rotation centre, the extent and the scale.
struct ViewSetting {
    Mat3 matrix{};
    Vec3 centre{};
    double extent = 0.0;
    double scale = 0.0;
    friend bool operator==(const ViewSetting&, const ViewSetting&) = default;
};

/// The state of one main form.
struct FormState {
    // ---- point store
    PointCloud points;
    std::size_t base_point_count = 0;  ///< leading points of the last plain load or save
    [[nodiscard]] std::size_t point_count() const { return points.size(); }

    // ---- view
    Mat3 view_matrix{};
    Vec3 rotation_centre{};
    double view_extent = 1.0;  ///< model length of the drawn axes
    double view_scale = 0.0;   ///< millimetres per model unit; 0 until the first load
    float last_mouse_x = 0.0F;
    float last_mouse_y = 0.0F;
    std::vector<WheelZoom> wheel_zooms; ///< the wheel steps since the view last changed otherwise
    /// The view as the last load left it: while it is unchanged, commands that delete points fit
    /// the view to what is left, as a load does; once the user has changed it, they keep it.
    ViewSetting view_at_load{};
    [[nodiscard]] ViewSetting view_setting() const
    {
        return {view_matrix, rotation_centre, view_extent, view_scale};
    }

    // ---- selectors
    int analysis_kind = analysis_kinds::none;
    int loop_closed = 0;
    int marker_mode = 0;  ///< 0 big circles joined by lines, 1 single pixels
    int surface_display = surface_modes::points_only;
    bool timer_enabled = false;  ///< Timer1, the playback timer
    /// "偏差カラー表示": points in the colours of their deviation from the last fit (drawn only
    /// after a plane, sphere, arc, cylinder or line fit). The point display modes and a load
    /// switch it off.
    bool deviation_display = false;

    // ---- selection: points the user has drawn a rectangle or polygon around on the view
    /// Empty when nothing is selected, otherwise one flag per point (1 selected), in step with
    /// the cloud: a load clears it, commands that delete points keep the flags of the points
    /// they keep.
    std::vector<std::uint8_t> selection;
    /// The number of selected points.
    [[nodiscard]] std::size_t selection_count() const;

    // ---- results of the analyses
    /// The kind whose results the values below hold: set by a fit or spline that succeeded,
    /// 0 before any. A fit that fails selects its kind but leaves this as it was.
    int fitted_kind = analysis_kinds::none;
    Vec3 axis_vector{};
    double plane_offset = 0.0;
    Vec3 plane_foot{};
    Mat3 fit_rotation{};
    double radius = 0.0;
    double std_deviation = 0.0;
    Vec3 centre{};
    double line_alpha = 0.0;
    double line_beta = 0.0;
    Vec3 line_point{};
    std::vector<double> poly_x, poly_y, poly_z;           ///< coefficient k of t^k at index k
    std::vector<double> control_x, control_y, control_z;  ///< control points from index 0

    // ---- form errors of the last plane, line, arc, sphere or cylinder fit: the zone about the
    // fitted feature and the minimum zone (kind FormKind::none after a load, before the first
    // fit, after a spline, mesh or plane extraction, and when the fit's points fix no zone)
    FormErrors form_errors;

    // ---- mesh: triangle t (1-based) has corners tri_a[t-1], tri_b[t-1], tri_c[t-1]
    std::vector<int> tri_a, tri_b, tri_c;
    std::vector<double> tri_tag;  ///< palette index of each triangle's edges
    [[nodiscard]] std::size_t triangle_count() const { return tri_a.size(); }
    // ---- what the last 点群面張り made: edges of one triangle and the loops they form (holes and
    // outer borders); points that the last surface command took as one with an earlier point
    int mesh_boundary_edges = 0;
    int mesh_boundary_loops = 0;
    int merged_points = 0;

    // ---- planes and boundaries
    int plane_count = 0;
    std::vector<Vec3> uu;   ///< unit normal of each extracted plane (plane p at uu[p-1])
    std::vector<double> LL; ///< offset of each extracted plane
    std::vector<Segment> segments;
    [[nodiscard]] std::size_t segment_count() const { return segments.size(); }

    int playback_index = 0;

    /// Texts of the result fields and labels by control name ("Text1(0)", "Label5", ...).
    std::map<std::string, std::string> fields = initial_fields();

    /// The design texts of every field and label of the main form.
    static std::map<std::string, std::string> initial_fields();

    friend bool operator==(const FormState&, const FormState&) = default;
};

}  // namespace tengun
