#include "dem_walk.h"

#include <cstring>
#include <stdexcept>

namespace demowalk {
namespace {

struct Bad : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
    bool done() const { return pos_ >= n_; }
    int u8() {
        need(1);
        return p_[pos_++];
    }
    int s8() { return static_cast<std::int8_t>(u8()); }
    int s16() {
        need(2);
        int v = static_cast<std::int16_t>(p_[pos_] | (p_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::int32_t s32() {
        need(4);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | p_[pos_ + std::size_t(i)];
        pos_ += 4;
        return static_cast<std::int32_t>(v);
    }
    float f32() {
        std::int32_t bits = s32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    double coord() { return s16() / 8.0; }
    std::string str() {
        std::string s;
        for (;;) {
            int c = u8();
            if (c == 0) return s;
            s.push_back(char(c));
        }
    }

private:
    void need(std::size_t k) {
        if (pos_ + k > n_) throw Bad("message runs past the end of the block");
    }
    const std::uint8_t* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
};

void check_model(const Walk& w, int index) {
    if (index < 0 || std::size_t(index) > w.models.size())
        throw Bad("model index " + std::to_string(index) + " is not precached");
}

void check_sound(const Walk& w, int index) {
    if (index < 1 || std::size_t(index) > w.sounds.size())
        throw Bad("sound index " + std::to_string(index) + " is not precached");
}

std::array<double, 3> baseline_fields(Walk& w, Reader& r) {
    check_model(w, r.u8());
    r.u8();  // frame
    r.u8();  // colormap
    r.u8();  // skin
    std::array<double, 3> o{};
    for (auto& c : o) {
        c = r.coord();
        r.s8();
    }
    return o;
}

void entity_update(Walk& w, Block& b, Reader& r, int first) {
    unsigned bits = unsigned(first);
    if (bits & 0x0001) bits |= unsigned(r.u8()) << 8;
    if (bits & 0x8000) throw Bad("entity update uses bit 15, which protocol 15 does not define");
    int num = (bits & 0x4000) ? (r.s16() & 0xffff) : r.u8();
    if (bits & 0x0400) check_model(w, r.u8());
    if (bits & 0x0040) r.u8();
    if (bits & 0x0800) {
        if (r.u8() > w.maxclients) throw Bad("colormap beyond the player slots");
    }
    if (bits & 0x1000) r.u8();
    if (bits & 0x2000) r.u8();
    std::array<double, 3> o = w.baseline_origins[num];  // fields not sent come from the baseline
    const unsigned origin_bits[3] = {0x0002, 0x0004, 0x0008}, angle_bits[3] = {0x0100, 0x0010, 0x0200};
    for (int i = 0; i < 3; ++i) {
        if (bits & origin_bits[i]) {
            o[std::size_t(i)] = r.coord();
        }
        if (bits & angle_bits[i]) r.s8();
    }
    b.origins[num] = o;
}

void clientdata(Reader& r) {
    unsigned bits = unsigned(r.s16()) & 0xffff;
    if (bits & 0x8100) throw Bad("clientdata uses bits 8 or 15, which protocol 15 does not define");
    if (!(bits & 0x0200)) throw Bad("clientdata without the items bit");
    if (bits & 0x0001) r.s8();
    if (bits & 0x0002) r.s8();
    for (int i = 0; i < 3; ++i) {
        if (bits & (0x0004u << i)) r.s8();
        if (bits & (0x0020u << i)) r.s8();
    }
    r.s32();  // items
    if (bits & 0x1000) r.u8();
    if (bits & 0x2000) r.u8();
    if (bits & 0x4000) r.u8();
    r.s16();  // health
    for (int i = 0; i < 6; ++i) r.u8();
}

void message(Walk& w, Block& b, Reader& r) {
    const int id = r.u8();
    if (id >= 0x80) {
        b.ids.push_back(0x80);
        entity_update(w, b, r, id);
        return;
    }
    b.ids.push_back(id);
    switch (id) {
    case 1:   // nop
    case 2:   // disconnect
    case 27:  // killedmonster
    case 28:  // foundsecret
    case 30:  // intermission
    case 33:  // sellscreen
        return;
    case 3:
        if (r.u8() >= 32) throw Bad("stat index out of range");
        r.s32();
        return;
    case 4: r.s32(); return;
    case 5: r.s16(); return;
    case 6: {
        int mask = r.u8();
        if (mask & ~3) throw Bad("sound mask has bits protocol 15 does not define");
        if (mask & 1) r.u8();
        if (mask & 2) r.u8();
        r.s16();
        check_sound(w, r.u8());
        for (int i = 0; i < 3; ++i) r.coord();
        return;
    }
    case 7: {
        float t = r.f32();
        if (b.time) throw Bad("two svc_time in one block");
        b.time = t;
        return;
    }
    case 8:
    case 9:
    case 26:
    case 31:
    case 34: r.str(); return;
    case 10: r.s8(), r.s8(), r.s8(); return;
    case 11: {
        w.protocol = r.s32();
        if (w.protocol != 15) throw Bad("serverinfo protocol " + std::to_string(w.protocol));
        w.maxclients = r.u8();
        if (w.maxclients < 1 || w.maxclients > 16) throw Bad("maxclients out of range");
        r.u8();   // game type
        r.str();  // level name
        w.models.clear();
        w.sounds.clear();
        for (std::string s; !(s = r.str()).empty();) w.models.push_back(s);
        for (std::string s; !(s = r.str()).empty();) w.sounds.push_back(s);
        if (w.models.size() > 255 || w.sounds.size() > 255) throw Bad("precache list too long");
        return;
    }
    case 12:
        if (r.u8() >= 64) throw Bad("light style out of range");
        r.str();
        return;
    case 13:
        if (r.u8() >= w.maxclients) throw Bad("player slot out of range");
        r.str();
        return;
    case 14:
        if (r.u8() >= w.maxclients) throw Bad("player slot out of range");
        r.s16();
        return;
    case 15: clientdata(r); return;
    case 16: r.s16(); return;
    case 17:
        if (r.u8() >= w.maxclients) throw Bad("player slot out of range");
        r.u8();
        return;
    case 18:
        for (int i = 0; i < 3; ++i) r.coord();
        for (int i = 0; i < 5; ++i) r.u8();
        return;
    case 19:
        r.u8(), r.u8();
        for (int i = 0; i < 3; ++i) r.coord();
        return;
    case 20: baseline_fields(w, r); return;
    case 22: {
        int num = r.s16() & 0xffff;
        w.baseline_origins[num] = baseline_fields(w, r);
        return;
    }
    case 23: {
        int type = r.u8();
        if (type > 13) throw Bad("unknown temp entity type " + std::to_string(type));
        if (type == 5 || type == 6 || type == 9 || type == 13) {
            r.s16();
            for (int i = 0; i < 6; ++i) r.coord();
        } else {
            for (int i = 0; i < 3; ++i) r.coord();
            if (type == 12) r.u8(), r.u8();
        }
        return;
    }
    case 24: r.u8(); return;
    case 25: b.signons.push_back(r.u8()); return;
    case 29:
        for (int i = 0; i < 3; ++i) r.coord();
        check_sound(w, r.u8());
        r.u8(), r.u8();
        return;
    case 32: r.u8(), r.u8(); return;
    default: throw Bad("message id " + std::to_string(id) + " is not valid in protocol 15");
    }
}

}  // namespace

std::size_t Walk::count(int id) const {
    std::size_t n = 0;
    for (const auto& b : blocks)
        for (int i : b.ids) n += (i == id);
    return n;
}

Walk walk(const std::vector<std::uint8_t>& file) {
    Walk w;
    std::size_t pos = 0;
    while (pos < file.size() && file[pos] != '\n') ++pos;
    if (pos == file.size()) {
        w.error = "no track line";
        return w;
    }
    w.track_line.assign(file.begin(), file.begin() + std::ptrdiff_t(pos));
    ++pos;
    while (pos < file.size()) {
        if (file.size() - pos < 16) {
            w.error = "partial block header at offset " + std::to_string(pos);
            return w;
        }
        Block b;
        b.offset = pos;
        Reader h(file.data() + pos, 16);
        std::int32_t n = h.s32();
        for (auto& a : b.angles) a = h.f32();
        if (n <= 0 || std::size_t(n) > file.size() - pos - 16) {
            w.error = "block " + std::to_string(w.blocks.size()) + " has a bad length " + std::to_string(n);
            return w;
        }
        b.length = std::uint32_t(n);
        Reader r(file.data() + pos + 16, b.length);
        try {
            while (!r.done()) message(w, b, r);
        } catch (const Bad& e) {
            w.error = "block " + std::to_string(w.blocks.size()) + ": " + e.what();
            return w;
        }
        pos += 16 + b.length;
        w.blocks.push_back(std::move(b));
    }
    w.end_offset = pos;
    return w;
}

}  // namespace demowalk
