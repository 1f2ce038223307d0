#pragma once

#include <cmath>
#include <cstdint>

// An unsigned 128-bit integer from two 64-bit words, with the few exact operations that the
// tempo map needs. Every compiler and target we build for has it, 32-bit Windows included
// (which has no built-in 128-bit type), so the renderer times events identically everywhere.
// Sums and products wrap modulo 2^128 like unsigned built-in types.
class Uint128 {
public:
    constexpr Uint128() = default;
    constexpr Uint128(uint64_t value) : low(value) {}  // NOLINT: converts like a built-in type
    constexpr Uint128(uint64_t highWord, uint64_t lowWord) : high(highWord), low(lowWord) {}

    constexpr uint64_t highWord() const { return high; }
    constexpr uint64_t lowWord() const { return low; }

    friend constexpr Uint128 operator+(Uint128 a, Uint128 b) {
        const uint64_t sum = a.low + b.low;
        return Uint128(a.high + b.high + (sum < a.low ? 1u : 0u), sum);
    }

    // 128 x 64 bits, from four 32 x 32 -> 64-bit products of the low word.
    friend constexpr Uint128 operator*(Uint128 a, uint64_t b) {
        const uint64_t a0 = a.low & 0xFFFFFFFFu, a1 = a.low >> 32;
        const uint64_t b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
        const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
        const uint64_t lowWord = (p00 & 0xFFFFFFFFu) | (middle << 32);
        const uint64_t highWord = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32) + a.high * b;
        return Uint128(highWord, lowWord);
    }

    // Truncating division by a non-zero 64-bit divisor: restoring long division, one quotient
    // bit at a time from the top.
    friend constexpr Uint128 operator/(Uint128 a, uint64_t divisor) {
        uint64_t quotient[2] = {0, 0};  // high, low
        uint64_t rest = 0;
        for (int bit = 127; bit >= 0; --bit) {
            const bool carry = (rest >> 63) != 0;
            const uint64_t word = bit >= 64 ? a.high : a.low;
            rest = (rest << 1) | ((word >> (bit & 63)) & 1u);
            if (carry || rest >= divisor) {
                rest -= divisor;
                quotient[bit >= 64 ? 0 : 1] |= uint64_t{1} << (bit & 63);
            }
        }
        return Uint128(quotient[0], quotient[1]);
    }

    friend constexpr bool operator<(Uint128 a, Uint128 b) {
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    }
    friend constexpr bool operator==(Uint128 a, Uint128 b) {
        return a.high == b.high && a.low == b.low;
    }

    // Rounded to nearest like the built-in conversion: the top 64 significant bits, with every
    // bit shifted out kept as a sticky lowest bit, are rounded once to 53 bits.
    explicit operator double() const {
        if (high == 0) {
            return static_cast<double>(low);
        }
        int shift = 0;  // 1..64: how far the value moves right to fit one word
        while (shift < 64 && (high >> shift) != 0) {
            ++shift;
        }
        uint64_t top = 0;
        uint64_t lost = 0;
        if (shift == 64) {
            top = high;
            lost = low;
        } else {
            top = (high << (64 - shift)) | (low >> shift);
            lost = low & ((uint64_t{1} << shift) - 1);
        }
        return std::ldexp(static_cast<double>(top | (lost != 0 ? 1u : 0u)), shift);
    }
    // The low 64 bits, as a built-in conversion keeps them.
    explicit operator int64_t() const { return static_cast<int64_t>(low); }

private:
    uint64_t high = 0;
    uint64_t low = 0;
};
