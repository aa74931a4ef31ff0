// The dump grammar, one line per server message (see also --help of lmpc):
//   disconnect; nop; killedmonster; foundsecret; intermission; sellscreen; bf;
//   time 12.500000000s;          svc_time as the block's first message
//   servertime 12.5;             any other svc_time (or a non-finite one)
//   print "TEXT"; stufftext "TEXT"; centerprint "TEXT"; finale "TEXT";
//   cutscene "TEXT"; skybox "NAME";
//   updatestat INDEX VALUE; version N; setview ENT; setpause N; signonnum N;
//   setangle PITCH YAW ROLL; lightstyle N "PATTERN"; updatename SLOT "NAME";
//   updatefrags SLOT FRAGS; updatecolors SLOT top T bottom B;
//   stopsound entity E channel C; cdtrack TRACK loop LOOP;
//   sound 0xMASK [volume V] [atten A] entity E channel C sample S origin X Y Z;
//   particle X Y Z dir DX DY DZ count N color C;
//   damage armor A blood B from X Y Z;
//   serverinfo PROTOCOL [flags 0xF] maxclients N gametype N level "NAME";
//     followed by one "precache_model "NAME";" / "precache_sound "NAME";" line
//     per list entry (the lists belong to the serverinfo line before them)
//   entity NUM 0xFLAGS [model N] [frame N] [colormap N] [skin N] [effects N]
//     [x C] [pitch A] [y C] [yaw A] [z C] [roll A] [alpha N] [scale N]
//     [frame2 N] [model2 N] [lerp N];
//   clientdata 0xFLAGS [viewheight N] [idealpitch N] [punch1 N] [velocity1 N] ...
//     items 0xITEMS [weaponframe N] [armor N] [weapon N] health N ammo N shells N
//     nails N rockets N cells N active N [weapon2 N] ... [weaponalpha N];
//   spawnbaseline ENT model M frame F colormap C skin S origin X Y Z angles P Y R;
//   spawnstatic model M ... ; spawnbaseline2 ENT 0xFLAGS model ... [alpha N] [scale N];
//   spawnstatic2 0xFLAGS ...; spawnstaticsound X Y Z sample S volume V atten A;
//   spawnstaticsound2 X Y Z sample S volume V atten A;
//   fog density D red R green G blue B time T;
//   tempentity NAME X Y Z;  tempentity NAME entity E start X Y Z end X Y Z;
//   tempentity explosion2 X Y Z color C count N;
//   raw HEX;                     bytes kept verbatim
// Coordinates and angles are exact decimals in the sizes of protocols 15/666
// (and 999 without flags); 999 24-bit coordinates are "SHORT:BYTE", int32
// coordinates and short angles exact decimals, float ones floats. Floats read
// back bit for bit; NaN, infinities and denormals are written 0xBITS.
#include "decode.h"

#include <bit>
#include <cstring>

#include "numtext.h"
#include "strtext.h"

namespace demfmt {

namespace {

struct Cur {
  const std::uint8_t* p;
  const std::uint8_t* e;
  bool bad = false;

  std::uint8_t u8() {
    if (p >= e) {
      bad = true;
      return 0;
    }
    return *p++;
  }
  std::int8_t s8() { return static_cast<std::int8_t>(u8()); }
  std::uint16_t u16() {
    if (e - p < 2) {
      bad = true;
      p = e;
      return 0;
    }
    std::uint16_t v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    p += 2;
    return v;
  }
  std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
  std::uint32_t u32() {
    if (e - p < 4) {
      bad = true;
      p = e;
      return 0;
    }
    std::uint32_t v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    p += 4;
    return v;
  }
  std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
  float f32() { return std::bit_cast<float>(u32()); }
  // A 0-terminated string: returns its start, sets len.
  const std::uint8_t* str(std::size_t& len) {
    const void* z = std::memchr(p, 0, static_cast<std::size_t>(e - p));
    if (!z) {
      bad = true;
      len = 0;
      const std::uint8_t* s = p;
      p = e;
      return s;
    }
    const std::uint8_t* s = p;
    len = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p);
    p += len + 1;
    return s;
  }
};

// Writes through a raw pointer: every message line except strings and raw
// bytes is bounded (kLineRoom), so room is made once per message.
constexpr std::size_t kLineRoom = 1024;

inline char* put_dec(char* p, std::int64_t v) { return write_int(p, v); }

class Dec {
 public:
  Dec(Cur& c, Proto& proto, OutBuf& out) : c_(c), proto_(proto), out_(out) {}

  void begin() { p_ = out_.room(kLineRoom); }
  void finish() { out_.commit(p_); }

  template <std::size_t N>
  void lit(const char (&s)[N]) {
    std::memcpy(p_, s, N - 1);
    p_ += N - 1;
  }
  void lit(std::string_view s) {
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
  }
  void num(std::int64_t v) {
    *p_++ = ' ';
    p_ = put_dec(p_, v);
  }
  template <std::size_t N>
  void key(const char (&k)[N], std::int64_t v) {
    *p_ = ' ';
    std::memcpy(p_ + 1, k, N - 1);
    p_[N] = ' ';
    p_ = put_dec(p_ + N + 1, v);
  }
  void key(std::string_view k, std::int64_t v) {
    *p_++ = ' ';
    lit(k);
    *p_++ = ' ';
    p_ = put_dec(p_, v);
  }
  void hex(std::uint32_t v, int digits) {
    *p_++ = ' ';
    p_ = write_hex(p_, v, digits);
  }
  void flt(float f) {
    *p_++ = ' ';
    p_ = write_float(p_, f);
  }
  char* coord_at(char* p) {
    switch (proto_.coord()) {
      case CoordKind::Short8:
        return write_coord8(p, c_.s16());
      case CoordKind::Bits24: {
        std::int16_t s = c_.s16();
        std::uint8_t b = c_.u8();
        p = write_int(p, s);
        *p++ = ':';
        return write_int(p, b);
      }
      case CoordKind::Int16th:
        return write_double_shortest(p, c_.s32() / 16.0);
      case CoordKind::Float:
        return write_float(p, c_.f32());
    }
    return p;
  }
  char* angle_at(char* p) {
    switch (proto_.angle()) {
      case AngleKind::Byte:
        return write_angle8(p, c_.u8());
      case AngleKind::Short:
        return write_double_shortest(p, c_.s16() * (360.0 / 65536.0));
      case AngleKind::Float:
        return write_float(p, c_.f32());
    }
    return p;
  }
  void coord() {
    *p_++ = ' ';
    p_ = coord_at(p_);
  }
  void angle() {
    *p_++ = ' ';
    p_ = angle_at(p_);
  }
  void coords3() {
    coord();
    coord();
    coord();
  }
  void string_tail() {  // ' "TEXT";\n'
    std::size_t n;
    const std::uint8_t* s = c_.str(n);
    lit(" \"");
    out_.commit(p_);
    write_escaped(out_, s, n);
    p_ = out_.room(kLineRoom);
    lit("\";\n");
  }
  void end() { lit(";\n"); }
  void time_line(float t) {
    lit(" time ");
    p_ = write_time(p_, t);
    lit(";\n");
  }

  void entity(std::uint8_t id);
  void clientdata();
  void sound();
  void serverinfo();
  void baseline(bool v2);
  bool tempentity();

 private:
  Cur& c_;
  Proto& proto_;
  OutBuf& out_;
  char* p_ = nullptr;
};

void Dec::entity(std::uint8_t id) {
  std::uint32_t bits = id;
  int nbytes = 1;
  if (bits & U_MOREBITS) {
    bits |= static_cast<std::uint32_t>(c_.u8()) << 8;
    ++nbytes;
  }
  if (proto_.fitz()) {
    if (bits & U_EXTEND1) {
      bits |= static_cast<std::uint32_t>(c_.u8()) << 16;
      ++nbytes;
    }
    if (bits & U_EXTEND2) {
      bits |= static_cast<std::uint32_t>(c_.u8()) << 24;
      ++nbytes;
    }
  }
  lit(" entity");
  num((bits & U_LONGENTITY) ? c_.u16() : c_.u8());
  hex(bits, 2 * nbytes);
  if (bits & U_MODEL) key("model", c_.u8());
  if (bits & U_FRAME) key("frame", c_.u8());
  if (bits & U_COLORMAP) key("colormap", c_.u8());
  if (bits & U_SKIN) key("skin", c_.u8());
  if (bits & U_EFFECTS) key("effects", c_.u8());
  if (bits & U_ORIGIN1) {
    lit(" x");
    coord();
  }
  if (bits & U_ANGLE1) {
    lit(" pitch");
    angle();
  }
  if (bits & U_ORIGIN2) {
    lit(" y");
    coord();
  }
  if (bits & U_ANGLE2) {
    lit(" yaw");
    angle();
  }
  if (bits & U_ORIGIN3) {
    lit(" z");
    coord();
  }
  if (bits & U_ANGLE3) {
    lit(" roll");
    angle();
  }
  if (proto_.fitz()) {
    if (bits & U_ALPHA) key("alpha", c_.u8());
    if (bits & U_SCALE) key("scale", c_.u8());
    if (bits & U_FRAME2) key("frame2", c_.u8());
    if (bits & U_MODEL2) key("model2", c_.u8());
    if (bits & U_LERPFINISH) key("lerp", c_.u8());
  }
  end();
}

void Dec::clientdata() {
  std::uint32_t bits = c_.u16();
  int nbytes = 2;
  if (bits & SU_EXTEND1) {
    bits |= static_cast<std::uint32_t>(c_.u8()) << 16;
    ++nbytes;
  }
  if (bits & SU_EXTEND2) {
    bits |= static_cast<std::uint32_t>(c_.u8()) << 24;
    ++nbytes;
  }
  lit(" clientdata");
  hex(bits, 2 * nbytes);
  if (bits & SU_VIEWHEIGHT) key("viewheight", c_.s8());
  if (bits & SU_IDEALPITCH) key("idealpitch", c_.s8());
  static constexpr std::string_view punch[3] = {"punch1", "punch2", "punch3"};
  static constexpr std::string_view vel[3] = {"velocity1", "velocity2", "velocity3"};
  for (int i = 0; i < 3; ++i) {
    if (bits & (SU_PUNCH1 << i)) key(punch[i], c_.s8());
    if (bits & (SU_VELOCITY1 << i)) key(vel[i], c_.s8());
  }
  lit(" items");
  hex(c_.u32(), 8);
  if (bits & SU_WEAPONFRAME) key("weaponframe", c_.u8());
  if (bits & SU_ARMOR) key("armor", c_.u8());
  if (bits & SU_WEAPON) key("weapon", c_.u8());
  key(kClientStatName[0], c_.s16());
  for (int i = 1; i < 7; ++i) key(kClientStatName[i], c_.u8());
  for (int i = 0; i < kClientExtCount; ++i)
    if (bits & (1u << kClientExtBit[i])) key(kClientExtName[i], c_.u8());
  end();
}

void Dec::sound() {
  std::uint8_t mask = c_.u8();
  lit(" sound");
  hex(mask, 2);
  if (mask & SND_VOLUME) key("volume", c_.u8());
  if (mask & SND_ATTENUATION) key("atten", c_.u8());
  if (mask & SND_LARGEENTITY) {
    key("entity", c_.u16());
    key("channel", c_.u8());
  } else {
    std::uint16_t v = c_.u16();
    key("entity", v >> 3);
    key("channel", v & 7);
  }
  key("sample", (mask & SND_LARGESOUND) ? c_.u16() : c_.u8());
  lit(" origin");
  coords3();
  end();
}

void Dec::serverinfo() {
  std::int32_t protocol = c_.s32();
  std::uint32_t flags = protocol == 999 ? c_.u32() : 0;
  lit(" serverinfo");
  num(protocol);
  if (protocol == 999) {
    lit(" flags");
    hex(flags, 8);
  }
  key("maxclients", c_.u8());
  key("gametype", c_.u8());
  lit(" level");
  string_tail();
  for (int list = 0; list < 2 && !c_.bad; ++list) {
    for (;;) {
      std::size_t n;
      const std::uint8_t* s = c_.str(n);
      if (c_.bad || n == 0) break;
      if (list == 0)
        lit(" precache_model \"");
      else
        lit(" precache_sound \"");
      out_.commit(p_);
      write_escaped(out_, s, n);
      p_ = out_.room(kLineRoom);
      lit("\";\n");
    }
  }
  if (!c_.bad) proto_.set_server(protocol, flags);
}

void Dec::baseline(bool v2) {
  std::uint8_t fl = 0;
  if (v2) {
    fl = c_.u8();
    hex(fl, 2);
  }
  key("model", (fl & 1) ? c_.u16() : c_.u8());
  key("frame", (fl & 2) ? c_.u16() : c_.u8());
  key("colormap", c_.u8());
  key("skin", c_.u8());
  // Stream order: x pitch y yaw z roll; text: origin x y z angles p y r.
  char ang[3 * kMaxNumber + 8];
  char* a = ang;
  lit(" origin");
  for (int i = 0; i < 3; ++i) {
    coord();
    *a++ = ' ';
    a = angle_at(a);
  }
  lit(" angles");
  lit(std::string_view(ang, static_cast<std::size_t>(a - ang)));
  if (v2 && (fl & 4)) key("alpha", c_.u8());
  if (v2 && (fl & 8)) key("scale", c_.u8());
  end();
}

bool Dec::tempentity() {
  std::uint8_t type = c_.u8();
  if (c_.bad || type >= kTempEntityCount) return false;
  lit(" tempentity ");
  lit(kTempEntityName[type]);
  switch (tempentity_shape(type)) {
    case 1:
      key("entity", c_.u16());
      lit(" start");
      coords3();
      lit(" end");
      coords3();
      break;
    case 2:
      coords3();
      key("color", c_.u8());
      key("count", c_.u8());
      break;
    default:
      coords3();
      break;
  }
  end();
  return true;
}

}  // namespace

bool decode_block(const std::uint8_t* data, std::size_t n, Proto& proto, OutBuf& out, std::string& note,
                  std::size_t& raw_bytes) {
  Cur c{data, data + n};
  Dec d(c, proto, out);
  bool first = true;
  while (c.p < c.e) {
    const std::uint8_t* start = c.p;
    std::size_t mark = out.size();
    Proto saved = proto;
    std::uint8_t id = c.u8();
    bool known = true;
    d.begin();
    if (id & 0x80) {
      d.entity(id);
    } else {
      switch (id) {
        case svc_nop:
          d.lit(" nop;\n");
          break;
        case svc_disconnect:
          d.lit(" disconnect;\n");
          break;
        case svc_killedmonster:
          d.lit(" killedmonster;\n");
          break;
        case svc_foundsecret:
          d.lit(" foundsecret;\n");
          break;
        case svc_intermission:
          d.lit(" intermission;\n");
          break;
        case svc_sellscreen:
          d.lit(" sellscreen;\n");
          break;
        case svc_bf:
          d.lit(" bf;\n");
          break;
        case svc_updatestat: {
          d.lit(" updatestat");
          d.num(c.u8());
          d.num(c.s32());
          d.end();
          break;
        }
        case svc_version: {
          std::int32_t v = c.s32();
          d.lit(" version");
          d.num(v);
          d.end();
          if (!c.bad) proto.set_version(v);
          break;
        }
        case svc_setview:
          d.lit(" setview");
          d.num(c.u16());
          d.end();
          break;
        case svc_sound:
          d.sound();
          break;
        case svc_time: {
          float t = c.f32();
          std::uint32_t bits = std::bit_cast<std::uint32_t>(t);
          if (first && ((bits >> 23) & 0xff) != 0xff) {
            d.time_line(t);
          } else {
            d.lit(" servertime");
            d.flt(t);
            d.end();
          }
          break;
        }
        case svc_print:
          d.lit(" print");
          d.string_tail();
          break;
        case svc_stufftext:
          d.lit(" stufftext");
          d.string_tail();
          break;
        case svc_centerprint:
          d.lit(" centerprint");
          d.string_tail();
          break;
        case svc_finale:
          d.lit(" finale");
          d.string_tail();
          break;
        case svc_cutscene:
          d.lit(" cutscene");
          d.string_tail();
          break;
        case svc_skybox:
          d.lit(" skybox");
          d.string_tail();
          break;
        case svc_setangle:
          d.lit(" setangle");
          d.angle();
          d.angle();
          d.angle();
          d.end();
          break;
        case svc_serverinfo:
          d.serverinfo();
          break;
        case svc_lightstyle:
          d.lit(" lightstyle");
          d.num(c.u8());
          d.string_tail();
          break;
        case svc_updatename:
          d.lit(" updatename");
          d.num(c.u8());
          d.string_tail();
          break;
        case svc_updatefrags:
          d.lit(" updatefrags");
          d.num(c.u8());
          d.num(c.s16());
          d.end();
          break;
        case svc_clientdata:
          d.clientdata();
          break;
        case svc_stopsound: {
          std::uint16_t v = c.u16();
          d.lit(" stopsound");
          d.key("entity", v >> 3);
          d.key("channel", v & 7);
          d.end();
          break;
        }
        case svc_updatecolors: {
          d.lit(" updatecolors");
          d.num(c.u8());
          std::uint8_t col = c.u8();
          d.key("top", col >> 4);
          d.key("bottom", col & 15);
          d.end();
          break;
        }
        case svc_particle: {
          d.lit(" particle");
          d.coords3();
          d.lit(" dir");
          d.num(c.s8());
          d.num(c.s8());
          d.num(c.s8());
          d.key("count", c.u8());
          d.key("color", c.u8());
          d.end();
          break;
        }
        case svc_damage: {
          d.lit(" damage");
          d.key("armor", c.u8());
          d.key("blood", c.u8());
          d.lit(" from");
          d.coords3();
          d.end();
          break;
        }
        case svc_spawnstatic:
          d.lit(" spawnstatic");
          d.baseline(false);
          break;
        case svc_spawnbaseline:
          d.lit(" spawnbaseline");
          d.num(c.u16());
          d.baseline(false);
          break;
        case svc_spawnstatic2:
          d.lit(" spawnstatic2");
          d.baseline(true);
          break;
        case svc_spawnbaseline2:
          d.lit(" spawnbaseline2");
          d.num(c.u16());
          d.baseline(true);
          break;
        case svc_temp_entity:
          known = d.tempentity();
          break;
        case svc_setpause:
          d.lit(" setpause");
          d.num(c.u8());
          d.end();
          break;
        case svc_signonnum:
          d.lit(" signonnum");
          d.num(c.u8());
          d.end();
          break;
        case svc_spawnstaticsound:
        case svc_spawnstaticsound2: {
          d.lit(id == svc_spawnstaticsound ? " spawnstaticsound" : " spawnstaticsound2");
          d.coords3();
          d.key("sample", id == svc_spawnstaticsound ? c.u8() : c.u16());
          d.key("volume", c.u8());
          d.key("atten", c.u8());
          d.end();
          break;
        }
        case svc_cdtrack:
          d.lit(" cdtrack");
          d.num(c.u8());
          d.key("loop", c.u8());
          d.end();
          break;
        case svc_fog:
          d.lit(" fog");
          d.key("density", c.u8());
          d.key("red", c.u8());
          d.key("green", c.u8());
          d.key("blue", c.u8());
          d.key("time", c.s16());
          d.end();
          break;
        default:
          known = false;
          break;
      }
    }
    d.finish();
    if (!known || c.bad) {
      out.truncate(mark);
      proto = saved;
      std::size_t off = static_cast<std::size_t>(start - data);
      note = !known ? "unknown message id " + std::to_string(id)
                    : "message id " + std::to_string(id) + " runs past the end of the block";
      note += " at offset " + std::to_string(off);
      raw_bytes = n - off;
      out.put(" raw ");
      write_hex_bytes(out, start, n - off);
      out.put(";\n");
      return false;
    }
    first = false;
  }
  return true;
}

}  // namespace demfmt
