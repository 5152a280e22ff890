#pragma once
// tindora's view of a movie: open it, pick the video stream to play, and hand
// out packed DIB frames. Every AVI file call of the saver is in this one file,
// served by our own AVI services (the platform's read no file past 2 GiB).
#include "platform/avi/avi_api_win.h"
#include "platform/avi/avi_handles_win.h"

#include <windows.h>
#include <vfw.h>

#include <string>

// Owns what it opened. The members go in the reverse of their order here:
// frame reader, stream, file, then the services' start.
struct SaverMovie {
  SaverMovie() = default;
  SaverMovie(SaverMovie&&) = default;
  SaverMovie& operator=(SaverMovie&& other) noexcept;
  ScopedAviServices services = ScopedAviServices::Deferred();
  UniqueAviFile file;
  UniqueAviStream stream;
  UniqueGetFrame frames;
  LONG first = 0;
  LONG end = 0;
  UINT interval = 0;  // milliseconds per frame
};

// Opens `path`, chooses the video stream with the lowest priority value (the
// first one among equals) and its frame decompressor. On failure everything
// opened is released again and false is returned.
bool SaverMovieOpenVideo(SaverMovie& movie, const std::wstring& path);
// Opens stream 0 of any type with its frame decompressor (the dialog's preview).
bool SaverMovieOpenFirstStream(SaverMovie& movie, const std::wstring& path);
// A packed DIB owned by the decompressor, or null.
const BITMAPINFOHEADER* SaverMovieFrame(SaverMovie& movie, LONG frame);
void SaverMovieClose(SaverMovie& movie);
