#include "app/history.h"

#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

namespace tengun {

namespace {

// ---- comparing and sizing the members of a part

template <class T> struct is_std_array : std::false_type {
};
template <class T, std::size_t N> struct is_std_array<std::array<T, N>> : std::true_type {
};

/// Types whose objects are their bytes with no padding: compared with memcmp, so that an
/// unchanged NaN counts as unchanged (and -0 against +0 as a change).
template <class T> constexpr bool plain_bits()
{
    if constexpr (std::is_arithmetic_v<T>) {
        return true;
    } else if constexpr (is_std_array<T>::value) {
        return plain_bits<typename T::value_type>();
    } else {
        return false;
    }
}

template <class T> bool same_value(const T& a, const T& b);

template <class T> bool same_value(const std::vector<T>& a, const std::vector<T>& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    if constexpr (plain_bits<T>()) {
        return a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
    } else {
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (!same_value(a[i], b[i])) {
                return false;
            }
        }
        return true;
    }
}

template <class T> bool same_value(const T& a, const T& b)
{
    if constexpr (plain_bits<T>()) {
        return std::memcmp(&a, &b, sizeof(T)) == 0;
    } else if constexpr (std::is_same_v<T, Segment>) {
        return same_value(a.colour, b.colour) && same_value(a.start, b.start) &&
               same_value(a.end, b.end);
    } else {
        return a == b;
    }
}

template <class T> std::size_t value_bytes(const T& /*value*/)
{
    return 0; // counted in sizeof(FormState)
}

template <class T> std::size_t value_bytes(const std::vector<T>& v)
{
    return v.size() * sizeof(T);
}

/// Map node, key and text of one field, roughly as the standard library allocates them.
std::size_t field_bytes(const std::string& key, const std::string& text)
{
    constexpr std::size_t node = 48;
    return node + 2 * sizeof(std::string) + key.size() + text.size();
}

// ---- the parts of a state a step stores on their own

/// A part: some members of FormState and some of its field texts. `move` takes them from one
/// state into another and leaves their default values behind (an empty text for a field).
struct Part {
    bool view; ///< a change here alone does not make a step
    void (*move)(FormState& from, FormState& to);
    bool (*same)(const FormState& a, const FormState& b);
    std::size_t (*bytes)(const FormState& s);
};

template <auto... Members> struct MemberList {
    static void move(FormState& from, FormState& to)
    {
        ((to.*Members = std::exchange(from.*Members, {})), ...);
    }
    static bool same(const FormState& a, const FormState& b)
    {
        return (same_value(a.*Members, b.*Members) && ...);
    }
    static std::size_t bytes(const FormState& s) { return (value_bytes(s.*Members) + ... + 0); }
};

/// Field texts of a part: the view angles, the rotation centre and the plane angles that
/// draw_view writes from the view.
constexpr std::array<const char*, 6> camera_fields{"Text8(0)", "Text8(1)", "Text8(2)",
                                                   "Text9(0)", "Text9(1)", "Text9(2)"};
constexpr std::array<const char*, 2> display_fields{"Text4(0)", "Text4(1)"};

template <const auto& Names> struct FieldList {
    static void move(FormState& from, FormState& to)
    {
        for (const char* name : Names) {
            const auto it = from.fields.find(name);
            if (it == from.fields.end()) {
                to.fields.erase(name);
            } else {
                to.fields[name] = std::exchange(it->second, std::string());
            }
        }
    }
    static bool same(const FormState& a, const FormState& b)
    {
        for (const char* name : Names) {
            const auto x = a.fields.find(name);
            const auto y = b.fields.find(name);
            const bool in_a = x != a.fields.end();
            if (in_a != (y != b.fields.end()) || (in_a && x->second != y->second)) {
                return false;
            }
        }
        return true;
    }
    static std::size_t bytes(const FormState& /*s*/) { return 0; } // counted with the fields
};

template <class A, class B> struct Both {
    static void move(FormState& from, FormState& to)
    {
        A::move(from, to);
        B::move(from, to);
    }
    static bool same(const FormState& a, const FormState& b)
    {
        return A::same(a, b) && B::same(a, b);
    }
    static std::size_t bytes(const FormState& s) { return A::bytes(s) + B::bytes(s); }
};

struct Coordinates {
    static void move(FormState& from, FormState& to)
    {
        to.points.xyz = std::exchange(from.points.xyz, {});
    }
    static bool same(const FormState& a, const FormState& b)
    {
        return same_value(a.points.xyz, b.points.xyz);
    }
    static std::size_t bytes(const FormState& s) { return value_bytes(s.points.xyz); }
};

struct Labels {
    static void move(FormState& from, FormState& to)
    {
        to.points.label = std::exchange(from.points.label, {});
    }
    static bool same(const FormState& a, const FormState& b)
    {
        return same_value(a.points.label, b.points.label);
    }
    static std::size_t bytes(const FormState& s) { return value_bytes(s.points.label); }
};

using Triangles = MemberList<&FormState::tri_a, &FormState::tri_b, &FormState::tri_c>;
using TriangleTags = MemberList<&FormState::tri_tag>;
using Curves = MemberList<&FormState::poly_x, &FormState::poly_y, &FormState::poly_z,
                          &FormState::control_x, &FormState::control_y, &FormState::control_z>;
using Planes = MemberList<&FormState::uu, &FormState::LL>;
using Segments = MemberList<&FormState::segments>;
using Results = MemberList<&FormState::axis_vector, &FormState::plane_offset,
                           &FormState::plane_foot, &FormState::fit_rotation, &FormState::radius,
                           &FormState::std_deviation, &FormState::centre, &FormState::line_alpha,
                           &FormState::line_beta, &FormState::line_point>;
using Camera =
    Both<MemberList<&FormState::view_matrix, &FormState::rotation_centre, &FormState::view_extent,
                    &FormState::view_scale, &FormState::last_mouse_x, &FormState::last_mouse_y,
                    &FormState::wheel_zooms>,
         FieldList<camera_fields>>;
using Display = Both<MemberList<&FormState::marker_mode, &FormState::surface_display,
                                &FormState::timer_enabled, &FormState::playback_index,
                                &FormState::deviation_display>,
                     FieldList<display_fields>>;
using Selection = MemberList<&FormState::selection>;

template <class P> constexpr Part part(bool view)
{
    return {view, &P::move, &P::same, &P::bytes};
}

constexpr std::array parts{
    part<Coordinates>(false),  part<Labels>(false),  part<Triangles>(false),
    part<TriangleTags>(false), part<Curves>(false),  part<Planes>(false),
    part<Segments>(false),     part<Results>(false), part<Camera>(true),
    part<Display>(true),       part<Selection>(false),
};
static_assert(parts.size() <= sizeof(unsigned) * 8, "one bit per part");

constexpr unsigned bit(std::size_t p)
{
    return 1U << p;
}

std::size_t fields_bytes(const FormState& s)
{
    std::size_t n = 0;
    for (const auto& [key, text] : s.fields) {
        n += field_bytes(key, text);
    }
    return n;
}

/// The fixed members, the field texts and the stored parts.
std::size_t stored_bytes(const FormState& s, unsigned stored)
{
    std::size_t n = sizeof(FormState) + fields_bytes(s);
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if ((stored & bit(p)) != 0) {
            n += parts[p].bytes(s);
        }
    }
    return n;
}

constexpr unsigned all_parts = (1U << parts.size()) - 1U;

} // namespace

std::size_t snapshot_bytes(const FormState& state)
{
    return stored_bytes(state, all_parts);
}

namespace {

/// Bit p set when part p differs between the states.
unsigned changed_parts(const FormState& a, const FormState& b)
{
    unsigned changed = 0;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (!parts[p].same(a, b)) {
            changed |= bit(p);
        }
    }
    return changed;
}

unsigned beyond_view(unsigned changed)
{
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (parts[p].view) {
            changed &= ~bit(p);
        }
    }
    return changed;
}

/// Everything outside the parts: take the parts out of both, compare, put them back.
bool rest_differs(FormState& a, FormState& b)
{
    FormState held_a;
    FormState held_b;
    for (const Part& p : parts) {
        p.move(a, held_a);
        p.move(b, held_b);
    }
    const bool differ = !(a == b);
    for (const Part& p : parts) {
        p.move(held_a, a);
        p.move(held_b, b);
    }
    return differ;
}

}  // namespace

bool differs_beyond_view(FormState& a, FormState& b)
{
    return beyond_view(changed_parts(a, b)) != 0 || rest_differs(a, b);
}

bool History::record(std::string title, FormState&& before, FormState& after)
{
    const unsigned changed = changed_parts(before, after);
    if (beyond_view(changed) == 0 && !rest_differs(before, after)) {
        return false;
    }
    Step step{std::move(title), std::move(before), changed, 0};
    FormState dropped;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if ((changed & bit(p)) == 0) {
            parts[p].move(step.other, dropped);  // the form keeps this part as it is
        }
    }
    step.bytes = stored_bytes(step.other, step.stored);
    redo_.clear();
    bytes_ = 0;
    for (const Step& s : undo_) {
        bytes_ += s.bytes;
    }
    bytes_ += step.bytes;
    undo_.push_back(std::move(step));
    while (undo_.size() > limits_.max_steps || bytes_ > limits_.max_bytes) {
        if (undo_.size() == 1) {
            clear();
            return false;
        }
        drop_front(undo_);
    }
    return true;
}

void History::swap_in(Step& step, FormState& state)
{
    const std::size_t old_bytes = step.bytes;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if ((step.stored & bit(p)) == 0) {
            parts[p].move(state, step.other); // fill the gap with what the form has now
        }
    }
    std::swap(state, step.other);
    // The parts moved over above came back into `state`; in the step they are empty again.
    step.bytes = stored_bytes(step.other, step.stored);
    bytes_ = bytes_ - old_bytes + step.bytes;
}

bool History::undo(FormState& state)
{
    if (undo_.empty()) {
        return false;
    }
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    swap_in(redo_.back(), state);
    trim_bytes(false);
    return true;
}

bool History::redo(FormState& state)
{
    if (redo_.empty()) {
        return false;
    }
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    swap_in(undo_.back(), state);
    trim_bytes(true);
    return true;
}

void History::trim_bytes(bool keep_undo_back)
{
    while (bytes_ > limits_.max_bytes) {
        if (undo_.size() > (keep_undo_back ? 1U : 0U)) {
            drop_front(undo_);
        } else if (redo_.size() > (keep_undo_back ? 0U : 1U)) {
            drop_front(redo_);
        } else {
            clear(); // the step just moved alone is over the bound (an undone large load)
        }
    }
}

void History::drop_front(std::deque<Step>& steps)
{
    bytes_ -= steps.front().bytes;
    steps.pop_front();
}

std::string History::undo_title() const
{
    return undo_.empty() ? std::string() : undo_.back().title;
}

std::string History::redo_title() const
{
    return redo_.empty() ? std::string() : redo_.back().title;
}

void History::clear()
{
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
}

} // namespace tengun
