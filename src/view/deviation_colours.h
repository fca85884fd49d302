#pragma once
// Deviation colours: after a plane, sphere, arc, cylinder or line fit each point can be drawn in
// the colour of its signed distance to the fitted shape (fit_residual), on a diverging scale
// symmetric about 0 and clipped at +-3 sigma: blue below (inside), red above (outside). The
// middle of the scale is a light grey rather than pure white, so that the points that sit on the
// shape stay visible on the white view. A colour bar with its values stands at the right edge.

#include <array>
#include <cmath>
#include <limits>

#include "app/program_state.h"
#include "correction/residual_marks.h"
#include "view/drawing_surface.h"

namespace tengun {

inline constexpr Rgb deviation_low = 0x3B4CC0;    // -3 sigma and below
inline constexpr Rgb deviation_middle = 0xDDDDDD; // 0
inline constexpr Rgb deviation_high = 0xB40426;   // +3 sigma and above

/// The scale of one fit: `limit` = 3 sigma is where the colours reach their ends.
class DeviationScale {
public:
    explicit DeviationScale(double sigma);
    [[nodiscard]] double limit() const { return limit_; }
    /// Colour of deviation r. t = r / limit is taken to the nearest step of 1/1024 within
    /// [-1, 1]; each channel runs linearly from the middle grey at t = 0 to the blue end at -1 and
    /// the red end at +1, rounded to the nearest level. With limit 0 (a perfect fit) any r above 0
    /// is at the red end and any below at the blue end; a deviation that is not a number is grey.
    [[nodiscard]] Rgb colour(double r) const
    {
        // Without branches: one table look-up a point, as a redraw colours every point. A limit
        // of 0 makes the inverse infinite, so 0 * inf (and a NaN) gives NaN, taken as 0.
        double t = r * inverse_;
        t = t == t ? t : 0.0;
        t = t < -1.0 ? -1.0 : t;
        t = t > 1.0 ? 1.0 : t;
        return table_[static_cast<unsigned>(static_cast<int>(t * steps + (steps + 0.5)))];
    }

private:
    static constexpr double steps = 1024.0;
    double limit_ = 0.0;
    double inverse_ = std::numeric_limits<double>::infinity();
    std::array<Rgb, 2 * 1024 + 1> table_{}; // t = -1, -1 + 1/1024, ..., 1
};

/// The fitted shape as the residuals need it, from the stored results of the last fit.
FittedShape fitted_shape(const FormState& state);

/// True when the view draws deviation colours: they were asked for and the last analysis is one
/// of the five fits.
bool shows_deviation(const FormState& state);

/// The colour bar at the right edge of the surface: the scale from +3 sigma (top) to -3 sigma
/// (bottom), ticks and values at +-3 sigma, +-sigma and 0, the title "偏差" above it and
/// "σ=" with the fit's standard deviation below it.
void draw_deviation_bar(DrawingSurface& surface, double sigma);

/// A value for the colour bar: three significant digits, a sign on positive values ("+0.0123").
std::string bar_value_text(double value);

} // namespace tengun
