#pragma once
// "文字列の描画": dialog 111, where the text, its font and colour and its
// place on the frame are chosen over a preview of the range's frames, and
// the run that writes a copy of the movie with the text drawn on the range.
#include <windows.h>

#include <string>

// The dialog's settings, reset each time it opens.
struct TextDrawingState {
  LOGFONTW font{};
  COLORREF colour = 0;
  int x = 0, y = 0;           // the text's top-left corner in the frame
  int width = 0, height = 0;  // the movie's first frame
  bool ready = false;
};
extern TextDrawingState gTextDrawing;

// The LOGFONT the dialog starts with: 12 pixels high, weight 400, character
// set 128, pitch and family 16, face "ＭＳ ゴシック".
LOGFONTW DefaultTextFont();

// Opens dialog 111 for the range gRangeDialog holds; true when the run went through.
bool RunTextDialog(HWND owner);

// Every frame of the player's movie into a new movie (no sound), the text
// drawn in the rectangle (x, y)-(W, H) on the samples first..last.
bool DrawTextOnMovie(const LOGFONTW& font, COLORREF colour, int x, int y, const std::wstring& text,
                     LONG first, LONG last);
