#pragma once
// Helpers shared by the AVI tests: small frames with recognisable pixels,
// PCM formats, temp paths.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/dib_geometry.h"
#include "platform/avi/avi_stream.h"

namespace avitest {

inline std::string TempPath(const std::string& name) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "quilva_avi_test";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

inline std::vector<uint8_t> Bitmap24Format(int32_t width, int32_t height) {
  std::vector<uint8_t> f(40, 0);
  BitmapHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = 24;
  h.biSizeImage = static_cast<uint32_t>(DibStride(width, 24) * (height < 0 ? -height : height));
  BitmapHeaderWrite(h, f.data());
  return f;
}

// Pixels of a 24-bit frame whose bytes all derive from (tag, position).
inline std::vector<uint8_t> Frame24(int32_t width, int32_t height, int tag) {
  size_t stride = static_cast<size_t>(DibStride(width, 24));
  std::vector<uint8_t> p(stride * static_cast<size_t>(height));
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(tag * 37 + i * 11 + (i >> 8));
  return p;
}

inline std::vector<uint8_t> PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits) {
  std::vector<uint8_t> f(18, 0);
  uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  PutU16(f.data(), 1);
  PutU16(f.data() + 2, channels);
  PutU32(f.data() + 4, rate);
  PutU32(f.data() + 8, rate * align);
  PutU16(f.data() + 12, align);
  PutU16(f.data() + 14, bits);
  return f;
}

inline AviStreamInfo VideoInfo(uint32_t rate, uint32_t scale, int32_t width, int32_t height) {
  AviStreamInfo info;
  info.fccType = kStreamTypeVideo;
  info.fccHandler = FourCC("DIB ");
  info.dwRate = rate;
  info.dwScale = scale;
  info.dwQuality = -1;
  info.rcFrame = {0, 0, width, height};
  return info;
}

inline AviStreamInfo AudioInfo(uint32_t rate, uint16_t align) {
  AviStreamInfo info;
  info.fccType = kStreamTypeAudio;
  info.dwScale = align;
  info.dwRate = rate * align;
  info.dwSampleSize = align;
  info.dwQuality = -1;
  return info;
}

// A made video stream of count frames tagged first, first + 1, ...
inline AviStreamRef MadeVideo(int32_t width, int32_t height, int count, int first = 0) {
  AviStreamRef s;
  std::vector<uint8_t> format = Bitmap24Format(width, height);
  AviMakeStream(VideoInfo(15, 1, width, height), format.data(), format.size(), s);
  for (int i = 0; i < count; ++i) {
    std::vector<uint8_t> pixels = Frame24(width, height, first + i);
    s->Write(i, pixels.data(), static_cast<uint32_t>(pixels.size()), AVIIF_KEYFRAME);
  }
  return s;
}

// Sample bytes of 16-bit stereo PCM: sample n holds n in both channels.
inline std::vector<uint8_t> Pcm16Stereo(int64_t first, int64_t count) {
  std::vector<uint8_t> p(static_cast<size_t>(count) * 4);
  for (int64_t i = 0; i < count; ++i) {
    PutU16(p.data() + i * 4, static_cast<uint16_t>(first + i));
    PutU16(p.data() + i * 4 + 2, static_cast<uint16_t>(~(first + i)));
  }
  return p;
}

inline std::vector<uint8_t> ReadSample(const AviStream& s, int64_t pos) {
  int64_t bytes = 0;
  if (s.Read(pos, 1, nullptr, 0, &bytes, nullptr) != AVIERR_OK) return {};
  std::vector<uint8_t> out(static_cast<size_t>(bytes));
  if (s.Read(pos, 1, out.data(), bytes, &bytes, nullptr) != AVIERR_OK) return {};
  return out;
}

inline std::vector<uint8_t> ReadAllSamples(const AviStream& s) {
  AviStreamInfo info = s.Info();
  int64_t count = info.dwLength;
  std::vector<uint8_t> out(static_cast<size_t>(count * info.dwSampleSize));
  int64_t bytes = 0, samples = 0;
  if (s.Read(info.dwStart, count, out.data(), static_cast<int64_t>(out.size()), &bytes, &samples) !=
      AVIERR_OK)
    return {};
  out.resize(static_cast<size_t>(bytes));
  return out;
}

// Which tag each frame carries (-1 when the pixels match no tag below 256).
inline std::vector<int> FrameTags(const AviStream& s, int32_t width, int32_t height) {
  std::vector<int> tags;
  for (int64_t p = AviStreamStart(s); p < AviStreamEnd(s); ++p) {
    std::vector<uint8_t> bytes = ReadSample(s, p);
    int tag = -1;
    for (int t = 0; t < 256 && tag < 0; ++t)
      if (bytes == Frame24(width, height, t)) tag = t;
    tags.push_back(tag);
  }
  return tags;
}

}  // namespace avitest
