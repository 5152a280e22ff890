#include "save/temp_conversion.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "capture/surface_pixels.h"
#include "common/message.h"
#include "save/avi_writer.h"
#include "save/save_messages.h"

std::string OutputTimeName(const std::tm& localTime) {
  char name[32];
  std::strftime(name, sizeof name, "%m_%d_%H_%M_%S", &localTime);
  return name;
}

std::string OutputPathInFolder(const std::string& folder, const std::string& timeName) {
  if (folder.empty()) return timeName + ".AVI";
  const char last = folder.back();
  const bool separated = last == '\\' || last == '/';
  return folder + (separated ? "" : "\\") + timeName + ".AVI";
}

namespace {
std::string WithoutExtension(const std::string& path) {
  size_t nameStart = path.find_last_of("\\/:");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = path.rfind('.');
  return dot != std::string::npos && dot >= nameStart ? path.substr(0, dot) : path;
}
}  // namespace

std::string CompanionWavPath(const std::string& tempPath) {
  return WithoutExtension(tempPath) + ".WAV";
}

std::string PathWithAviExtension(const std::string& path) {
  return WithoutExtension(path) + ".AVI";
}

bool ConvertSurfaceFrame(const TempFileHeader& header, const TempSurfaceFormat& format,
                         const uint8_t* palette, const uint8_t* frame, uint8_t* out) {
  if (header.width <= 0 || header.height <= 0 || format.rowBytes <= 0) return false;
  const int bits = format.bitsPerPixel;
  if (!SurfaceHoldsPicture(format.rowBytes, header.height, header.width, header.height, bits) ||
      (bits == 8 && !palette))
    return false;
  const size_t width = static_cast<size_t>(header.width);
  const size_t height = static_cast<size_t>(header.height);
  const size_t stride = static_cast<size_t>(DibStride(header.width, 24));
  const size_t rowBytes = static_cast<size_t>(format.rowBytes);
  for (size_t r = 0; r < height; ++r) {
    uint8_t* dst = out + (height - 1 - r) * stride;
    std::memset(dst + width * 3, 0, stride - width * 3);
    SurfaceRowToBgr24(format, palette, frame + r * rowBytes, width, dst);
  }
  return true;
}

SaveErrorMessage SaveResultMessage(uint32_t result) {
  for (const SaveErrorText& e : kSaveErrorTexts)
    if (e.result == result) return {e.text, e.title};
  return {kSaveErrorUnexpected.text, kSaveErrorUnexpected.title};
}

std::string TempConversionRemark(const TempConversionResult& r) {
  switch (r.countState) {
    case TempCountState::CutShort:
      return "cut short: " + std::to_string(r.frames) + " of " + std::to_string(r.claimedFrames) +
             " frames";
    case TempCountState::Damaged:
      return "header damaged: frame count " + std::to_string(r.headerCount) + ", " +
             std::to_string(r.frames) + " frames from the records";
    default: return std::string();
  }
}

std::string TempConversionNotice(const TempConversionResult& r) {
  switch (r.countState) {
    case TempCountState::CutShort:
      return kMessageCutShortPart1 + std::to_string(r.claimedFrames) + kMessageCutShortPart2 +
             std::to_string(r.frames) + kMessageCutShortPart3;
    case TempCountState::Damaged:
      return kMessageDamagedCountPart1 + std::to_string(r.frames) + kMessageDamagedCountPart2;
    default: return std::string();
  }
}

bool TempConversionWhole(const TempConversionResult& r) {
  return r.countState == TempCountState::Matches || r.countState == TempCountState::NeverSet;
}

bool RunTempConversion(const std::string& tempPath, TempFrameSink& sink, TempProgress* progress,
                       void* owner, TempConversionResult* result) {
  TempFileReader reader;
  if (!TempFileReaderOpen(&reader, tempPath, owner)) return false;
  const TempFileHeader& h = reader.header;
  // Surface flag 0 pictures already are output frames; others are converted
  // into a buffer of their own, once per picture however many indices it fills.
  std::unique_ptr<uint8_t[]> converted;
  if (h.surfaceFlag == 1) {
    const uint64_t bytes =
        static_cast<uint64_t>(DibStride(h.width, 24)) * static_cast<uint64_t>(h.height);
    if (bytes <= SIZE_MAX) converted.reset(new (std::nothrow) uint8_t[bytes]);
    if (!converted) {
      ShowMessage(kMessageNoMemory, kTitleAraAra, MessageButtons::Ok, MessageIcon::None, owner);
      return false;
    }
  }
  if (progress) progress->Range(reader.frameCount);
  if (!sink.Begin(h, reader.frameCount)) return false;
  TempPicture picture;
  while (TempFileReadPicture(&reader, &picture)) {
    if (picture.count > 0) {
      const uint8_t* frame = reader.frame.get();
      if (converted) {
        ConvertSurfaceFrame(h, reader.format, reader.palette.get(), frame, converted.get());
        frame = converted.get();
      }
      if (!sink.Put(frame, picture.firstIndex, picture.count)) return false;
    }
    if (progress) progress->Position(picture.frameNumber);
  }
  if (result) {
    // A file that changed while it was read gives fewer frames than counted.
    result->frames = reader.nextIndex;
    result->claimedFrames = reader.claimedCount;
    result->headerCount = h.frameCount;
    result->countState = reader.countState;
    if (reader.nextIndex < reader.frameCount) result->countState = TempCountState::CutShort;
  }
  return sink.End();
}

AviWriterSink::~AviWriterSink() {
  AviWriterClose();
}

bool AviWriterSink::Begin(const TempFileHeader& h, int64_t frameCount) {
  const bool ok = AviWriterOpen(output_, h.width, h.height, static_cast<uint32_t>(h.scale),
                                static_cast<uint32_t>(h.rate), static_cast<uint32_t>(frameCount),
                                wav_, soundMode_);
  hasSound_ = ok && gAviWriter.soundIndex[0] != 0;
  return ok;
}

bool AviWriterSink::Put(const uint8_t* frame, int64_t, int64_t count) {
  for (int64_t i = 0; i < count; ++i)
    if (!AviWriterPutFrame(frame)) return false;
  return true;
}

bool AviWriterSink::End() {
  return AviWriterClose();
}
