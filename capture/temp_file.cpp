#include "capture/temp_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/file.h"
#include "common/message.h"
#include "save/save_messages.h"

TempCaptureFile gTempCaptureFile;

namespace {

constexpr uint32_t kMagic = FourCC("QTMP");

bool ReadAll(std::FILE* file, void* data, size_t count) {
  return count == 0 || std::fread(data, 1, count, file) == count;
}

void PutHeader(ByteWriter& out, const TempFileHeader& header) {
  out.U32(kMagic);
  out.U8(header.surfaceFlag);
  out.U8(header.codec);
  out.U16(0);  // reserved
  out.I32(header.width);
  out.I32(header.height);
  out.I32(header.scale);
  out.I32(header.rate);
  out.I32(header.frameCount);
}

void PutFormat(ByteWriter& out, const TempSurfaceFormat& format) {
  out.I32(format.rowBytes);
  out.I32(format.bitsPerPixel);
  if (format.bitsPerPixel == 16) {
    out.U32(format.redMask);
    out.U32(format.greenMask);
    out.U32(format.blueMask);
  }
}

bool IsSurfaceDepth(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::unique_ptr<uint8_t[]> Allocate(size_t count) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[count ? count : 1]());
}

bool ReaderFail(TempFileReader* reader, const char* text, const char* title) {
  reader->file.reset();
  reader->frame.reset();
  reader->palette.reset();
  reader->finished = true;
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, reader->owner);
  return false;
}

enum class RecordRead { Whole, End, CutShort };

// scan: plain parts are stepped over by their known size; coded parts have no
// length field and are decoded to find where they end.
RecordRead ReadRecord(TempFileReader* reader, int32_t* frameNumber, bool scan = false) {
  std::FILE* file = reader->file.get();
  uint8_t number[4];
  size_t got = std::fread(number, 1, 4, file);
  if (got == 0) return RecordRead::End;
  if (got < 4) return RecordRead::CutShort;
  *frameNumber = static_cast<int32_t>(GetU32(number));
  FrameDecoder decode = SelectFrameDecoder(reader->header.codec);
  if (scan && !decode) {
    const uint64_t bytes = uint64_t{reader->sizes.paletteBytes} + reader->sizes.frameBytes;
    const int64_t here = FileTell64(file);
    if (here < 0 || here > reader->fileEnd || static_cast<uint64_t>(reader->fileEnd - here) < bytes)
      return RecordRead::CutShort;
    return FileSeek64(file, static_cast<int64_t>(bytes), SEEK_CUR) ? RecordRead::Whole
                                                                   : RecordRead::CutShort;
  }
  auto part = [&](uint8_t* buffer, size_t bytes) {
    if (bytes == 0) return true;
    return decode ? decode(file, buffer, bytes) : ReadAll(file, buffer, bytes);
  };
  if (!part(reader->palette.get(), reader->sizes.paletteBytes)) return RecordRead::CutShort;
  if (!part(reader->frame.get(), reader->sizes.frameBytes)) return RecordRead::CutShort;
  return RecordRead::Whole;
}

// Reads every record once, as the conversion will, to learn how long the
// movie is before anything is written: a damaged count must neither drop
// records nor promise frames the file does not hold.
void ScanRecords(TempFileReader* reader) {
  const int64_t declared = reader->header.frameCount;
  const bool countSet = declared >= 0;
  const int64_t maxGap = TempMaxFrameGap(reader->header);
  bool damaged = false, absurd = false;
  int64_t next = 0, absurdClaim = 0;
  int32_t number = 0;
  RecordRead read;
  while ((read = ReadRecord(reader, &number, true)) == RecordRead::Whole) {
    if (number < next) continue;
    if (countSet && !damaged && number >= declared) {
      // Past a count already reached, a wild number is trailing junk; any
      // other record there means the count is wrong.
      if (next >= declared && number - next > maxGap) break;
      damaged = true;
    }
    if (number - next > maxGap) {
      // Its picture still fills one frame; what follows it can't be placed.
      absurd = true;
      absurdClaim = int64_t{number} + 1;
      ++next;
      break;
    }
    next = int64_t{number} + 1;
  }
  reader->partialRecord = read == RecordRead::CutShort;
  if (declared < kTempFrameCountUnset && next > 0) damaged = true;
  reader->frameCount = next;
  reader->claimedCount = next;
  if (absurd) {
    reader->countState = damaged ? TempCountState::Damaged : TempCountState::CutShort;
    reader->claimedCount = std::max(absurdClaim, countSet ? declared : 0);
  } else if (damaged) {
    reader->countState = TempCountState::Damaged;
  } else if (!countSet) {
    reader->countState = TempCountState::NeverSet;
  } else if (next < declared) {
    reader->countState = TempCountState::CutShort;
    reader->claimedCount = declared;
  } else {
    reader->countState = TempCountState::Matches;
    reader->frameCount = declared;
    reader->claimedCount = declared;
  }
}

// Puts the buffers into their state before the first record.
bool ReadReferenceFrame(TempFileReader* reader) {
  if (reader->header.codec == kTempCodecPlain) {
    std::memset(reader->frame.get(), 0, reader->sizes.frameBytes);
    std::memset(reader->palette.get(), 0, reader->sizes.paletteBytes);
    return true;
  }
  return ReadAll(reader->file.get(), reader->palette.get(), reader->sizes.paletteBytes) &&
         ReadAll(reader->file.get(), reader->frame.get(), reader->sizes.frameBytes);
}

}  // namespace

TempFrameSizes TempFileFrameSizes(const TempFileHeader& header, const TempSurfaceFormat& format) {
  TempFrameSizes sizes;
  if (header.width <= 0 || header.height <= 0) return sizes;
  uint64_t width = static_cast<uint64_t>(header.width);
  uint64_t height = static_cast<uint64_t>(header.height);
  uint64_t frameBytes = 0;
  uint64_t paletteBytes = 0;
  if (header.surfaceFlag == 0) {
    frameBytes = static_cast<uint64_t>(DibStride(header.width, 24)) * height;
  } else if (header.surfaceFlag == 1) {
    if (!IsSurfaceDepth(format.bitsPerPixel) || format.rowBytes <= 0) return sizes;
    uint64_t bits = static_cast<uint64_t>(format.bitsPerPixel);
    // A row shorter than its pixels would send the conversion past the frame.
    if (static_cast<uint64_t>(format.rowBytes) * 8 < width * bits) return sizes;
    frameBytes = static_cast<uint64_t>(format.rowBytes) * height;
    if (bits <= 8) paletteBytes = (uint64_t{1} << bits) * 4;
  } else {
    return sizes;
  }
  if (frameBytes > kTempMaxFrameBytes) return sizes;
  sizes.frameBytes = static_cast<size_t>(frameBytes);
  sizes.paletteBytes = static_cast<size_t>(paletteBytes);
  return sizes;
}

TempFileNames MakeTempFileNames(const std::string& folderOrProgram, const std::tm& localTime) {
  size_t cut = folderOrProgram.find_last_of("\\/");
  std::string folder =
      cut == std::string::npos ? std::string() : folderOrProgram.substr(0, cut + 1);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%m%d%H%M%S", &localTime);
  return {folder + stamp + ".tmp", folder + stamp + ".wav"};
}

TempFileNames BuildTempFileNames(const std::string& folderSetting, const std::string& programPath) {
  std::error_code error;
  std::filesystem::path folder(std::u8string(folderSetting.begin(), folderSetting.end()));
  std::filesystem::current_path(folder, error);
  std::time_t now = std::time(nullptr);
  return MakeTempFileNames(error ? programPath : folderSetting, *std::localtime(&now));
}

bool CreateTempCaptureFile(const std::string& path, const TempFileHeader& header,
                           const TempSurfaceFormat* format, const uint8_t* referencePalette,
                           const uint8_t* referenceFrame) {
  TempCaptureFile& out = gTempCaptureFile;
  out.file.reset();
  out.path = path;
  out.header = header;
  out.header.frameCount = kTempFrameCountUnset;
  out.format = header.surfaceFlag == 1 && format ? *format : TempSurfaceFormat{};
  out.sizes = TempFileFrameSizes(out.header, out.format);
  out.encoder = SelectFrameEncoder(header.codec);
  out.lastFrameNumber = -1;
  out.writeFailed = false;
  bool valid = out.sizes.frameBytes != 0 && header.codec <= kTempCodecRunXor &&
               (header.surfaceFlag == 0 || format);
  if (valid) out.file = FileOpen(path, "wb");
  if (!out.file) {
    ShowMessage(kMessageTempCreateFailed, kTitleAra);
    return false;
  }
  ByteWriter head;
  PutHeader(head, out.header);
  if (out.header.surfaceFlag == 1) PutFormat(head, out.format);
  bool ok = FileWriteAll(out.file.get(), head.data(), head.size());
  if (header.codec != kTempCodecPlain) {
    std::vector<uint8_t> blank;
    if (out.sizes.paletteBytes && !referencePalette) {
      blank.assign(out.sizes.paletteBytes, 0);
      referencePalette = blank.data();
    }
    ok = ok && FileWriteAll(out.file.get(), referencePalette, out.sizes.paletteBytes) &&
         FileWriteAll(out.file.get(), referenceFrame, out.sizes.frameBytes);
  }
  if (!ok) {
    out.file.reset();
    ShowMessage(kMessageTempCreateFailed, kTitleAra);
    return false;
  }
  return true;
}

bool AppendRecord(int32_t frameNumber, const uint8_t* palette, const uint8_t* previousPalette,
                  const uint8_t* frame, const uint8_t* previousFrame) {
  TempCaptureFile& out = gTempCaptureFile;
  if (!out.file || out.writeFailed) return false;
  std::FILE* file = out.file.get();
  uint8_t number[4];
  PutU32(number, static_cast<uint32_t>(frameNumber));
  bool ok = FileWriteAll(file, number, 4);
  auto part = [&](const uint8_t* current, const uint8_t* previous, size_t bytes) {
    if (!ok || bytes == 0) return;
    ok = out.encoder ? out.encoder(current, previous, bytes, file)
                     : FileWriteAll(file, current, bytes);
  };
  part(palette, previousPalette, out.sizes.paletteBytes);
  part(frame, previousFrame, out.sizes.frameBytes);
  // Each record goes to the system at once: a recorder killed (or a machine
  // switched off once the system has written its cache) loses at most the
  // frame being written, never seconds of buffered ones. The flush also shows
  // a refusal the buffer would have hidden until later.
  ok = ok && std::fflush(file) == 0 && !std::ferror(file);
  // Only a whole record counts toward the frame count: one cut off by a full
  // disk is left for the reader to drop.
  if (ok) out.lastFrameNumber = frameNumber;
  if (!ok) out.writeFailed = true;
  return ok;
}

bool CloseTempCaptureFile() {
  TempCaptureFile& out = gTempCaptureFile;
  if (!out.file) return true;
  TempFileHeader header = out.header;
  header.frameCount = static_cast<int32_t>(std::min<int64_t>(out.lastFrameNumber + 1, INT32_MAX));
  ByteWriter head;
  PutHeader(head, header);
  bool patched = !out.writeFailed && std::fflush(out.file.get()) == 0 &&
                 FileSeek64(out.file.get(), 0, SEEK_SET) &&
                 FileWriteAll(out.file.get(), head.data(), head.size());
  const bool closed = std::fclose(out.file.release()) == 0;
  if (patched && closed) return true;
  // A refused write (a full disk) leaves the stream unusable, yet the header
  // still fits where it always was: patched through a fresh stream, the file
  // converts up to its last whole record.
  if (UniqueFile again = FileOpen(out.path, "r+b"))
    if (FileWriteAll(again.get(), head.data(), head.size())) std::fclose(again.release());
  return false;
}

bool TempFileReaderOpen(TempFileReader* reader, const std::string& path, void* owner) {
  UniqueFile file = FileOpen(path, "rb");
  if (!file) {
    *reader = TempFileReader{};
    reader->owner = owner;
    return ReaderFail(reader, kMessageTempReadFailed, kTitleTaihenDesu);
  }
  return TempFileReaderAttach(reader, std::move(file), owner);
}

bool TempFileReaderAttach(TempFileReader* reader, UniqueFile file, void* owner) {
  *reader = TempFileReader{};
  reader->owner = owner;
  reader->file = std::move(file);
  std::FILE* in = reader->file.get();

  uint8_t head[kTempHeaderBytes];
  if (!ReadAll(in, head, sizeof head) || GetU32(head) != kMagic)
    return ReaderFail(reader, kMessageUnknownFormat, kTitleAra);
  ByteReader fields(head + 4, sizeof head - 4);
  TempFileHeader& header = reader->header;
  header.surfaceFlag = fields.U8();
  header.codec = fields.U8();
  fields.Skip(2);
  header.width = fields.I32();
  header.height = fields.I32();
  header.scale = fields.I32();
  header.rate = fields.I32();
  header.frameCount = fields.I32();
  if (header.surfaceFlag > 1 || header.codec > kTempCodecRunXor || header.scale <= 0 ||
      header.rate <= 0)
    return ReaderFail(reader, kMessageUnknownFormat, kTitleAra);

  if (header.surfaceFlag == 1) {
    uint8_t block[20];
    if (!ReadAll(in, block, 8)) return ReaderFail(reader, kMessageTempReadFailed, kTitleTaihenDesu);
    reader->format.rowBytes = static_cast<int32_t>(GetU32(block));
    reader->format.bitsPerPixel = static_cast<int32_t>(GetU32(block + 4));
    if (!IsSurfaceDepth(reader->format.bitsPerPixel))
      return ReaderFail(reader, kMessageUnknownFormat, kTitleAra);
    if (reader->format.bitsPerPixel == 16) {
      if (!ReadAll(in, block + 8, 12))
        return ReaderFail(reader, kMessageTempReadFailed, kTitleTaihenDesu);
      reader->format.redMask = GetU32(block + 8);
      reader->format.greenMask = GetU32(block + 12);
      reader->format.blueMask = GetU32(block + 16);
      // A zero mask leaves no colour to scale (the conversion divides by it).
      if (!reader->format.redMask || !reader->format.greenMask || !reader->format.blueMask)
        return ReaderFail(reader, kMessageUnknownFormat, kTitleAra);
    }
  }

  reader->sizes = TempFileFrameSizes(header, reader->format);
  // Sizes that describe no picture (none at all, rows shorter than their
  // pixels, more than any screen) come from a damaged or foreign header.
  if (reader->sizes.frameBytes == 0) return ReaderFail(reader, kMessageUnknownFormat, kTitleAra);

  // Every picture the file can give needs these bytes; a file shorter than that
  // has damaged sizes or was cut before its first picture, and sizes taken from
  // it must not decide how much memory is taken.
  int64_t start = FileTell64(in);
  int64_t end = -1;
  if (start >= 0 && FileSeek64(in, 0, SEEK_END)) end = FileTell64(in);
  if (end < start || !FileSeek64(in, start, SEEK_SET))
    return ReaderFail(reader, kMessageTempReadFailed, kTitleTaihenDesu);
  reader->fileEnd = end;
  uint64_t picture = reader->sizes.frameBytes + reader->sizes.paletteBytes +
                     (header.codec == kTempCodecPlain ? 4 : 0);
  uint64_t available = static_cast<uint64_t>(end - start);
  if (available == 0 && header.frameCount <= 0) {
    // A recording stopped before its first grab: an empty movie.
    reader->countState =
        header.frameCount == 0 ? TempCountState::Matches : TempCountState::NeverSet;
    reader->finished = true;
    return true;
  }
  if (available < picture) return ReaderFail(reader, kMessageTempReadFailed, kTitleTaihenDesu);

  reader->frame = Allocate(reader->sizes.frameBytes);
  reader->palette = Allocate(reader->sizes.paletteBytes);
  if (!reader->frame || !reader->palette) return ReaderFail(reader, kMessageNoMemory, kTitleAraAra);
  if (!ReadReferenceFrame(reader))
    return ReaderFail(reader, kMessageTempReadFailed, kTitleTaihenDesu);
  reader->recordsOffset = FileTell64(in);

  ScanRecords(reader);
  // Back to the reference frame, which leaves the stream at the first record.
  if (!FileSeek64(in, start, SEEK_SET) || !ReadReferenceFrame(reader))
    return ReaderFail(reader, kMessageTempReadFailed, kTitleTaihenDesu);
  return true;
}

bool TempFileReadPicture(TempFileReader* reader, TempPicture* picture) {
  if (reader->finished || !reader->file) return false;
  if (reader->nextIndex >= reader->frameCount) {
    reader->finished = true;
    return false;
  }
  int32_t number = 0;
  *picture = TempPicture{};
  if (ReadRecord(reader, &number) != RecordRead::Whole) {
    reader->finished = true;
    return false;
  }
  const int64_t last = reader->frameCount - 1;
  picture->firstIndex = reader->nextIndex;
  picture->frameNumber = static_cast<int32_t>(std::min<int64_t>(number, last));
  if (number >= reader->nextIndex) {
    picture->count = std::min<int64_t>(number, last) - reader->nextIndex + 1;
    reader->nextIndex = std::min<int64_t>(int64_t{number} + 1, reader->frameCount);
  }
  return true;
}

int64_t TempMaxFrameGap(const TempFileHeader& header) {
  if (header.rate <= 0 || header.scale <= 0) return 1;
  return std::max<int64_t>(1, int64_t{header.rate} * 86400 / header.scale);
}
