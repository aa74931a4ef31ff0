// Drawing into the game's 320x240 8-bit screen: the view from the demo's
// camera (sky, a ground grid, entity markers, particles), the texts over it
// (notify lines, centre text, intermission, demo time, status) and the
// console that slides down over everything.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "playstate.h"

namespace winquake {

inline constexpr int kScreenWidth = 320;
inline constexpr int kScreenHeight = 240;

// An 8-bit picture, the screen's 320x240 unless made otherwise.
struct Framebuffer {
  Framebuffer() = default;
  Framebuffer(int w, int h)
      : width(std::max(w, 1)), height(std::max(h, 1)), pixels(static_cast<std::size_t>(width) * height, 0) {}

  int width = kScreenWidth;
  int height = kScreenHeight;
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kScreenWidth * kScreenHeight, 0);
  // Texts, the console, markers and particles are drawn in the game's own
  // colours (palette.h); when the picture is in the palette of the game's
  // data, `ink` maps each of those colours to the nearest one there.
  const std::uint8_t* ink = nullptr;

  std::uint8_t Ink(std::uint8_t c) const { return ink ? ink[c] : c; }
  std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  // Sets a pixel to the ink of `c`; nothing outside the picture.
  void Set(int x, int y, std::uint8_t c) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<std::size_t>(y) * width + x] = Ink(c);
  }
};

void FillRect(Framebuffer& fb, int x, int y, int w, int h, std::uint8_t color);
// Text in 8x8 cells from (x, y); bytes 128 and up in `gold`. Clipped to the screen.
void DrawText(Framebuffer& fb, int x, int y, std::string_view text, std::uint8_t color, std::uint8_t gold);

// A point of the world on the screen, for the view's camera.
struct Projection {
  bool visible = false;  // in front of the camera
  double x = 0, y = 0;   // screen position
  double depth = 0;      // distance along the view direction
};

class Camera {
 public:
  static constexpr double kFocal = 160.0;  // a 90 degree horizontal field of view at 320 wide
  // The view of a picture `width` x `height`, 90 degrees wide.
  Camera(const float eye[3], const float angles[3], int width = kScreenWidth, int height = kScreenHeight);
  Projection Project(const float point[3]) const;
  const double* Eye() const { return eye_; }
  const double* Forward() const { return forward_; }
  const double* Right() const { return right_; }
  const double* Up() const { return up_; }
  double Focal() const { return focal_; }

 private:
  double eye_[3], forward_[3], right_[3], up_[3];
  double focal_ = kFocal, centerX_ = kScreenWidth / 2.0, centerY_ = kScreenHeight / 2.0;
};

// How the schematic view shows an entity: a box (a diamond for items) of
// `width` x `height` world units, `lift` above its origin, in a colour row.
struct MarkerStyle {
  double width, height, lift;
  std::uint8_t row;
  bool diamond;
};
MarkerStyle MarkerStyleOf(ModelKind kind);
// Shade 0..15 (clamped) of a colour row.
std::uint8_t ShadeOf(std::uint8_t row, double shade);

// The schematic view (sky, ground grid, markers, particles) in the game's
// own colours, at the framebuffer's size.
void RenderView(const PlayState& state, Framebuffer& fb);
// Centre text, intermission, pause, demo time and status numbers.
void RenderHud(const PlayState& state, Framebuffer& fb);
void RenderNotify(const std::vector<std::string>& lines, Framebuffer& fb);
// The console covering the top `lines` rows; the cursor blinks with `realTime`.
void RenderConsole(const Console& console, int lines, double realTime, Framebuffer& fb);

// "12.34" style text of a demo time (minutes and hours as m:ss.ss, h:mm:ss.ss).
std::string FormatDemoTime(double seconds);

}  // namespace winquake
