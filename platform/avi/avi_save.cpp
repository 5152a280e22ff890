#include "platform/avi/avi_save.h"

#include <algorithm>
#include <filesystem>

#include "common/file.h"
#include "platform/avi/wav.h"

namespace {

// Largest piece of fixed-size samples written as one chunk.
constexpr int64_t kMaxSoundChunk = 256 * 1024;

bool EndsWithWav(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return tail == ".wav";
}

struct SaveStream {
  AviStreamRef stream;
  AviStreamInfo info;
  int64_t start = 0;
  int64_t length = 0;
  int64_t done = 0;  // samples written, from start
  bool variable = true;
  uint32_t sampleSize = 0;
  int index = 0;
};

// Reads samples [from, from + count) of s and writes them as chunks.
AviResult CopySamples(OdmlWriter& writer, SaveStream& s, int64_t count,
                      std::vector<uint8_t>& buffer) {
  while (count > 0) {
    int64_t pos = s.start + s.done;
    int64_t want =
        s.variable ? 1 : std::max<int64_t>(1, std::min(count, kMaxSoundChunk / s.sampleSize));
    int64_t bytes = 0, samples = 0;
    AviResult r = s.stream->Read(pos, want, nullptr, 0, &bytes, &samples);
    if (r != AVIERR_OK) return r;
    if (samples <= 0) return AVIERR_FILEREAD;  // claims samples it cannot give
    if (bytes < 0 || bytes > 0x7FFFFFF0) return AVIERR_BADSIZE;
    if (buffer.size() < static_cast<size_t>(bytes)) buffer.resize(static_cast<size_t>(bytes));
    r = s.stream->Read(pos, samples, buffer.data(), static_cast<int64_t>(buffer.size()), &bytes,
                       &samples);
    if (r != AVIERR_OK) return r;
    if (samples <= 0) return AVIERR_FILEREAD;
    uint32_t flags = s.variable ? (s.stream->IsKeyFrame(pos) ? AVIIF_KEYFRAME : 0) : AVIIF_KEYFRAME;
    r = OdmlWriterWrite(writer, s.index, buffer.data(), static_cast<uint32_t>(bytes), flags);
    if (r != AVIERR_OK) return r;
    s.done += samples;
    count -= samples;
  }
  return AVIERR_OK;
}

AviResult SaveWave(AviSink& sink, const AviStreamRef& stream, const AviSaveCallback& progress) {
  AviStreamInfo info = stream->Info();
  if (info.fccType != kStreamTypeAudio) return AVIERR_UNSUPPORTED;
  std::vector<uint8_t> format;
  AviResult r = stream->ReadFormat(info.dwStart, format);
  if (r != AVIERR_OK) return r;
  WavWriter wav;
  r = WavWriterCreateOnSink(wav, sink, format.data(), format.size());
  if (r != AVIERR_OK) return r;
  int64_t pos = info.dwStart, end = int64_t{info.dwStart} + info.dwLength;
  std::vector<uint8_t> buffer(kMaxSoundChunk);
  int lastPercent = -1;
  while (pos < end && r == AVIERR_OK) {
    int percent =
        static_cast<int>((pos - info.dwStart) * 100 / std::max<int64_t>(1, end - info.dwStart));
    if (percent != lastPercent && progress && progress(lastPercent = percent))
      return AVIERR_USERABORT;
    int64_t bytes = 0, samples = 0;
    r = stream->Read(pos, end - pos, buffer.data(), static_cast<int64_t>(buffer.size()), &bytes,
                     &samples);
    if (r == AVIERR_BUFFERTOOSMALL && bytes > 0 && bytes < 0x7FFFFFF0) {
      buffer.resize(static_cast<size_t>(bytes));
      r = AVIERR_OK;
      continue;
    }
    if (r != AVIERR_OK) break;
    if (samples <= 0) {
      r = AVIERR_FILEREAD;
      break;
    }
    r = WavWriterWrite(wav, buffer.data(), static_cast<size_t>(bytes));
    pos += samples;
  }
  if (r != AVIERR_OK) return r;
  if (progress && progress(100)) return AVIERR_USERABORT;
  return WavWriterClose(wav);
}

AviResult SaveAvi(AviSink& sink, const std::vector<AviStreamRef>& streams,
                  const AviSaveCallback& progress, const AviSaveOptions& options) {
  OdmlWriterOptions writerOptions = options.writer;
  writerOptions.interleaved = streams.size() > 1;
  OdmlWriter writer;
  OdmlWriterCreateOnSink(writer, sink, writerOptions);
  std::vector<SaveStream> list;
  for (const AviStreamRef& stream : streams) {
    if (!stream) return AVIERR_BADHANDLE;
    SaveStream s;
    s.stream = stream;
    s.info = stream->Info();
    s.start = s.info.dwStart;
    s.length = s.info.dwLength;
    s.variable = s.info.fccType == kStreamTypeVideo || s.info.dwSampleSize == 0;
    s.sampleSize = s.info.dwSampleSize;
    std::vector<uint8_t> format;
    AviResult r = stream->ReadFormat(s.start, format);
    if (r != AVIERR_OK) return r;
    r = OdmlWriterAddStream(writer, s.info, format.data(), format.size(), &s.index);
    if (r != AVIERR_OK) return r;
    list.push_back(std::move(s));
  }
  // Time slices of the first video stream's frames (or half seconds of the
  // first stream); every other stream writes what falls before a slice's end.
  size_t master = 0;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].info.fccType == kStreamTypeVideo) {
      master = i;
      break;
    }
  std::vector<uint8_t> buffer;
  AviResult r = AVIERR_OK;
  if (!list.empty()) {
    const SaveStream& m = list[master];
    int64_t perSlice =
        m.variable ? 1 : std::max<int64_t>(1, m.info.dwRate / (2 * int64_t{m.info.dwScale}));
    int64_t slices = std::max<int64_t>(1, (m.length + perSlice - 1) / perSlice);
    int lastPercent = -1;
    for (int64_t k = 0; k < slices && r == AVIERR_OK; ++k) {
      int percent = static_cast<int>(k * 100 / slices);
      if (percent != lastPercent && progress && progress(lastPercent = percent))
        return AVIERR_USERABORT;
      bool last = k + 1 == slices;
      // End time of the slice as (k + 1) * perSlice * mScale / mRate seconds.
      unsigned __int128 num = static_cast<unsigned __int128>((k + 1) * perSlice) * m.info.dwScale;
      for (SaveStream& s : list) {
        int64_t end;
        if (last) {
          end = s.length;
        } else {
          unsigned __int128 n = num * s.info.dwRate;
          unsigned __int128 d = static_cast<unsigned __int128>(m.info.dwRate) * s.info.dwScale;
          unsigned __int128 e = (n + d - 1) / d;
          end = static_cast<int64_t>(
              std::min<unsigned __int128>(e, static_cast<unsigned __int128>(s.length)));
        }
        if (end > s.done) r = CopySamples(writer, s, end - s.done, buffer);
        if (r != AVIERR_OK) break;
      }
    }
  }
  if (r == AVIERR_OK && progress && progress(100)) r = AVIERR_USERABORT;
  AviResult closed = OdmlWriterClose(writer);
  return r != AVIERR_OK ? r : closed;
}

}  // namespace

AviResult AviSaveToSink(AviSink& sink, bool wave, const std::vector<AviStreamRef>& streams,
                        const AviSaveCallback& progress, const AviSaveOptions& options) {
  if (streams.empty()) return AVIERR_BADPARAM;
  if (wave) {
    for (const AviStreamRef& s : streams)
      if (!s) return AVIERR_BADHANDLE;
    return SaveWave(sink, streams[0], progress);
  }
  return SaveAvi(sink, streams, progress, options);
}

AviResult AviSave(const std::string& path, const std::vector<AviStreamRef>& streams,
                  const AviSaveCallback& progress, const AviSaveOptions& options) {
  if (streams.empty()) return AVIERR_BADPARAM;
  std::unique_ptr<AviFileSink> sink = AviFileSink::Create(path);
  if (!sink) return AVIERR_FILEOPEN;
  AviResult r = AviSaveToSink(*sink, EndsWithWav(path), streams, progress, options);
  bool closed = sink->Close();
  if (r == AVIERR_OK && !closed) r = AVIERR_FILEWRITE;
  if (r != AVIERR_OK) AviRemoveFailedOutput(path);
  return r;
}

void AviRemoveFailedOutput(const std::string& path) {
  // Only an ordinary file is removed, never a device.
  std::error_code error;
  if (std::filesystem::is_regular_file(
          std::filesystem::path(std::u8string(path.begin(), path.end())), error))
    FileRemove(path);
}
