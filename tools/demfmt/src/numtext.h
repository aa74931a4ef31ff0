// Number text: integers, floats with an exact bit-pattern escape, fixed-point
// coordinates and angles, and the editor's three time forms.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace demfmt {

// Writers return the position after the last written char. Callers make room
// for at least kMaxNumber chars (kMaxTime for times).
inline constexpr int kMaxNumber = 40;
inline constexpr int kMaxTime = 200;

char* write_int(char* p, std::int64_t v);
char* write_hex(char* p, std::uint32_t v, int digits);  // "0x" + digits lowercase
// Shortest text that reads back to the same bits; NaN, infinities and
// denormals as "0x" + 8 hex digits of the bit pattern.
char* write_float(char* p, float f);
char* write_double_shortest(char* p, double d);
char* write_coord8(char* p, std::int16_t raw);   // raw / 8, exact
char* write_angle8(char* p, std::uint8_t raw);   // (signed) raw * 360 / 256, exact
// Time in the editor's form: "12.500000000s", "1:15.250000000m",
// "1:2:5.500000000h" (finite values only).
char* write_time(char* p, float t);

// Parsers take the whole token; they return nullopt on malformed text.
std::optional<std::int64_t> parse_int(std::string_view s);   // decimal, or 0x hex
std::optional<float> parse_float(std::string_view s);        // decimal or 0xBITS
std::optional<double> parse_double(std::string_view s);
std::optional<float> parse_time(std::string_view s);         // s/m/h forms, plain, 0xBITS
// Fast path for plain decimals "-?D+(.D+)?": value = mant / 10^frac_digits.
// False for any other form (exponents, hex, too many digits).
bool parse_fixed(std::string_view s, std::int64_t& mant, int& frac_digits);
// Fast decimal integer "-?D{1,12}"; falls back to parse_int for other forms.
inline std::optional<std::int64_t> parse_int_fast(std::string_view s) {
    std::size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
    if (s.size() > i && s.size() - i <= 12) {
        std::int64_t v = 0;
        std::size_t k = i;
        for (; k < s.size(); ++k) {
            unsigned d = static_cast<unsigned>(s[k] - '0');
            if (d > 9) break;
            v = v * 10 + d;
        }
        if (k == s.size()) return i ? -v : v;
    }
    return parse_int(s);
}

}  // namespace demfmt
