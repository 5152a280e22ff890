#pragma once
// What the pipeline's Win32 tests share: movies of every depth written by our
// own writer, a real player window showing one, and the frames of a movie as
// our reader sees them.
#include "platform/avi/avi_stream.h"  // before <vfw.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// An ASCII folder of the test's own (the platform's players open paths
// through the ANSI code page). Ends in "\".
std::string PipelineTestFolder();

struct TestMovie {
  int width = 8, height = 6;
  int bits = 24;  // 8 (palettised), 16 (5-5-5), 24 or 32
  int frames = 4;
  int soundSamples = 0;  // 16-bit stereo PCM at 8000 Hz; 0 for no sound stream
  uint32_t rate = 10, scale = 1;
  // The stored pixel rows of frame i when a test needs pictures of its own;
  // empty: the noise below.
  std::function<std::vector<uint8_t>(int i)> pixels;
};

// The stored pixels of frame i (made from i and the depth).
std::vector<uint8_t> TestMoviePixels(const TestMovie& movie, int i);
std::vector<uint8_t> TestMovieFormat(const TestMovie& movie);
std::vector<uint8_t> TestMoviePcm(const TestMovie& movie);
// Writes the movie; false when it could not.
bool WriteTestMovie(const std::string& path, const TestMovie& movie);
// A movie of the given video format whose samples are stored as they are
// (an empty one is a dropped frame, a short one damaged), 10 a second.
bool WriteRawMovie(const std::string& path, const std::vector<uint8_t>& format,
                   const std::vector<std::vector<uint8_t>>& samples);

// Packed DIBs (header, colours, pixels) of every frame in their stored form,
// and the bytes of the sound stream, through our own reader.
std::vector<std::vector<uint8_t>> ReadPackedFrames(const std::string& path);
std::vector<uint8_t> ReadSound(const std::string& path);
// The stream's information, or a zero type when there is no such stream.
AviStreamInfo ReadStreamInfo(const std::string& path, uint32_t type);

// A top-level window (the editor's main window, recording its titles) with a
// real media-control window that has `path` open (none when empty); both are
// what the pipeline speaks to until the object goes.
class TestPlayer {
 public:
  explicit TestPlayer(const std::string& path);
  ~TestPlayer();
  TestPlayer(const TestPlayer&) = delete;
  TestPlayer& operator=(const TestPlayer&) = delete;
  HWND main() const { return main_; }
  HWND player() const { return player_; }
  // Every title the main window was given, in order (UTF-8).
  const std::vector<std::string>& titles() const;

 private:
  HWND main_ = nullptr;
  HWND player_ = nullptr;
};
