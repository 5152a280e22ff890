#pragma once
// The three commands that make a movie from still pictures. Each runs to its
// end inside the menu command that calls it, on the user-interface thread.
#include <windows.h>

#include <string>

// Dialog 102 (owned by the main window): the first picture of a numbered
// sequence and the movie's length; its confirm button runs BitmapsToMovie.
INT_PTR RunBitmapsToMovieDialog(HWND mainWindow);
// Writes pictures 0 .. count - 1 of the sequence that firstPath starts as
// RESULT.AVI beside them, lasting `seconds`; progress in the dialog's title.
bool BitmapsToMovie(const std::wstring& firstPath, unsigned seconds, int count, HWND dialog);

// Dialog 110: the number of frames of a cross-fade, at least 3, or 0 when
// cancelled (kept in gFrameCountDialog.result as well).
struct FrameCountDialog {
  int result = 0;
};
extern FrameCountDialog gFrameCountDialog;
int AskFrameCount(HWND owner);

// Asks for two 24-bit pictures of one size, a destination and a frame count,
// and writes an uncompressed movie fading from the first to the second.
bool CrossFadeBitmaps(HWND mainWindow);

// Asks for a picture and a destination (which may not be playerFile, the
// file the player holds; empty when none), then writes the picture burning
// away from the bottom up, one row a frame at 12 frames a second.
bool BurnBitmap(HWND mainWindow, const std::wstring& playerFile);
