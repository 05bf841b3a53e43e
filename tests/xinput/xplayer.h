// Plays the built game as a person at the screen does: the game runs on an X server of its own
// (Xvfb), input goes in only through that server (XTest) and everything checked is read back from
// it: the root window's pixels and the pointer's image (XFixes). Where a thing is drawn is found
// from the screen itself (the lit part of a screenshot placed over the game's 1024x768 layout).
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace xinput {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

struct Rgb {
  int r = 0, g = 0, b = 0;
};

// A screenshot of the whole X screen: 0xRRGGBB words, rows top-down.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const;  // 0 outside
  // The smallest rectangle holding every pixel with a channel above `threshold` (empty when none).
  Rect LitBox(int threshold = 2) const;
  bool SavePpm(const std::filesystem::path& path) const;
};

// Where the game's layout (1024x768 pixels) lies on the screen.
struct Placement {
  double left = 0, top = 0, sx = 1, sy = 1;
  // Places the layout rectangle `layout` over the screen rectangle `lit` where it was found drawn.
  static Placement Fit(const Rect& lit, const Rect& layout);
  int X(double layoutX) const { return int(left + (layoutX + 0.5) * sx); }
  int Y(double layoutY) const { return int(top + (layoutY + 0.5) * sy); }
};

// The average colour of a small square of the layout (radius in layout pixels) as shown.
Rgb Sample(const Image& shot, const Placement& at, int layoutX, int layoutY, int radius = 3);

// The pointer's image as the X server shows it.
struct CursorImage {
  int width = 0, height = 0, hotX = 0, hotY = 0;
  std::vector<uint32_t> argb;
  bool operator==(const CursorImage& o) const {
    return width == o.width && height == o.height && hotX == o.hotX && hotY == o.hotY && argb == o.argb;
  }
  bool operator!=(const CursorImage& o) const { return !(*this == o); }
};

class XPlayer {
 public:
  XPlayer();
  ~XPlayer();  // ends the game and the X server

  // Starts Xvfb with a screen of this size; false (with the reason) when it cannot run here.
  bool StartServer(int width, int height, std::string* why);
  // Starts the game (build folder's program, `--multiple`, a fresh data folder).
  bool StartGame(const std::vector<std::string>& args = {});
  // Makes the game that StartGame runs a copy of the program and its assets in the test's folder,
  // whose new game begins in the given scene instead of at the chapter card (the program finds its
  // assets beside its own file, so it is copied, not linked). False, with the reason, on failure.
  bool CopyGameBeginningAt(int scene, std::string* why);
  bool GameRunning();

  int ScreenWidth() const { return width_; }
  int ScreenHeight() const { return height_; }

  // Input, in screen pixels or in layout pixels through a placement.
  void Move(int x, int y);
  void Click(int x, int y, int button = 1);
  void MoveTo(const Placement& at, int layoutX, int layoutY) { Move(at.X(layoutX), at.Y(layoutY)); }
  void ClickAt(const Placement& at, int layoutX, int layoutY) { Click(at.X(layoutX), at.Y(layoutY)); }
  // A button pressed or let go where the pointer is.
  void Press(int button = 1);
  void Release(int button = 1);
  // A key by its X keysym name ("Return", "Escape", "a"), with modifiers held ("Alt_L").
  void Key(const std::string& keysym, const std::vector<std::string>& held = {});
  void Type(const std::string& letters);  // letters, digits and spaces

  Image Shot();
  CursorImage Cursor();

  // Polls the condition (every 100 ms) until it holds or `seconds` pass; never judges speed.
  bool WaitUntil(const std::function<bool()>& condition, int seconds = 90);
  // Clicks, then waits for the condition; repeats the click a few times (a click can fall on a
  // screen that is still fading in).
  bool ClickUntil(Placement at, int layoutX, int layoutY, const std::function<bool()>& condition,
                  int attempts = 4, int secondsEach = 30);

  // The game's output and log, for failure messages.
  std::string GameLog() const;
  const std::filesystem::path& Folder() const { return root_; }

 private:
  void Pause(int ms);

  std::filesystem::path root_;
  Display* display_ = nullptr;
  pid_t server_ = -1, game_ = -1;
  int width_ = 0, height_ = 0;
  std::string displayName_;
  std::filesystem::path program_;  // empty: the build folder's
};

}  // namespace xinput
