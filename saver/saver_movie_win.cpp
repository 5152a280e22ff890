#include "saver/saver_movie_win.h"

#include "platform/avi/avi_api_win.h"

#include "saver/saver_geometry.h"

namespace {
bool OpenFile(SaverMovie& movie, const std::wstring& path) {
  ownavi::AVIFileInit();
  movie.servicesStarted = true;
  return ownavi::AVIFileOpenW(&movie.file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr) == 0;
}

bool OpenFrames(SaverMovie& movie) {
  movie.frames = ownavi::AVIStreamGetFrameOpen(movie.stream, nullptr);
  return movie.frames != nullptr;
}
}  // namespace

bool SaverMovieOpenVideo(SaverMovie& movie, const std::wstring& path) {
  SaverMovie opened;
  AVIFILEINFOW fileInfo{};
  if (!OpenFile(opened, path) || ownavi::AVIFileInfoW(opened.file, &fileInfo, sizeof fileInfo) != 0) {
    SaverMovieClose(opened);
    return false;
  }
  AVISTREAMINFOW chosen{};
  for (DWORD i = 0; i < fileInfo.dwStreams; ++i) {
    PAVISTREAM stream = nullptr;
    if (ownavi::AVIFileGetStream(opened.file, &stream, 0, static_cast<LONG>(i)) != 0) continue;
    AVISTREAMINFOW info{};
    bool video = ownavi::AVIStreamInfoW(stream, &info, sizeof info) == 0 && info.fccType == streamtypeVIDEO;
    if (video && (!opened.stream || info.wPriority < chosen.wPriority)) {
      if (opened.stream) ownavi::AVIStreamRelease(opened.stream);
      opened.stream = stream;
      chosen = info;
    } else {
      ownavi::AVIStreamRelease(stream);
    }
  }
  opened.interval = opened.stream ? SaverTimerInterval(chosen.dwScale, chosen.dwRate) : 0;
  // A stream without a usable rate would arm a timer of about 49 days; it is
  // treated like a movie without video.
  if (!opened.stream || opened.interval == 0 || !OpenFrames(opened)) {
    SaverMovieClose(opened);
    return false;
  }
  opened.first = static_cast<LONG>(chosen.dwStart);
  opened.end = static_cast<LONG>(chosen.dwStart + chosen.dwLength);
  movie = opened;
  return true;
}

bool SaverMovieOpenFirstStream(SaverMovie& movie, const std::wstring& path) {
  SaverMovie opened;
  if (!OpenFile(opened, path) || ownavi::AVIFileGetStream(opened.file, &opened.stream, 0, 0) != 0 ||
      !OpenFrames(opened)) {
    SaverMovieClose(opened);
    return false;
  }
  movie = opened;
  return true;
}

const BITMAPINFOHEADER* SaverMovieFrame(SaverMovie& movie, LONG frame) {
  if (!movie.frames) return nullptr;
  return static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(movie.frames, frame));
}

// Frame reader and stream go before the file: a file may be written out on its
// last release.
void SaverMovieClose(SaverMovie& movie) {
  if (movie.frames) ownavi::AVIStreamGetFrameClose(movie.frames);
  if (movie.stream) ownavi::AVIStreamRelease(movie.stream);
  if (movie.file) ownavi::AVIFileRelease(movie.file);
  if (movie.servicesStarted) ownavi::AVIFileExit();
  movie = SaverMovie{};
}
