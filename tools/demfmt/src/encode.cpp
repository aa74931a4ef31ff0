#include "encode.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "numtext.h"
#include "strtext.h"

namespace demfmt {

namespace {
constexpr std::int64_t kS8 = -128, kU8 = 255, kS16 = -32768, kU16 = 65535;
constexpr std::int64_t kS32 = -2147483648ll, kU32 = 4294967295ll;

std::string quoted(std::string_view s) { return "'" + std::string(s.substr(0, 40)) + "'"; }
}  // namespace

std::int64_t MessageEncoder::ival_slow(Toks& t, std::int64_t lo, std::int64_t hi, const char* what) {
    std::string_view s = t.next();
    auto v = parse_int_fast(s);
    if (!v) fail(s.empty() ? std::string("missing ") + what : std::string("bad ") + what + " " + quoted(s));
    if (*v < lo || *v > hi)
        fail(std::string(what) + " " + quoted(s) + " out of range " + std::to_string(lo) + ".." +
             std::to_string(hi));
    return *v;
}

void MessageEncoder::expect_slow(Toks& t, std::string_view key) {
    std::string_view s = t.next();
    if (s != key) fail("expected '" + std::string(key) + "' but found " + quoted(s));
}


void MessageEncoder::coord(Toks& t) {
    if (coord_kind_ == CoordKind::Short8) {
        std::int64_t m;
        int fd;
        const char* save = t.p;
        if (t.fixed(m, fd) && fd <= 3) {
            std::int64_t x = m * 8, r;
            bool exact;
            switch (fd) {  // constant divisors: no division instruction
            case 0: r = x; exact = true; break;
            case 1: r = x / 10; exact = r * 10 == x; break;
            case 2: r = x / 100; exact = r * 100 == x; break;
            default: r = x / 1000; exact = r * 1000 == x; break;
            }
            if (exact && r >= -32768 && r <= 32767) {
                u16(r);
                return;
            }
        }
        t.p = save;
    }
    coord_slow(t);
}

void MessageEncoder::coord_slow(Toks& t) {
    std::string_view s = t.next();
    switch (coord_kind_) {
    case CoordKind::Short8: {
        auto d = parse_double(s);
        if (!d) fail("bad coordinate " + quoted(s));
        double r = std::nearbyint(*d * 8);
        if (!(r >= -32768 && r <= 32767)) fail("coordinate " + quoted(s) + " out of range");
        u16(static_cast<std::int64_t>(r));
        break;
    }
    case CoordKind::Bits24: {
        std::size_t c = s.find(':');
        auto a = parse_int(s.substr(0, c));
        auto b = c == std::string_view::npos ? std::nullopt : parse_int(s.substr(c + 1));
        if (!a || !b || *a < kS16 || *a > kU16 || *b < 0 || *b > 255)
            fail("bad 24-bit coordinate " + quoted(s) + " (want SHORT:BYTE)");
        u16(*a);
        u8(*b);
        break;
    }
    case CoordKind::Int16th: {
        auto d = parse_double(s);
        if (!d) fail("bad coordinate " + quoted(s));
        double r = std::nearbyint(*d * 16);
        if (!(r >= -2147483648.0 && r <= 2147483647.0)) fail("coordinate " + quoted(s) + " out of range");
        b32(static_cast<std::uint32_t>(static_cast<std::int32_t>(r)));
        break;
    }
    case CoordKind::Float: {
        auto f = parse_float(s);
        if (!f) fail("bad float coordinate " + quoted(s));
        b32(std::bit_cast<std::uint32_t>(*f));
        break;
    }
    }
}

void MessageEncoder::angle(Toks& t) {
    if (angle_kind_ == AngleKind::Byte) {
        static const std::int64_t pow10[6] = {1, 10, 100, 1000, 10000, 100000};
        std::int64_t m;
        int fd;
        const char* save = t.p;
        if (t.fixed(m, fd) && fd <= 5 && m > -100000000 && m < 100000000) {
            std::int64_t x = m * pow10[5 - fd] * 256;  // value * 10^5 * 256
            std::int64_t k = x / 36000000;
            if (k * 36000000 == x) {
                u8(k);
                return;
            }
        }
        t.p = save;
    }
    angle_slow(t);
}

void MessageEncoder::angle_slow(Toks& t) {
    std::string_view s = t.next();
    switch (angle_kind_) {
    case AngleKind::Byte: {
        auto d = parse_double(s);
        if (!d || !std::isfinite(*d) || std::fabs(*d) > 1e6) fail("bad angle " + quoted(s));
        u8(static_cast<std::int64_t>(std::nearbyint(*d * 256 / 360)));
        break;
    }
    case AngleKind::Short: {
        auto d = parse_double(s);
        if (!d || !std::isfinite(*d) || std::fabs(*d) > 1e6) fail("bad angle " + quoted(s));
        u16(static_cast<std::int64_t>(std::nearbyint(*d * 65536 / 360)));
        break;
    }
    case AngleKind::Float: {
        auto f = parse_float(s);
        if (!f) fail("bad float angle " + quoted(s));
        b32(std::bit_cast<std::uint32_t>(*f));
        break;
    }
    }
}

void MessageEncoder::str(const std::string* s) {
    if (!s) fail("missing string");
    out_.commit(w_);
    out_.put(*s);
    out_.put_u8(0);
    w_ = out_.room(kLineBytes);
}

void MessageEncoder::close_serverinfo() {
    if (!si_open_) return;
    if (si_list_ == 0) out_.put_u8(0);
    out_.put_u8(0);
    si_open_ = false;
}

inline void MessageEncoder::entity(Toks& t, std::uint32_t bits) {
    const bool fitz = proto_.fitz();
    if (!(bits & U_SIGNAL)) fail("entity flags must have bit 0x80 set");
    bool b1 = bits & U_MOREBITS;
    bool b2 = b1 && fitz && (bits & U_EXTEND1);
    bool b3 = b2 && (bits & U_EXTEND2);
    std::uint32_t allowed = b3 ? 0xffffffffu : b2 ? 0xffffffu : b1 ? 0xffffu : 0xffu;
    if (bits & ~allowed) fail("entity flags announce bits that no flag byte carries");
    u8(bits);
    if (b1) u8(bits >> 8);
    if (b2) u8(bits >> 16);
    if (b3) u8(bits >> 24);
    (void)t;
}

void MessageEncoder::clientdata(Toks& t) {
    std::uint32_t bits = static_cast<std::uint32_t>(ival(t, 0, kU32, "clientdata flags"));
    bool b2 = bits & SU_EXTEND1;
    bool b3 = b2 && (bits & SU_EXTEND2);
    std::uint32_t allowed = b3 ? 0xffffffffu : b2 ? 0xffffffu : 0xffffu;
    if (bits & ~allowed) fail("clientdata flags announce bits that no flag byte carries");
    b8(svc_clientdata);
    u16(bits);
    if (b2) u8(bits >> 16);
    if (b3) u8(bits >> 24);
    if (bits & SU_VIEWHEIGHT) u8(kv(t, "viewheight", kS8, kU8));
    if (bits & SU_IDEALPITCH) u8(kv(t, "idealpitch", kS8, kU8));
    // Written out (not looped over name tables) so every key compare is
    // against a literal of known length.
    if (bits & SU_PUNCH1) u8(kv(t, "punch1", kS8, kU8));
    if (bits & SU_VELOCITY1) u8(kv(t, "velocity1", kS8, kU8));
    if (bits & (SU_PUNCH1 << 1)) u8(kv(t, "punch2", kS8, kU8));
    if (bits & (SU_VELOCITY1 << 1)) u8(kv(t, "velocity2", kS8, kU8));
    if (bits & (SU_PUNCH1 << 2)) u8(kv(t, "punch3", kS8, kU8));
    if (bits & (SU_VELOCITY1 << 2)) u8(kv(t, "velocity3", kS8, kU8));
    b32(static_cast<std::uint32_t>(kv(t, "items", kS32, kU32)));
    if (bits & SU_WEAPONFRAME) u8(kv(t, "weaponframe", 0, kU8));
    if (bits & SU_ARMOR) u8(kv(t, "armor", 0, kU8));
    if (bits & SU_WEAPON) u8(kv(t, "weapon", 0, kU8));
    u16(kv(t, "health", kS16, kU16));
    u8(kv(t, "ammo", 0, kU8));
    u8(kv(t, "shells", 0, kU8));
    u8(kv(t, "nails", 0, kU8));
    u8(kv(t, "rockets", 0, kU8));
    u8(kv(t, "cells", 0, kU8));
    u8(kv(t, "active", 0, kU8));
    // The high bytes (kClientExtBit order).
    static_assert(kClientExtCount == 9 && kClientExtBit[0] == 16 && kClientExtBit[7] == 24);
    if (bits & 0x037f0000u) {
        if (bits & (1u << 16)) u8(kv(t, "weapon2", 0, kU8));
        if (bits & (1u << 17)) u8(kv(t, "armor2", 0, kU8));
        if (bits & (1u << 18)) u8(kv(t, "ammo2", 0, kU8));
        if (bits & (1u << 19)) u8(kv(t, "shells2", 0, kU8));
        if (bits & (1u << 20)) u8(kv(t, "nails2", 0, kU8));
        if (bits & (1u << 21)) u8(kv(t, "rockets2", 0, kU8));
        if (bits & (1u << 22)) u8(kv(t, "cells2", 0, kU8));
        if (bits & (1u << 24)) u8(kv(t, "weaponframe2", 0, kU8));
        if (bits & (1u << 25)) u8(kv(t, "weaponalpha", 0, kU8));
    }
}

void MessageEncoder::sound(Toks& t) {
    std::int64_t mask = ival(t, 0, kU8, "sound flags");
    b8(svc_sound);
    u8(mask);
    if (mask & SND_VOLUME) u8(kv(t, "volume", 0, kU8));
    if (mask & SND_ATTENUATION) u8(kv(t, "atten", 0, kU8));
    if (mask & SND_LARGEENTITY) {
        u16(kv(t, "entity", 0, kU16));
        u8(kv(t, "channel", 0, kU8));
    } else {
        std::int64_t e = kv(t, "entity", 0, 8191);
        std::int64_t c = kv(t, "channel", 0, 7);
        u16(e << 3 | c);
    }
    if (mask & SND_LARGESOUND) u16(kv(t, "sample", 0, kU16));
    else u8(kv(t, "sample", 0, kU8));
    expect(t, "origin");
    coords3(t);
}

void MessageEncoder::baseline(Toks& t, bool v2) {
    std::int64_t fl = v2 ? ival(t, 0, kU8, "baseline flags") : 0;
    if (v2) u8(fl);
    if (fl & 1) u16(kv(t, "model", 0, kU16));
    else u8(kv(t, "model", 0, kU8));
    if (fl & 2) u16(kv(t, "frame", 0, kU16));
    else u8(kv(t, "frame", 0, kU8));
    u8(kv(t, "colormap", 0, kU8));
    u8(kv(t, "skin", 0, kU8));
    // Text: origin x y z angles p y r; stream: x p y y z r.
    expect(t, "origin");
    Toks org = t;
    t.next(); t.next(); t.next();
    expect(t, "angles");
    for (int i = 0; i < 3; ++i) {
        coord(org);
        angle(t);
    }
    if (fl & 4) u8(kv(t, "alpha", 0, kU8));
    if (fl & 8) u8(kv(t, "scale", 0, kU8));
}

void MessageEncoder::tempentity(Toks& t) {
    std::string_view name = t.next();
    int type = -1;
    static constexpr auto kNames = [] {
        std::array<std::string_view, kTempEntityCount> a{};
        for (int i = 0; i < kTempEntityCount; ++i) a[static_cast<std::size_t>(i)] = kTempEntityName[i];
        return a;
    }();
    for (int i = 0; i < kTempEntityCount; ++i)
        if (name == kNames[static_cast<std::size_t>(i)]) type = i;
    if (type < 0) fail("unknown temp entity " + quoted(name));
    b8(svc_temp_entity);
    u8(type);
    switch (tempentity_shape(type)) {
    case 1:
        u16(kv(t, "entity", kS16, kU16));
        expect(t, "start");
        coords3(t);
        expect(t, "end");
        coords3(t);
        break;
    case 2:
        coords3(t);
        u8(kv(t, "color", 0, kU8));
        u8(kv(t, "count", 0, kU8));
        break;
    default: coords3(t); break;
    }
}

namespace {
struct WordChars {
    bool t[256] = {};
    constexpr WordChars() {
        for (int c = 'a'; c <= 'z'; ++c) t[c] = true;
        for (int c = 'A'; c <= 'Z'; ++c) t[c] = true;
        for (int c = '0'; c <= '9'; ++c) t[c] = true;
        t[static_cast<int>('_')] = true;
    }
    bool operator[](char c) const { return t[static_cast<unsigned char>(c)]; }
};
constexpr WordChars kWordChar;

// The line starts with the word w (the next char, if any, is no word char).
template <std::size_t N>
[[gnu::always_inline]] inline bool word_is(std::string_view line, const char (&w)[N]) {
    constexpr std::size_t n = N - 1;
    return line.size() >= n && same_chars(line.data(), w) && (line.size() == n || !kWordChar[line[n]]);
}
}  // namespace

KwMatch match_keyword(std::string_view line) {
    // By first char, the frequent keywords of each letter first.
#define CLIPVEX_KW(name)                                            \
    if (word_is(line, #name)) return {Kw::name, sizeof(#name) - 1}
    switch (line.empty() ? '\0' : line[0]) {
    case 'b': CLIPVEX_KW(bf); break;
    case 'c':
        CLIPVEX_KW(camera);
        CLIPVEX_KW(clientdata);
        CLIPVEX_KW(centerprint);
        CLIPVEX_KW(cutscene);
        CLIPVEX_KW(cdtrack);
        break;
    case 'd': CLIPVEX_KW(damage); CLIPVEX_KW(disconnect); break;
    case 'e': CLIPVEX_KW(entity); break;
    case 'f': CLIPVEX_KW(foundsecret); CLIPVEX_KW(finale); CLIPVEX_KW(fog); break;
    case 'i': CLIPVEX_KW(intermission); break;
    case 'k': CLIPVEX_KW(killedmonster); break;
    case 'l': CLIPVEX_KW(lightstyle); break;
    case 'n': CLIPVEX_KW(nop); break;
    case 'p':
        CLIPVEX_KW(particle);
        CLIPVEX_KW(print);
        CLIPVEX_KW(precache_model);
        CLIPVEX_KW(precache_sound);
        break;
    case 'r': CLIPVEX_KW(raw); break;
    case 's':
        CLIPVEX_KW(sound);
        CLIPVEX_KW(stufftext);
        CLIPVEX_KW(servertime);
        CLIPVEX_KW(setangle);
        CLIPVEX_KW(spawnbaseline);
        CLIPVEX_KW(spawnbaseline2);
        CLIPVEX_KW(spawnstatic);
        CLIPVEX_KW(spawnstatic2);
        CLIPVEX_KW(spawnstaticsound);
        CLIPVEX_KW(spawnstaticsound2);
        CLIPVEX_KW(signonnum);
        CLIPVEX_KW(serverinfo);
        CLIPVEX_KW(setview);
        CLIPVEX_KW(setpause);
        CLIPVEX_KW(sellscreen);
        CLIPVEX_KW(stopsound);
        CLIPVEX_KW(skybox);
        break;
    case 't': CLIPVEX_KW(time); CLIPVEX_KW(tempentity); break;
    case 'u':
        CLIPVEX_KW(updatestat);
        CLIPVEX_KW(updatefrags);
        CLIPVEX_KW(updatename);
        CLIPVEX_KW(updatecolors);
        break;
    case 'v': CLIPVEX_KW(version); break;
    default: break;
    }
#undef CLIPVEX_KW
    std::size_t k = 0;
    while (k < line.size() && kWordChar[line[k]]) ++k;
    return {Kw::unknown, k};
}

bool MessageEncoder::encode(Kw kw, Toks& t, const std::string* s) {
    if (kw == Kw::unknown || kw == Kw::camera) return false;
    if (si_open_ && kw != Kw::precache_model && kw != Kw::precache_sound) close_serverinfo();
    w_ = out_.room(kLineBytes);
    auto need_end = [&] {
        if (!t.done()) fail("unexpected " + quoted(t.next()));
    };
    auto id = [&](Svc v) { b8(v); };
    switch (kw) {
    case Kw::unknown:
    case Kw::camera: return false;
    case Kw::nop: id(svc_nop); break;
    case Kw::disconnect: id(svc_disconnect); break;
    case Kw::killedmonster: id(svc_killedmonster); break;
    case Kw::foundsecret: id(svc_foundsecret); break;
    case Kw::intermission: id(svc_intermission); break;
    case Kw::sellscreen: id(svc_sellscreen); break;
    case Kw::bf: id(svc_bf); break;
    case Kw::entity: {
        std::int64_t num = ival(t, 0, kU16, "entity number");
        std::uint32_t bits = static_cast<std::uint32_t>(ival(t, 0, kU32, "entity flags"));
        entity(t, bits);
        if (bits & U_LONGENTITY) u16(num);
        else if (num > 255) fail("entity number above 255 needs flag 0x4000");
        else u8(num);
        if (bits & U_MODEL) u8(kv(t, "model", 0, kU8));
        if (bits & U_FRAME) u8(kv(t, "frame", 0, kU8));
        if (bits & U_COLORMAP) u8(kv(t, "colormap", 0, kU8));
        if (bits & U_SKIN) u8(kv(t, "skin", 0, kU8));
        if (bits & U_EFFECTS) u8(kv(t, "effects", 0, kU8));
        if (bits & U_ORIGIN1) { expect(t, "x"); coord(t); }
        if (bits & U_ANGLE1) { expect(t, "pitch"); angle(t); }
        if (bits & U_ORIGIN2) { expect(t, "y"); coord(t); }
        if (bits & U_ANGLE2) { expect(t, "yaw"); angle(t); }
        if (bits & U_ORIGIN3) { expect(t, "z"); coord(t); }
        if (bits & U_ANGLE3) { expect(t, "roll"); angle(t); }
        if (proto_.fitz()) {
            if (bits & U_ALPHA) u8(kv(t, "alpha", 0, kU8));
            if (bits & U_SCALE) u8(kv(t, "scale", 0, kU8));
            if (bits & U_FRAME2) u8(kv(t, "frame2", 0, kU8));
            if (bits & U_MODEL2) u8(kv(t, "model2", 0, kU8));
            if (bits & U_LERPFINISH) u8(kv(t, "lerp", 0, kU8));
        }
        break;
    }
    case Kw::clientdata: clientdata(t); break;
    case Kw::time:
    case Kw::servertime: {
        std::string_view v = t.next();
        std::optional<float> f;
        if (kw == Kw::time) {
            f = parse_time(v);
            if (!f) f = parse_float(v);
        } else {
            f = parse_float(v);
            if (!f) f = parse_time(v);
        }
        if (!f) fail("bad time " + quoted(v));
        id(svc_time);
        b32(std::bit_cast<std::uint32_t>(*f));
        break;
    }
    case Kw::sound: sound(t); break;
    case Kw::tempentity: tempentity(t); break;
    case Kw::particle:
        id(svc_particle);
        coords3(t);
        expect(t, "dir");
        for (int i = 0; i < 3; ++i) u8(ival(t, kS8, kU8, "direction"));
        u8(kv(t, "count", 0, kU8));
        u8(kv(t, "color", 0, kU8));
        break;
    case Kw::updatestat:
        id(svc_updatestat);
        u8(ival(t, 0, kU8, "stat index"));
        b32(static_cast<std::uint32_t>(ival(t, kS32, kU32, "stat value")));
        break;
    case Kw::version: {
        std::int64_t v = ival(t, kS32, kU32, "protocol");
        id(svc_version);
        b32(static_cast<std::uint32_t>(v));
        proto_.set_version(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        sync_proto();
        break;
    }
    case Kw::setview: id(svc_setview); u16(ival(t, kS16, kU16, "entity")); break;
    case Kw::print: id(svc_print); str(s); break;
    case Kw::stufftext: id(svc_stufftext); str(s); break;
    case Kw::centerprint: id(svc_centerprint); str(s); break;
    case Kw::finale: id(svc_finale); str(s); break;
    case Kw::cutscene: id(svc_cutscene); str(s); break;
    case Kw::skybox: id(svc_skybox); str(s); break;
    case Kw::setangle: id(svc_setangle); angle(t); angle(t); angle(t); break;
    case Kw::serverinfo: {
        std::int64_t p = ival(t, kS32, kU32, "protocol");
        auto p32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(p));
        std::uint32_t flags = 0;
        id(svc_serverinfo);
        b32(static_cast<std::uint32_t>(p));
        if (p32 == 999) {
            flags = static_cast<std::uint32_t>(kv(t, "flags", 0, kU32));
            b32(flags);
        }
        u8(kv(t, "maxclients", 0, kU8));
        u8(kv(t, "gametype", 0, kU8));
        expect(t, "level");
        str(s);
        proto_.set_server(p32, flags);
        sync_proto();
        si_open_ = true;
        si_list_ = 0;
        break;
    }
    case Kw::precache_model:
    case Kw::precache_sound: {
        if (!si_open_ || (kw == Kw::precache_model && si_list_ == 1))
            fail("precache line not directly after a serverinfo line and its model list");
        if (!s || s->empty()) fail("empty precache name");
        if (kw == Kw::precache_sound && si_list_ == 0) {
            b8(0);
            si_list_ = 1;
        }
        str(s);
        break;
    }
    case Kw::lightstyle: id(svc_lightstyle); u8(ival(t, 0, kU8, "style")); str(s); break;
    case Kw::updatename: id(svc_updatename); u8(ival(t, 0, kU8, "slot")); str(s); break;
    case Kw::updatefrags:
        id(svc_updatefrags);
        u8(ival(t, 0, kU8, "slot"));
        u16(ival(t, kS16, kU16, "frags"));
        break;
    case Kw::stopsound: {
        std::int64_t e = kv(t, "entity", 0, 8191);
        std::int64_t c = kv(t, "channel", 0, 7);
        id(svc_stopsound);
        u16(e << 3 | c);
        break;
    }
    case Kw::updatecolors: {
        std::int64_t slot = ival(t, 0, kU8, "slot");
        std::int64_t top = kv(t, "top", 0, 15);
        std::int64_t bottom = kv(t, "bottom", 0, 15);
        id(svc_updatecolors);
        u8(slot);
        u8(top << 4 | bottom);
        break;
    }
    case Kw::damage:
        id(svc_damage);
        u8(kv(t, "armor", 0, kU8));
        u8(kv(t, "blood", 0, kU8));
        expect(t, "from");
        coords3(t);
        break;
    case Kw::spawnstatic: id(svc_spawnstatic); baseline(t, false); break;
    case Kw::spawnstatic2: id(svc_spawnstatic2); baseline(t, true); break;
    case Kw::spawnbaseline:
        id(svc_spawnbaseline);
        u16(ival(t, 0, kU16, "entity"));
        baseline(t, false);
        break;
    case Kw::spawnbaseline2:
        id(svc_spawnbaseline2);
        u16(ival(t, 0, kU16, "entity"));
        baseline(t, true);
        break;
    case Kw::setpause: id(svc_setpause); u8(ival(t, 0, kU8, "pause")); break;
    case Kw::signonnum: id(svc_signonnum); u8(ival(t, 0, kU8, "signon")); break;
    case Kw::spawnstaticsound:
    case Kw::spawnstaticsound2: {
        bool two = kw == Kw::spawnstaticsound2;
        id(two ? svc_spawnstaticsound2 : svc_spawnstaticsound);
        coords3(t);
        if (two) u16(kv(t, "sample", 0, kU16));
        else u8(kv(t, "sample", 0, kU8));
        u8(kv(t, "volume", 0, kU8));
        u8(kv(t, "atten", 0, kU8));
        break;
    }
    case Kw::cdtrack:
        id(svc_cdtrack);
        u8(ival(t, 0, kU8, "track"));
        u8(kv(t, "loop", 0, kU8));
        break;
    case Kw::fog:
        id(svc_fog);
        u8(kv(t, "density", 0, kU8));
        u8(kv(t, "red", 0, kU8));
        u8(kv(t, "green", 0, kU8));
        u8(kv(t, "blue", 0, kU8));
        u16(kv(t, "time", kS16, kU16));
        break;
    case Kw::raw: {
        std::string_view h = t.next();
        out_.commit(w_);
        if (!unhex(h, out_)) fail("bad hex in raw line");
        w_ = out_.room(kLineBytes);
        break;
    }
    }
    need_end();
    out_.commit(w_);
    return true;
}

}  // namespace demfmt
