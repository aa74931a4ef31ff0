#include "render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "font.h"
#include "palette.h"

namespace winquake {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGridSpacing = 64.0;
constexpr double kGridReach = 1600.0;
constexpr double kFloorReach = 4096.0;

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

std::uint8_t Shade(std::uint8_t row, double shade) {
  return static_cast<std::uint8_t>(row + std::clamp(static_cast<int>(shade), 0, 15));
}

struct Marker {
  double depth;
  int x0, y0, x1, y1;
  std::uint8_t fill, border;
  bool diamond;
};


void MarkerShape(ModelKind kind, double& w, double& h, double& lift, std::uint8_t& row) {
  const MarkerStyle style = MarkerStyleOf(kind);
  w = style.width, h = style.height, lift = style.lift, row = style.row;
}

void DrawMarker(Framebuffer& fb, const Marker& m) {
  const int x0 = std::max(m.x0, 0), x1 = std::min(m.x1, fb.width - 1);
  const int y0 = std::max(m.y0, 0), y1 = std::min(m.y1, fb.height - 1);
  const double cx = (m.x0 + m.x1) / 2.0, cy = (m.y0 + m.y1) / 2.0;
  const double hw = std::max(1.0, (m.x1 - m.x0) / 2.0), hh = std::max(1.0, (m.y1 - m.y0) / 2.0);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (m.diamond) {
        const double d = std::abs(x - cx) / hw + std::abs(y - cy) / hh;
        if (d > 1.0) continue;
        fb.Set(x, y, d > 0.7 ? m.border : m.fill);
      } else {
        const bool edge = x == m.x0 || x == m.x1 || y == m.y0 || y == m.y1;
        fb.Set(x, y, edge ? m.border : m.fill);
      }
    }
  }
}

bool Finite3(const float v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

}  // namespace

std::uint8_t ShadeOf(std::uint8_t row, double shade) { return Shade(row, shade); }

MarkerStyle MarkerStyleOf(ModelKind kind) {
  switch (kind) {
    case ModelKind::Player: return {32, 56, 4, kRowGreen, false};
    case ModelKind::Monster: return {36, 48, 4, kRowRed, false};
    case ModelKind::Item: return {20, 20, 12, kRowYellow, true};
    case ModelKind::Missile: return {10, 10, 0, kRowOrange, false};
    default: return {14, 14, 0, kRowTan, false};
  }
}

void FillRect(Framebuffer& fb, int x, int y, int w, int h, std::uint8_t color) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, fb.width), y1 = std::min(y + h, fb.height);
  for (int yy = y0; yy < y1; ++yy)
    std::fill(fb.pixels.begin() + yy * fb.width + x0, fb.pixels.begin() + yy * fb.width + std::max(x0, x1),
              fb.Ink(color));
}

void DrawText(Framebuffer& fb, int x, int y, std::string_view text, std::uint8_t color, std::uint8_t gold) {
  for (unsigned char c : text) {
    if (x >= fb.width) break;
    if (x > -kCharWidth && c != ' ') {
      const std::uint8_t* rows = GlyphRows(c);
      const std::uint8_t ink = c >= 128 ? gold : color;
      for (int r = 0; r < kCharHeight; ++r)
        for (int col = 0; col < 5; ++col)
          if (rows[r] & (0x10 >> col)) fb.Set(x + 1 + col, y + r, ink);
    }
    x += kCharWidth;
  }
}

Camera::Camera(const float eye[3], const float angles[3], int width, int height)
    : focal_(std::max(width, 1) / 2.0), centerX_(std::max(width, 1) / 2.0), centerY_(std::max(height, 1) / 2.0) {
  for (int k = 0; k < 3; ++k) eye_[k] = std::isfinite(eye[k]) ? eye[k] : 0.0;
  const double p = (std::isfinite(angles[0]) ? angles[0] : 0.0) * kPi / 180;
  const double y = (std::isfinite(angles[1]) ? angles[1] : 0.0) * kPi / 180;
  const double r = (std::isfinite(angles[2]) ? angles[2] : 0.0) * kPi / 180;
  const double sp = std::sin(p), cp = std::cos(p), sy = std::sin(y), cy = std::cos(y);
  const double sr = std::sin(r), cr = std::cos(r);
  // x points ahead at yaw 0, y to the left, z up; a positive pitch looks down.
  forward_[0] = cp * cy, forward_[1] = cp * sy, forward_[2] = -sp;
  right_[0] = -sr * sp * cy + cr * sy, right_[1] = -sr * sp * sy - cr * cy, right_[2] = -sr * cp;
  up_[0] = cr * sp * cy + sr * sy, up_[1] = cr * sp * sy - sr * cy, up_[2] = cr * cp;
}

Projection Camera::Project(const float point[3]) const {
  Projection pr;
  if (!Finite3(point)) return pr;
  const double v[3] = {point[0] - eye_[0], point[1] - eye_[1], point[2] - eye_[2]};
  pr.depth = Dot(v, forward_);
  if (pr.depth < 4.0) return pr;
  pr.visible = true;
  pr.x = centerX_ + Dot(v, right_) / pr.depth * focal_;
  pr.y = centerY_ - Dot(v, up_) / pr.depth * focal_;
  return pr;
}

void RenderView(const PlayState& state, Framebuffer& fb) {
  float eye[3], angles[3];
  state.Camera(eye, angles);
  const int width = fb.width, height = fb.height;
  const Camera cam(eye, angles, width, height);
  const double focal = cam.Focal(), centerX = width / 2.0, centerY = height / 2.0;
  const double* f = cam.Forward();
  const double* r = cam.Right();
  const double* u = cam.Up();
  const double* e = cam.Eye();
  const double eyeHeight =
      std::max(8.0, static_cast<double>(state.Intermission() ? 48 : std::max(state.ViewHeight(), 0)));

  // Sky and ground, pixel by pixel: where the ray through a pixel meets the
  // ground plane at the feet, the grid lines every 64 units show. The ray
  // grows linearly along a row, so each pixel adds one step to it.
  // The table depends only on the picture's size; each thread keeps its own.
  thread_local std::vector<float> invLength;
  thread_local int tableWidth = 0, tableHeight = 0;
  if (tableWidth != width || tableHeight != height) {
    invLength.assign(static_cast<std::size_t>(width) * height, 0.0f);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const double a = (x + 0.5 - centerX) / focal, b = (centerY - (y + 0.5)) / focal;
        invLength[static_cast<std::size_t>(y) * width + x] = static_cast<float>(1.0 / std::sqrt(1.0 + a * a + b * b));
      }
    tableWidth = width, tableHeight = height;
  }
  const float ex = static_cast<float>(e[0]), ey = static_cast<float>(e[1]);
  const float h = static_cast<float>(eyeHeight);
  const float inv = static_cast<float>(1.0 / kGridSpacing);
  const float step[3] = {static_cast<float>(r[0] / focal), static_cast<float>(r[1] / focal),
                         static_cast<float>(r[2] / focal)};
  for (int y = 0; y < height; ++y) {
    const double b = (centerY - (y + 0.5)) / focal;
    const double a0 = (0.5 - centerX) / focal;
    float d[3] = {static_cast<float>(f[0] + r[0] * a0 + u[0] * b), static_cast<float>(f[1] + r[1] * a0 + u[1] * b),
                  static_cast<float>(f[2] + r[2] * a0 + u[2] * b)};
    std::uint8_t* row = fb.pixels.data() + static_cast<std::size_t>(y) * width;
    const float* il = invLength.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x, d[0] += step[0], d[1] += step[1], d[2] += step[2]) {
      if (d[2] >= 0) {
        row[x] = Shade(kRowSky, 14 - 7 * (d[2] * il[x]));
        continue;
      }
      const float t = h / -d[2];
      const float dist = t / il[x];
      if (dist > static_cast<float>(kFloorReach)) {
        row[x] = Shade(kRowFloor, 2);
        continue;
      }
      std::uint8_t c = Shade(kRowFloor, 10 - dist / 450);
      if (dist < static_cast<float>(kGridReach)) {
        const float gx = (ex + d[0] * t) * inv, gy = (ey + d[1] * t) * inv;
        const float fx = std::abs(gx - std::nearbyint(gx)), fy = std::abs(gy - std::nearbyint(gy));
        const float lineWidth = (0.6f + dist * static_cast<float>(0.9 / focal)) * inv;
        if (std::min(fx, fy) < lineWidth) c = Shade(kRowTan, 13 - dist / 300);
      }
      row[x] = c;
    }
  }

  // Entity markers, far ones first.
  std::vector<Marker> markers;
  auto add = [&](const EntityState& s) {
    const ModelKind kind = state.KindOf(s.model);
    if (kind == ModelKind::None || kind == ModelKind::Brush) return;
    double w, h, lift;
    std::uint8_t row;
    MarkerShape(kind, w, h, lift, row);
    const float centre[3] = {s.origin[0], s.origin[1], static_cast<float>(s.origin[2] + lift)};
    const Projection p = cam.Project(centre);
    if (!p.visible) return;
    const double pw = std::clamp(w * focal / p.depth, 2.0, 200.0);
    const double ph = std::clamp(h * focal / p.depth, 2.0, 200.0);
    if (p.x + pw < 0 || p.x - pw > width || p.y + ph < 0 || p.y - ph > height) return;
    const double shade = 15 - std::min(9.0, p.depth / 250);
    Marker m{p.depth,
             static_cast<int>(std::lround(p.x - pw / 2)),
             static_cast<int>(std::lround(p.y - ph / 2)),
             static_cast<int>(std::lround(p.x + pw / 2)),
             static_cast<int>(std::lround(p.y + ph / 2)),
             Shade(row, shade),
             pw < 5 ? Shade(row, shade) : Shade(row, shade - 6),
             kind == ModelKind::Item};
    markers.push_back(m);
  };
  for (const EntityState& s : state.Statics()) add(s);
  const auto& entities = state.Entities();
  for (std::size_t i = 1; i < entities.size(); ++i) {
    if (static_cast<int>(i) == state.ViewEntity() || !state.Visible(entities[i])) continue;
    add(entities[i].current);
  }
  std::sort(markers.begin(), markers.end(), [](const Marker& a, const Marker& b) { return a.depth > b.depth; });
  for (const Marker& m : markers) DrawMarker(fb, m);

  for (const Particle& p : state.Particles()) {
    const Projection pr = cam.Project(p.origin);
    if (!pr.visible) continue;
    const int x = static_cast<int>(std::lround(pr.x)), y = static_cast<int>(std::lround(pr.y));
    fb.Set(x, y, p.color);
    if (pr.depth < 160) {
      fb.Set(x + 1, y, p.color);
      fb.Set(x, y + 1, p.color);
      fb.Set(x + 1, y + 1, p.color);
    }
  }
}

std::string FormatDemoTime(double seconds) {
  char buf[48];
  if (!std::isfinite(seconds)) return "-";
  const bool negative = seconds < 0;
  double s = std::abs(seconds);
  if (s >= 1e9) s = 1e9;
  const long long hundredths = std::llround(s * 100);
  const long long total = hundredths / 100;
  const int frac = static_cast<int>(hundredths % 100);
  const long long h = total / 3600, m = (total / 60) % 60, sec = total % 60;
  if (h > 0) std::snprintf(buf, sizeof buf, "%s%lld:%02lld:%02lld.%02d", negative ? "-" : "", h, m, sec, frac);
  else if (m > 0) std::snprintf(buf, sizeof buf, "%s%lld:%02lld.%02d", negative ? "-" : "", m, sec, frac);
  else std::snprintf(buf, sizeof buf, "%s%lld.%02d", negative ? "-" : "", sec, frac);
  return buf;
}

namespace {

void ShadowText(Framebuffer& fb, int x, int y, std::string_view text) {
  DrawText(fb, x + 1, y + 1, text, kUiBlack, kUiBlack);
  DrawText(fb, x, y, text, kUiWhite, kUiGoldText);
}

void CenteredLines(Framebuffer& fb, std::string_view text, int y, std::size_t maxLines) {
  const int screenWidth = fb.width;
  std::size_t count = 0;
  std::vector<std::string_view> lines;
  while (count < maxLines) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (line.size() > 40) line = line.substr(0, 40);
    lines.push_back(line);
    ++count;
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
    if (text.empty()) break;
  }
  for (std::string_view line : lines) {
    ShadowText(fb, (screenWidth - static_cast<int>(line.size()) * kCharWidth) / 2, y, line);
    y += kCharHeight;
  }
}

}  // namespace

void RenderHud(const PlayState& state, Framebuffer& fb) {
  const int screenWidth = fb.width, screenHeight = fb.height;
  if (state.CenterVisible()) {
    const std::string& text = state.CenterText();
    const auto lines = static_cast<int>(std::min<std::size_t>(
        16, static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1));
    const int top = state.Intermission() >= 2 ? 40 : static_cast<int>(screenHeight * 0.35) - lines * 4;
    CenteredLines(fb, text, std::max(top, 8), 16);
  }
  if (state.Intermission() == 1) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "kills %d/%d  secrets %d/%d", state.Stat(kStatMonsters),
                  state.Stat(kStatTotalMonsters), state.Stat(kStatSecrets), state.Stat(kStatTotalSecrets));
    CenteredLines(fb, "INTERMISSION", 48, 1);
    CenteredLines(fb, buf, 64, 1);
  }
  if (state.Paused()) CenteredLines(fb, "PAUSED", 112, 1);
  if (state.HasClientData()) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "H%d A%d N%d", state.Stat(kStatHealth), state.Stat(kStatArmor),
                  state.Stat(kStatAmmo));
    const int w = static_cast<int>(std::string_view(buf).size()) * kCharWidth + 4;
    FillRect(fb, 0, screenHeight - 11, w, 11, kUiPanel);
    DrawText(fb, 2, screenHeight - 10, buf, kUiText, kUiGoldText);
  }
  if (state.HasTime()) {
    const std::string t = FormatDemoTime(state.Time());
    const int w = static_cast<int>(t.size()) * kCharWidth + 4;
    FillRect(fb, screenWidth - w, screenHeight - 11, w, 11, kUiPanel);
    DrawText(fb, screenWidth - w + 2, screenHeight - 10, t, kUiWhite, kUiGoldText);
  }
}

void RenderNotify(const std::vector<std::string>& lines, Framebuffer& fb) {
  int y = 1;
  for (const std::string& line : lines) {
    DrawText(fb, 1, y + 1, line, kUiBlack, kUiBlack);
    DrawText(fb, 0, y, line, kUiText, kUiGoldText);
    y += kCharHeight;
  }
}

void RenderConsole(const Console& console, int lines, double realTime, Framebuffer& fb) {
  const int screenWidth = fb.width, screenHeight = fb.height;
  lines = std::min(lines, screenHeight);
  if (lines <= 0) return;
  // A stone wall: courses of 8 rows, joints every 16 columns, offset by half
  // a stone from course to course, lighter towards the bottom.
  const int top = lines - screenHeight;  // the console slides: its picture moves with it
  for (int y = 0; y < lines; ++y) {
    const int wy = y - top;
    std::uint8_t* row = fb.pixels.data() + y * screenWidth;
    const int base = 2 + wy * 4 / screenHeight;  // shades 2 to 5 of the console row
    for (int x = 0; x < screenWidth; ++x) {
      const bool joint = wy % 8 == 7 || (x + (wy / 8 % 2) * 8) % 16 == 15;
      row[x] = fb.Ink(static_cast<std::uint8_t>(kRowUi + (joint ? base - 1 : base)));
    }
  }
  FillRect(fb, 0, lines - 2, screenWidth, 2, kUiEdge);

  const int inputY = lines - 2 - 2 - kCharHeight;
  const std::string& input = console.Input();
  std::string shown = "]" + input;
  if (shown.size() > Console::kWidth + 1) shown = shown.substr(shown.size() - Console::kWidth - 1);
  DrawText(fb, 0, inputY, shown, kUiWhite, kUiGoldText);
  if (static_cast<long long>(realTime * 3) % 2 == 0)
    DrawText(fb, static_cast<int>(shown.size()) * kCharWidth, inputY, "_", kUiWhite, kUiWhite);

  int y = inputY - kCharHeight;
  std::size_t n = console.LineCount();
  const std::size_t offset = console.ScrollOffset();
  if (offset > 0) {
    DrawText(fb, 0, y, "^   ^   ^   ^   ^   ^   ^   ^   ^   ^", kUiGoldText, kUiGoldText);
    y -= kCharHeight;
  }
  n = n > offset ? n - offset : 0;
  while (n > 0 && y > -kCharHeight) {
    --n;
    DrawText(fb, 0, y, console.Line(n), kUiText, kUiGoldText);
    y -= kCharHeight;
  }
}

}  // namespace winquake
