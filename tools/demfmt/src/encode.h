// Dump lines -> binary message bytes (the compiler of one message line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "outbuf.h"
#include "protocol.h"

namespace demfmt {

// True when the N-1 chars at s equal the literal w; all N-1 must be readable.
// Compares in a few overlapping word loads instead of a char loop.
template <std::size_t N>
[[gnu::always_inline]] inline bool same_chars(const char* s, const char (&w)[N]) {
    constexpr std::size_t n = N - 1;
    static_assert(n <= 24);
    if constexpr (n == 0) {
        return true;
    } else if constexpr (n == 1) {
        return s[0] == w[0];
    } else if constexpr (n < 4) {
        std::uint16_t a, b;
        std::memcpy(&a, s, 2);
        std::memcpy(&b, w, 2);
        return a == b && s[n - 1] == w[n - 1];
    } else if constexpr (n < 8) {
        std::uint32_t a0, a1, b0, b1;
        std::memcpy(&a0, s, 4);
        std::memcpy(&a1, s + n - 4, 4);
        std::memcpy(&b0, w, 4);
        std::memcpy(&b1, w + n - 4, 4);
        return ((a0 ^ b0) | (a1 ^ b1)) == 0;
    } else {
        std::uint64_t a0, a1, am = 0, b0, b1, bm = 0;
        std::memcpy(&a0, s, 8);
        std::memcpy(&a1, s + n - 8, 8);
        std::memcpy(&b0, w, 8);
        std::memcpy(&b1, w + n - 8, 8);
        if constexpr (n > 16) {
            std::memcpy(&am, s + 8, 8);
            std::memcpy(&bm, w + 8, 8);
        }
        return ((a0 ^ b0) | (a1 ^ b1) | (am ^ bm)) == 0;
    }
}

// Message keywords. `camera` is the compiler's own line, not a message.
enum class Kw : std::uint8_t {
    unknown, camera, nop, disconnect, killedmonster, foundsecret, intermission, sellscreen, bf,
    updatestat, version, setview, sound, time, servertime, print, stufftext, centerprint,
    finale, cutscene, skybox, setangle, serverinfo, precache_model, precache_sound,
    lightstyle, updatename, updatefrags, clientdata, stopsound, updatecolors, particle,
    damage, spawnstatic, spawnbaseline, spawnstatic2, spawnbaseline2, tempentity, setpause,
    signonnum, spawnstaticsound, spawnstaticsound2, cdtrack, fog, entity, raw,
};
struct KwMatch {
    Kw kw;
    std::size_t len;  // chars of the leading word (letters, digits, '_'), also when unknown
};
// The keyword that a message line starts with.
KwMatch match_keyword(std::string_view line);

// Hex digit values; 16 for every other char.
struct HexDigits {
    unsigned char v[256] = {};
    constexpr HexDigits() {
        for (int c = 0; c < 256; ++c) v[c] = 16;
        for (int c = 0; c < 10; ++c) v['0' + c] = static_cast<unsigned char>(c);
        for (int c = 0; c < 6; ++c) {
            v['a' + c] = static_cast<unsigned char>(10 + c);
            v['A' + c] = static_cast<unsigned char>(10 + c);
        }
    }
    unsigned operator[](unsigned char c) const { return v[c]; }
};
inline constexpr HexDigits kHexDigit;

// Tokens of one line, separated by blanks or tabs. The char at `e` must be
// readable and end every token (the line's ';' or the '"' that starts its
// string): the fast scanners stop on it instead of checking bounds.
struct Toks {
    const char* p;
    const char* e;
    std::string_view next() {
        while (p < e && (*p == ' ' || *p == '\t')) ++p;
        const char* s = p;
        while (p < e && *p != ' ' && *p != '\t') ++p;
        return {s, static_cast<std::size_t>(p - s)};
    }
    bool done() {
        while (p < e && (*p == ' ' || *p == '\t')) ++p;
        return p >= e;
    }
    [[gnu::always_inline]] static bool ends_token(const char* q, const char* e) { return q == e || *q == ' ' || *q == '\t'; }
    // Consumes the token if it equals k (k: letters and digits only).
    template <std::size_t N>
    [[gnu::always_inline]] bool key(const char (&k)[N]) {
        constexpr std::ptrdiff_t n = N - 1;
        const char* q = p;
        while (*q == ' ') ++q;  // stops at the sentinel
        if (e - q < n || !same_chars(q, k) || !ends_token(q + n, e)) return false;
        p = q + n;
        return true;
    }
    // Fast plain decimal "-?D+(.D*)?" token: value = mant / 10^frac. False
    // (nothing consumed) for anything else.
    [[gnu::always_inline]] bool fixed(std::int64_t& mant, int& frac) {
        const char* q = p;
        while (*q == ' ') ++q;
        bool neg = *q == '-';
        q += neg;
        const char* start = q;
        std::uint64_t m = 0;  // unsigned: long inputs wrap harmlessly, the digit count rejects them
        unsigned d;
        while ((d = static_cast<unsigned>(*q - '0')) <= 9) {
            m = m * 10 + d;
            ++q;
        }
        int fd = 0;
        const bool dot = *q == '.';
        if (dot) {
            const char* f = ++q;
            while ((d = static_cast<unsigned>(*q - '0')) <= 9) {
                m = m * 10 + d;
                ++q;
            }
            fd = static_cast<int>(q - f);
        }
        std::ptrdiff_t digits = q - start - (dot ? 1 : 0);
        if (digits <= 0 || digits > 15 || !ends_token(q, e)) return false;
        p = q;
        mant = neg ? -static_cast<std::int64_t>(m) : static_cast<std::int64_t>(m);
        frac = fd;
        return true;
    }
    // Fast decimal or 0x-hex integer token; false (nothing consumed) for
    // anything else.
    [[gnu::always_inline]] bool integer(std::int64_t& v) {
        const char* q = p;
        while (*q == ' ') ++q;
        bool neg = *q == '-';
        q += neg;
        const char* start = q;
        std::uint64_t x = 0;  // unsigned: long inputs wrap harmlessly, the digit count rejects them
        if (q[0] == '0' && q[1] == 'x' && !neg) {
            q += 2;
            start = q;
            unsigned d;
            while ((d = kHexDigit[static_cast<unsigned char>(*q)]) < 16) {
                x = x * 16 + d;
                ++q;
            }
            if (q - start > 8) return false;
        } else {
            unsigned d;
            while ((d = static_cast<unsigned>(*q - '0')) <= 9) {
                x = x * 10 + d;
                ++q;
            }
            if (q - start > 12) return false;
        }
        if (q == start || !ends_token(q, e)) return false;
        p = q;
        v = neg ? -static_cast<std::int64_t>(x) : static_cast<std::int64_t>(x);
        return true;
    }
};

class LineError {
public:
    std::string what;
};

// Encodes one message line (the keyword already split off). `str` is the
// unescaped string of a line that ends in "TEXT"; (empty otherwise).
// Throws LineError.
class MessageEncoder {
public:
    MessageEncoder(OutBuf& out, Proto& proto) : out_(out), proto_(proto) { sync_proto(); }

    // Returns false when the keyword is unknown (or the camera line).
    bool encode(Kw kw, Toks& t, const std::string* str);
    // Serverinfo precache lists pending after a serverinfo line.
    bool serverinfo_open() const { return si_open_; }
    void close_serverinfo();

    [[noreturn]] static void fail(std::string msg) { throw LineError{std::move(msg)}; }

private:
    static constexpr std::size_t kLineBytes = 256;  // bound of one message without strings/raw
    [[gnu::always_inline]] std::int64_t ival(Toks& t, std::int64_t lo, std::int64_t hi, const char* what) {
        std::int64_t v;
        const char* save = t.p;
        if (t.integer(v) && v >= lo && v <= hi) return v;
        t.p = save;
        return ival_slow(t, lo, hi, what);
    }
    template <std::size_t N>
    [[gnu::always_inline]] void expect(Toks& t, const char (&key)[N]) {
        if (!t.key(key)) expect_slow(t, std::string_view(key, N - 1));
    }
    template <std::size_t N>
    [[gnu::always_inline]] std::int64_t kv(Toks& t, const char (&key)[N], std::int64_t lo, std::int64_t hi) {
        expect(t, key);
        return ival(t, lo, hi, key);
    }
    std::int64_t ival_slow(Toks& t, std::int64_t lo, std::int64_t hi, const char* what);
    void expect_slow(Toks& t, std::string_view key);
    void b8(std::uint32_t v) { *w_++ = static_cast<char>(v & 0xff); }
    void b32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w_[i] = static_cast<char>((v >> (8 * i)) & 0xff);
        w_ += 4;
    }
    void coord(Toks& t);
    void angle(Toks& t);
    // Every form but the plain decimals that coord and angle read themselves.
    [[gnu::noinline]] void coord_slow(Toks& t);
    [[gnu::noinline]] void angle_slow(Toks& t);
    void coords3(Toks& t) { coord(t); coord(t); coord(t); }
    void u8(std::int64_t v) { *w_++ = static_cast<char>(v & 0xff); }
    void u16(std::int64_t v) {
        w_[0] = static_cast<char>(v & 0xff);
        w_[1] = static_cast<char>((v >> 8) & 0xff);
        w_ += 2;
    }
    void str(const std::string* s);
    [[gnu::always_inline]] inline void entity(Toks& t, std::uint32_t bits);
    void clientdata(Toks& t);
    void sound(Toks& t);
    void baseline(Toks& t, bool v2);
    void tempentity(Toks& t);

    OutBuf& out_;
    Proto& proto_;
    void sync_proto() {
        coord_kind_ = proto_.coord();
        angle_kind_ = proto_.angle();
    }
    CoordKind coord_kind_ = CoordKind::Short8;
    AngleKind angle_kind_ = AngleKind::Byte;
    char* w_ = nullptr;
    bool si_open_ = false;
    int si_list_ = 0;
};

}  // namespace demfmt
