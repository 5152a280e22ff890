#include "saver/saver_movie_win.h"

#include "platform/avi/avi_api_win.h"

#include "saver/saver_geometry.h"

namespace {
bool OpenFile(SaverMovie& movie, const std::wstring& path) {
  movie.services.start();
  return ownavi::AVIFileOpenW(movie.file.put(), path.c_str(), OF_READ | OF_SHARE_DENY_NONE,
                              nullptr) == 0;
}

bool OpenFrames(SaverMovie& movie) {
  movie.frames.reset(ownavi::AVIStreamGetFrameOpen(movie.stream.get(), nullptr));
  return movie.frames.get() != nullptr;
}
}  // namespace

bool SaverMovieOpenVideo(SaverMovie& movie, const std::wstring& path) {
  SaverMovie opened;
  AVIFILEINFOW fileInfo{};
  if (!OpenFile(opened, path) ||
      ownavi::AVIFileInfoW(opened.file.get(), &fileInfo, sizeof fileInfo) != 0) {
    SaverMovieClose(opened);
    return false;
  }
  AVISTREAMINFOW chosen{};
  for (DWORD i = 0; i < fileInfo.dwStreams; ++i) {
    UniqueAviStream stream;
    if (ownavi::AVIFileGetStream(opened.file.get(), stream.put(), 0, static_cast<LONG>(i)) != 0)
      continue;
    AVISTREAMINFOW info{};
    bool video = ownavi::AVIStreamInfoW(stream.get(), &info, sizeof info) == 0 &&
                 info.fccType == streamtypeVIDEO;
    if (video && (!opened.stream || info.wPriority < chosen.wPriority)) {
      opened.stream = std::move(stream);  // a stream chosen before goes
      chosen = info;
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
  movie = std::move(opened);
  return true;
}

bool SaverMovieOpenFirstStream(SaverMovie& movie, const std::wstring& path) {
  SaverMovie opened;
  if (!OpenFile(opened, path) ||
      ownavi::AVIFileGetStream(opened.file.get(), opened.stream.put(), 0, 0) != 0 ||
      !OpenFrames(opened)) {
    SaverMovieClose(opened);
    return false;
  }
  movie = std::move(opened);
  return true;
}

const BITMAPINFOHEADER* SaverMovieFrame(SaverMovie& movie, LONG frame) {
  if (!movie.frames) return nullptr;
  return static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(movie.frames.get(), frame));
}

// Frame reader and stream go before the file: a file may be written out on its
// last release.
void SaverMovieClose(SaverMovie& movie) {
  movie.frames.reset();
  movie.stream.reset();
  movie.file.reset();
  movie.services.reset();
  movie.first = 0;
  movie.end = 0;
  movie.interval = 0;
}

// The movie held before goes first, in its own order; a member-wise move would
// release its file before its frame reader.
SaverMovie& SaverMovie::operator=(SaverMovie&& other) noexcept {
  if (this != &other) {
    SaverMovieClose(*this);
    services = std::move(other.services);
    file = std::move(other.file);
    stream = std::move(other.stream);
    frames = std::move(other.frames);
    first = other.first;
    end = other.end;
    interval = other.interval;
  }
  return *this;
}
