#include "geometry/exact_sum.h"

#include <bit>
#include <cmath>
#include <limits>

namespace tengun {

namespace {

/// x = mantissa * 2^exponent with an integer mantissa of at most 53 bits; false for an infinity
/// or a NaN.
bool decompose(double x, std::int64_t& mantissa, int& exponent)
{
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const auto biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0x7ff) {
        return false;
    }
    auto m = static_cast<std::int64_t>(bits & ((std::uint64_t{1} << 52) - 1));
    if (biased == 0) {
        exponent = -1074; // subnormal
    } else {
        m |= std::int64_t{1} << 52;
        exponent = biased - 1075;
    }
    mantissa = (bits >> 63) != 0 ? -m : m;
    return true;
}

} // namespace

void two_product(double a, double b, double& hi, double& lo)
{
    constexpr double splitter = 134217729.0; // 2^27 + 1
    hi = a * b;
    const double ca = splitter * a;
    const double a_high = ca - (ca - a);
    const double a_low = a - a_high;
    const double cb = splitter * b;
    const double b_high = cb - (cb - b);
    const double b_low = b - b_high;
    lo = ((a_high * b_high - hi) + a_high * b_low + a_low * b_high) + a_low * b_low;
}

void ExactSum::add_at(Int128 value, int bit)
{
    // bit counts from the bottom of chunk 0; value has at most 95 bits besides its sign.
    if (bit < 0) {
        // Below 2^-2304: only a product of two numbers far below any measurement reaches here.
        value = bit < -120 ? 0 : value >> -bit;
        bit = 0;
    }
    int i = bit / 32;
    if (i + 6 >= size) {
        finite_ = false;
        return;
    }
    value <<= bit % 32; // at most 95 + 31 bits: still inside the 127 of the type
    low_ = std::min(low_, i);
    // value = low 32 bits + 2^32 (the rest, by a floor shift): non-negative pieces and, for a
    // negative value, a last -1.
    while (value != 0 && value != -1) {
        chunk_[static_cast<std::size_t>(i)] += static_cast<std::int64_t>(value & 0xffffffff);
        value >>= 32;
        high_ = std::max(high_, i);
        ++i;
    }
    if (value == -1) {
        chunk_[static_cast<std::size_t>(i)] -= 1;
        high_ = std::max(high_, i);
    }
}

void ExactSum::carry() const
{
    if (high_ < low_) {
        return;
    }
    // Every chunk below the highest into [0, 2^32); the highest keeps the sign and is split
    // upwards only while it is large.
    for (int i = low_; i < high_; ++i) {
        std::int64_t& c = chunk_[static_cast<std::size_t>(i)];
        const std::int64_t over = c >> 32; // floor
        c -= over * (std::int64_t{1} << 32);
        chunk_[static_cast<std::size_t>(i) + 1] += over;
    }
    constexpr std::int64_t large = std::int64_t{1} << 40;
    while (high_ + 1 < size) {
        std::int64_t& c = chunk_[static_cast<std::size_t>(high_)];
        if (c < large && c > -large) {
            break;
        }
        const std::int64_t over = c >> 32;
        c -= over * (std::int64_t{1} << 32);
        chunk_[static_cast<std::size_t>(high_) + 1] += over;
        ++high_;
    }
    while (high_ > low_ && chunk_[static_cast<std::size_t>(high_)] == 0) {
        --high_;
    }
}

void ExactSum::add(double x)
{
    std::int64_t mantissa = 0;
    int exponent = 0;
    if (!decompose(x, mantissa, exponent)) {
        finite_ = false;
        return;
    }
    if (mantissa == 0 || !finite_) {
        return;
    }
    // A double's 53 bits, shifted within its chunk, span three chunks: two non-negative low
    // parts and a signed top (the same pieces add_at makes, without its loop). Every double
    // lies well inside the chunks.
    const int bit = exponent + 32 * bias;
    const int i = bit / 32;
    const Int128 v = static_cast<Int128>(mantissa) << (bit % 32);
    chunk_[static_cast<std::size_t>(i)] += static_cast<std::int64_t>(v & 0xffffffff);
    chunk_[static_cast<std::size_t>(i) + 1] += static_cast<std::int64_t>((v >> 32) & 0xffffffff);
    chunk_[static_cast<std::size_t>(i) + 2] += static_cast<std::int64_t>(v >> 64);
    low_ = std::min(low_, i);
    high_ = std::max(high_, i + 2);
    note_additions(1);
}

void ExactSum::add_product(double a, double b)
{
    double hi = 0.0;
    double lo = 0.0;
    two_product(a, b, hi, lo);
    add(hi);
    add(lo);
}

void ExactSum::add_scaled(const ExactSum& s, double f)
{
    if (!s.finite_) {
        finite_ = false;
        return;
    }
    std::int64_t mantissa = 0;
    int exponent = 0;
    if (!decompose(f, mantissa, exponent)) {
        finite_ = false;
        return;
    }
    if (mantissa == 0 || !finite_) {
        return;
    }
    s.carry();
    for (int i = s.low_; i <= s.high_; ++i) {
        const std::int64_t c = s.chunk_[static_cast<std::size_t>(i)];
        if (c != 0) {
            // A chunk of at most 41 bits with its sign (the highest stays below 2^40 after a
            // carry) times 54: within 95 bits.
            add_at(static_cast<Int128>(c) * mantissa, 32 * i + exponent);
            if (!finite_) {
                return;
            }
        }
    }
    note_additions(5 * (s.high_ - s.low_ + 1));
}

double ExactSum::rounded() const
{
    if (!finite_) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    carry();
    if (high_ < low_ || (high_ == low_ && chunk_[static_cast<std::size_t>(high_)] == 0)) {
        return 0.0;
    }
    // The magnitude in digits of 32 bits; the highest may be wider.
    const bool negative = chunk_[static_cast<std::size_t>(high_)] < 0;
    std::array<std::uint64_t, size> digit{};
    std::int64_t borrow = 0;
    for (int i = low_; i <= high_; ++i) {
        const std::int64_t c = chunk_[static_cast<std::size_t>(i)];
        std::int64_t v = (negative ? -c : c) + borrow;
        borrow = 0;
        if (v < 0 && i < high_) {
            v += std::int64_t{1} << 32;
            borrow = -1;
        }
        digit[static_cast<std::size_t>(i)] = static_cast<std::uint64_t>(v);
    }
    int top = high_;
    while (top > low_ && digit[static_cast<std::size_t>(top)] == 0) {
        --top;
    }
    // The highest digit may exceed 32 bits (the sign's chunk); three digits make at most 128.
    UInt128 v = 0;
    for (int i = top; i > top - 3; --i) {
        v = (v << 32) | (i >= 0 ? digit[static_cast<std::size_t>(i)] : 0);
    }
    bool sticky = false;
    for (int i = low_; i <= top - 3; ++i) {
        sticky = sticky || digit[static_cast<std::size_t>(i)] != 0;
    }
    if (v == 0) {
        return 0.0;
    }
    int length = 0;
    for (UInt128 w = v; w != 0; w >>= 1) {
        ++length;
    }
    int scale = 32 * (top - 2 - bias);
    if (length > 53) {
        const int shift = length - 53;
        UInt128 m = v >> shift;
        const UInt128 rest = v & ((static_cast<UInt128>(1) << shift) - 1);
        const UInt128 half = static_cast<UInt128>(1) << (shift - 1);
        if (rest > half || (rest == half && (sticky || (m & 1) != 0))) {
            ++m;
        }
        v = m;
        scale += shift;
    }
    const double magnitude = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(v)), scale);
    return negative ? -magnitude : magnitude;
}

} // namespace tengun
