#pragma once
// The range dialog (101) and what it starts: every frame of a range as a
// bitmap file, the range with its stretch of sound as a new AVI, or the range
// the text drawing keeps to. Frame access goes through our AVI services.
#include "platform/avi/avi_api_win.h"  // before <vfw.h>

#include <windows.h>
#include <vfw.h>

#include <string>

#include "editor/filters/dialog_kind.h"

// What the dialog reads when it opens, and the range it hands to the text
// drawing; process-wide, as the text dialog reads it after this one closed.
struct RangeDialogState {
  DialogKind kind = DialogKind::RangeBitmaps;
  bool preview = false;  // frames can be decoded for the two pictures
  LONG streamStart = 0;
  LONG streamLength = 0;
  LONG scale = -1, rate = -1;
  bool settling = false;  // the dialog writes its own edits
  // TextRange: first and last absolute sample for the text drawing.
  LONG textFirst = 0, textLast = 0;
};
extern RangeDialogState gRangeDialog;

// Opens dialog 101 for `kind` owned by `owner`: 1 when a text range was
// chosen, else 0 (cancelled, or the extraction it started is over).
INT_PTR RunRangeDialog(HWND owner, DialogKind kind);

// One frame (counted from the stream's start) of the player's movie fitted
// into a side x side box of the window at (x, y). False after its message,
// or silently when the movie has no video.
bool ShowRangeFrame(HWND window, LONG frame, int x, int y, int side);

// first and last are absolute sample numbers.
bool ExtractRangeToBitmaps(LONG first, LONG last);
bool ExtractRangeToMovie(LONG first, LONG last);

// The streams of a range movie: the video samples first..last and, when the
// source has sound, the stretch that plays with them (null otherwise).
// Messages titled "あら？"; everything is released with the object.
struct RangeStreams {
  PAVISTREAM video = nullptr;      // the source's
  PAVISTREAM audio = nullptr;      // the source's
  PAVISTREAM editVideo = nullptr;  // the range
  PAVISTREAM editAudio = nullptr;  // the whole sound, editable
  PAVISTREAM sound = nullptr;      // the stretch of it
  RangeStreams() = default;
  RangeStreams(const RangeStreams&) = delete;
  RangeStreams& operator=(const RangeStreams&) = delete;
  ~RangeStreams();
};
bool BuildRangeStreams(const std::wstring& source, LONG first, LONG last, RangeStreams* s);

// A packed DIB of any depth as a bitmap file; true only when every byte was
// written and the file closed.
bool WriteBitmapFile(const std::wstring& path, const BITMAPINFOHEADER* dib);

// The player's video as the pictures and extractions take it: the video
// stream of the lowest priority value in the player's file, with a frame
// reader. Open: every message titled "失敗ですわ"; false also, silently
// (*noVideo set), when the file has no video.
struct PlayerVideo {
  PAVIFILE file = nullptr;
  PAVISTREAM video = nullptr;
  PGETFRAME frames = nullptr;
  LONG start = 0, length = 0;
  std::wstring path;
  bool started = false;  // the services were started for it
};
bool OpenPlayerVideo(PlayerVideo* v, bool* noVideo = nullptr);
// False when the frame reader reported an error as it closed (its message
// shown); the rest is released whatever happens.
bool ClosePlayerVideo(PlayerVideo* v);
