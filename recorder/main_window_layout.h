#pragma once
// Size and start position of the recorder's main window. Pure arithmetic over
// the system metrics, so it is checked without a window system.
struct WindowMetrics {
  int screenWidth;
  int screenHeight;
  int frameWidth;  // sizing frame, one side
  int frameHeight;
  int captionHeight;
};

struct MainWindowPlacement {
  int x;
  int y;
  int width;
  int height;
};

// Width of the window: room for the four buttons of the top row.
int MainWindowWidth(const WindowMetrics& m);
// Height with the settings tabs folded away.
int MainWindowFoldedHeight(const WindowMetrics& m);
inline constexpr int kMainWindowUnfoldedHeight = 300;

// savedX/savedY come from the settings; a coordinate at or past the screen's
// size means "never placed" (or placed on a larger screen) and centres that axis.
MainWindowPlacement PlaceMainWindow(const WindowMetrics& m, int savedX, int savedY, bool expanded);
