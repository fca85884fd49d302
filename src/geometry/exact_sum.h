#pragma once
// Sums of doubles kept exactly, in fixed point wide enough for every double and every product of
// two: the sum of a set of numbers is the same whatever order they are added in, and rounds to
// the double nearest it. A sum that meets an infinity or a NaN stays "not finite".

#include <array>
#include <cstdint>

namespace tengun {

/// 128-bit integers for the products of chunks and mantissas (a GCC and Clang extension).
__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

class ExactSum {
public:
    /// Adds x exactly.
    void add(double x);
    /// Adds a * b exactly (the product is split into two doubles that add up to it).
    void add_product(double a, double b);
    /// Adds s * f exactly.
    void add_scaled(const ExactSum& s, double f);

    /// The double nearest the sum (ties to even), an infinity beyond the doubles' range, NaN
    /// when the sum is not finite.
    [[nodiscard]] double rounded() const;
    [[nodiscard]] bool finite() const { return finite_; }

private:
    // The value is the sum of chunk_[i] * 2^(32 (i - bias)). Each addition puts less than 2^32
    // into a chunk, so chunks are carried into their neighbours only now and then.
    static constexpr int size = 140;
    static constexpr int bias = 72; // chunk 0 holds 2^-2304, far below any product of doubles
    void add_at(Int128 value, int bit);
    void carry() const;
    /// Additions between carries: each puts less than 2^32 into a chunk, and chunks hold 2^63.
    static constexpr int carry_every = 1 << 28;
    void note_additions(int count)
    {
        since_carry_ += count;
        if (since_carry_ >= carry_every) {
            carry();
            since_carry_ = 0;
        }
    }

    mutable std::array<std::int64_t, size> chunk_{};
    mutable int low_ = size; // chunks outside [low_, high_] are 0
    mutable int high_ = -1;
    int since_carry_ = 0;
    bool finite_ = true;
};

/// a * b as hi + lo with hi the rounded product and lo its exact error (Dekker's splitting; no
/// fused multiply-add). Exact unless the product or a factor is near the end of the doubles' range.
void two_product(double a, double b, double& hi, double& lo);

} // namespace tengun
