// Drawing into the game's 320x240 8-bit screen: the view from the demo's
// camera (sky, a ground grid, entity markers, particles), the texts over it
// (notify lines, centre text, intermission, demo time, status) and the
// console that slides down over everything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "playstate.h"

namespace winquake {

inline constexpr int kScreenWidth = 320;
inline constexpr int kScreenHeight = 240;

struct Framebuffer {
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kScreenWidth * kScreenHeight, 0);
  std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * kScreenWidth + x)]; }
  void Set(int x, int y, std::uint8_t c) {
    if (x >= 0 && y >= 0 && x < kScreenWidth && y < kScreenHeight) pixels[static_cast<std::size_t>(y * kScreenWidth + x)] = c;
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
  static constexpr double kFocal = 160.0;  // a 90 degree horizontal field of view
  Camera(const float eye[3], const float angles[3]);
  Projection Project(const float point[3]) const;
  const double* Eye() const { return eye_; }
  const double* Forward() const { return forward_; }
  const double* Right() const { return right_; }
  const double* Up() const { return up_; }

 private:
  double eye_[3], forward_[3], right_[3], up_[3];
};

void RenderView(const PlayState& state, Framebuffer& fb);
// Centre text, intermission, pause, demo time and status numbers.
void RenderHud(const PlayState& state, Framebuffer& fb);
void RenderNotify(const std::vector<std::string>& lines, Framebuffer& fb);
// The console covering the top `lines` rows; the cursor blinks with `realTime`.
void RenderConsole(const Console& console, int lines, double realTime, Framebuffer& fb);

// "12.34" style text of a demo time (minutes and hours as m:ss.ss, h:mm:ss.ss).
std::string FormatDemoTime(double seconds);

}  // namespace winquake
