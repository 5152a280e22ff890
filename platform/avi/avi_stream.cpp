#include "platform/avi/avi_stream.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "common/dib_geometry.h"
#include "common/file.h"
#include "platform/avi/avi_save.h"

namespace {

// AVIStreamRead over a chunk table; fetch(offset, out, n) gets stored bytes.
template <typename Fetch>
AviResult ReadFromTable(const AviChunkTable& t, int64_t base, int64_t start, int64_t count,
                        void* buffer, int64_t bufferSize, int64_t* bytes, int64_t* samples,
                        Fetch fetch) {
  int64_t gotBytes = 0, gotSamples = 0;
  auto done = [&](AviResult r) {
    if (bytes) *bytes = gotBytes;
    if (samples) *samples = gotSamples;
    return r;
  };
  if (start < base) return done(AVIERR_BADPARAM);
  uint64_t rel = static_cast<uint64_t>(start - base);
  if (rel >= t.samples) return done(AVIERR_OK);
  if (!t.sampleSize) {
    const AviChunkRef& chunk = t.chunks[static_cast<size_t>(rel)];
    gotBytes = chunk.size;
    if (!buffer) {
      gotSamples = 1;
      return done(AVIERR_OK);
    }
    if (bufferSize < static_cast<int64_t>(chunk.size)) return done(AVIERR_BUFFERTOOSMALL);
    if (!fetch(chunk.offset, buffer, chunk.size)) {
      gotBytes = 0;
      return done(AVIERR_FILEREAD);
    }
    gotSamples = 1;
    return done(AVIERR_OK);
  }
  const uint64_t ss = t.sampleSize;
  size_t k = t.ChunkOf(rel);
  uint64_t want;
  if (count == AVISTREAMREAD_CONVENIENT || count < 0) {
    want = t.firstSample[k] + t.chunks[k].size / ss - rel;
  } else {
    want = static_cast<uint64_t>(count);
  }
  want = std::min<uint64_t>(want, t.samples - rel);
  if (buffer) {
    uint64_t fits = bufferSize > 0 ? static_cast<uint64_t>(bufferSize) / ss : 0;
    if (fits == 0 && want > 0) {
      gotBytes = static_cast<int64_t>(want * ss);
      return done(AVIERR_BUFFERTOOSMALL);
    }
    want = std::min(want, fits);
  }
  if (!buffer) {
    gotBytes = static_cast<int64_t>(want * ss);
    gotSamples = static_cast<int64_t>(want);
    return done(AVIERR_OK);
  }
  auto* out = static_cast<uint8_t*>(buffer);
  while (want > 0 && k < t.chunks.size()) {
    const AviChunkRef& chunk = t.chunks[k];
    uint64_t inChunk = chunk.size / ss;
    uint64_t skip = rel - t.firstSample[k];
    if (skip >= inChunk) {
      ++k;
      continue;
    }
    uint64_t take = std::min(want, inChunk - skip);
    if (!fetch(chunk.offset + skip * ss, out, static_cast<size_t>(take * ss)))
      return done(AVIERR_FILEREAD);
    out += take * ss;
    gotBytes += static_cast<int64_t>(take * ss);
    gotSamples += static_cast<int64_t>(take);
    rel += take;
    want -= take;
    ++k;
  }
  return done(AVIERR_OK);
}

bool TableKey(const AviChunkTable& t, int64_t base, int64_t pos) {
  if (t.sampleSize) return true;
  if (pos < base || static_cast<uint64_t>(pos - base) >= t.samples) return false;
  return (t.chunks[static_cast<size_t>(pos - base)].flags & AVIIF_KEYFRAME) != 0;
}

class FileStream : public AviStream {
 public:
  FileStream(AviFileRef file, size_t index) : file_(std::move(file)), index_(index) {}
  AviStreamInfo Info() const override { return Data().info; }
  AviResult ReadFormat(int64_t, std::vector<uint8_t>& out) const override {
    out = Data().format;
    return AVIERR_OK;
  }
  AviResult Read(int64_t start, int64_t count, void* buffer, int64_t bufferSize, int64_t* bytes,
                 int64_t* samples) const override {
    AviSource* source = file_->reader.source;
    return ReadFromTable(
        Data().table, Data().info.dwStart, start, count, buffer, bufferSize, bytes, samples,
        [source](uint64_t at, void* out, size_t n) { return source->ReadAt(at, out, n); });
  }
  bool IsKeyFrame(int64_t pos) const override {
    return TableKey(Data().table, Data().info.dwStart, pos);
  }

 private:
  const AviReaderStream& Data() const { return file_->reader.streams[index_]; }
  AviFileRef file_;
  size_t index_;
};

// ---- scratch storage ----

struct ScratchFile {
  UniqueFile file;
  std::string path;
  uint64_t size = 0;
  ~ScratchFile();
};

struct ScratchGlobals {
  std::string directory;
  uint64_t budget = 64u << 20;
  uint64_t memoryBytes = 0;
  uint64_t fileBytes = 0;
  std::weak_ptr<ScratchFile> file;
};
ScratchGlobals& Scratch() {
  static ScratchGlobals globals;
  return globals;
}

ScratchFile::~ScratchFile() {
  Scratch().fileBytes -= size;
  file.reset();
  if (!path.empty()) FileRemove(path);
}

std::shared_ptr<ScratchFile> ScratchFileShared() {
  ScratchGlobals& g = Scratch();
  if (auto existing = g.file.lock()) return existing;
  std::error_code error;
  std::filesystem::path dir =
      g.directory.empty()
          ? std::filesystem::temp_directory_path(error)
          : std::filesystem::path(std::u8string(g.directory.begin(), g.directory.end()));
  if (error) return nullptr;
  std::random_device random;
  for (int attempt = 0; attempt < 8; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "avi_scratch_%08x%08x.tmp", random(), random());
    std::u8string wide = (dir / name).u8string();
    std::string path(wide.begin(), wide.end());
    if (FileExists(path)) continue;
    UniqueFile file = FileOpen(path, "w+b");
    if (!file) continue;
    auto scratch = std::make_shared<ScratchFile>();
    scratch->file = std::move(file);
    scratch->path = path;
    g.file = scratch;
    return scratch;
  }
  return nullptr;
}

constexpr uint64_t kInFile = uint64_t{1} << 63;

class MemoryStream : public AviStream {
 public:
  MemoryStream(const AviStreamInfo& info, const void* format, size_t formatSize) : info_(info) {
    if (format && formatSize)
      format_.assign(static_cast<const uint8_t*>(format),
                     static_cast<const uint8_t*>(format) + formatSize);
    info_.dwLength = 0;
    table_.sampleSize = (info_.fccType == kStreamTypeVideo) ? 0 : info_.dwSampleSize;
  }
  ~MemoryStream() override { Scratch().memoryBytes -= ramBytes_; }

  AviStreamInfo Info() const override {
    AviStreamInfo info = info_;
    info.dwLength = static_cast<uint32_t>(std::min<uint64_t>(table_.samples, UINT32_MAX));
    return info;
  }
  AviResult ReadFormat(int64_t, std::vector<uint8_t>& out) const override {
    out = format_;
    return AVIERR_OK;
  }
  AviResult Read(int64_t start, int64_t count, void* buffer, int64_t bufferSize, int64_t* bytes,
                 int64_t* samples) const override {
    return ReadFromTable(table_, info_.dwStart, start, count, buffer, bufferSize, bytes, samples,
                         [this](uint64_t at, void* out, size_t n) { return Fetch(at, out, n); });
  }
  bool IsKeyFrame(int64_t pos) const override { return TableKey(table_, info_.dwStart, pos); }
  AviResult SetFormat(int64_t, const void* format, size_t size) override {
    if (!format || size == 0 || size > (16u << 20)) return AVIERR_BADPARAM;
    const auto* p = static_cast<const uint8_t*>(format);
    if (!table_.chunks.empty() &&
        (size != format_.size() || std::memcmp(p, format_.data(), size) != 0))
      return AVIERR_UNSUPPORTED;  // a format change in the middle is not kept
    format_.assign(p, p + size);
    return AVIERR_OK;
  }
  AviResult Write(int64_t start, const void* data, uint32_t size, uint32_t flags) override {
    int64_t end = static_cast<int64_t>(info_.dwStart) + static_cast<int64_t>(table_.samples);
    if (start != end && start != -1) return AVIERR_BADPARAM;
    if (size && !data) return AVIERR_BADPARAM;
    uint64_t at;
    if (!Store(data, size, at)) return AVIERR_FILEWRITE;
    table_.Add(at, size, flags & AVIIF_KEYFRAME);
    info_.dwSuggestedBufferSize = std::max(info_.dwSuggestedBufferSize, size);
    return AVIERR_OK;
  }

 private:
  // In memory while the process-wide budget allows, else in the scratch file.
  bool Store(const void* data, uint32_t size, uint64_t& at) {
    ScratchGlobals& g = Scratch();
    // Without a scratch file (none can be made) the bytes stay in memory
    // rather than fail the recording's conversion.
    if (g.memoryBytes + size <= g.budget || (!file_ && !(file_ = ScratchFileShared()))) {
      ram_.emplace_back(static_cast<const uint8_t*>(data),
                        static_cast<const uint8_t*>(data) + size);
      g.memoryBytes += size;
      ramBytes_ += size;
      // The block number in the high half, so that an offset into the chunk
      // (added by sound reads that start inside it) lands in the low half.
      at = static_cast<uint64_t>(ram_.size() - 1) << 32;
      return true;
    }
    ScratchFile& f = *file_;
    if (!FileSeek64(f.file.get(), static_cast<int64_t>(f.size), SEEK_SET)) return false;
    if (size && std::fwrite(data, 1, size, f.file.get()) != size) return false;
    at = kInFile | f.size;
    f.size += size;
    g.fileBytes += size;
    return true;
  }
  bool Fetch(uint64_t at, void* out, size_t n) const {
    if (!(at & kInFile)) {
      size_t index = static_cast<size_t>(at >> 32);
      size_t offset = static_cast<size_t>(at & 0xFFFFFFFFu);
      if (index >= ram_.size()) return false;
      const std::vector<uint8_t>& block = ram_[index];
      if (offset > block.size() || n > block.size() - offset) return false;
      if (n) std::memcpy(out, block.data() + offset, n);
      return true;
    }
    uint64_t offset = at & ~kInFile;
    if (!file_ || std::fflush(file_->file.get()) != 0 ||
        !FileSeek64(file_->file.get(), static_cast<int64_t>(offset), SEEK_SET))
      return false;
    return n == 0 || std::fread(out, 1, n, file_->file.get()) == n;
  }

  AviStreamInfo info_;
  std::vector<uint8_t> format_;
  AviChunkTable table_;
  std::vector<std::vector<uint8_t>> ram_;
  uint64_t ramBytes_ = 0;
  std::shared_ptr<ScratchFile> file_;
};

}  // namespace

struct AviOutputFile {
  // A stream is written through (index: its stream in the writer) or, when
  // its header no longer fits the room kept in front of the frames, held
  // aside (late) and joined in by a rewrite at close.
  struct Entry {
    int index = -1;
    AviStreamRef late;
  };
  OdmlWriter writer;
  std::string path;
  OdmlWriterOptions options;
  std::vector<Entry> entries;
  bool closed = false;
  AviResult result = AVIERR_OK;
  ~AviOutputFile() { AviOutputFileClose(*this); }
};

namespace {

// A stream of a file being written: samples go straight to the writer.
class OutputStream : public AviStream {
 public:
  OutputStream(AviOutputFileRef file, size_t entry) : file_(std::move(file)), entry_(entry) {}
  AviStreamInfo Info() const override {
    if (const AviStreamRef& late = Late()) return late->Info();
    const OdmlWriterStream& s = Data();
    AviStreamInfo info = s.info;
    info.dwLength = static_cast<uint32_t>(std::min<uint64_t>(s.samples, UINT32_MAX));
    info.dwSuggestedBufferSize = std::max(info.dwSuggestedBufferSize, s.largest);
    info.dwSampleSize = s.sampleSize;
    return info;
  }
  AviResult ReadFormat(int64_t pos, std::vector<uint8_t>& out) const override {
    if (const AviStreamRef& late = Late()) return late->ReadFormat(pos, out);
    out = Data().format;
    return out.empty() ? AVIERR_NODATA : AVIERR_OK;
  }
  // The file is write-only until it is finished.
  AviResult Read(int64_t start, int64_t count, void* buffer, int64_t bufferSize, int64_t* bytes,
                 int64_t* samples) const override {
    if (const AviStreamRef& late = Late())
      return late->Read(start, count, buffer, bufferSize, bytes, samples);
    if (bytes) *bytes = 0;
    if (samples) *samples = 0;
    return AVIERR_UNSUPPORTED;
  }
  bool IsKeyFrame(int64_t pos) const override {
    if (const AviStreamRef& late = Late()) return late->IsKeyFrame(pos);
    const OdmlWriterStream& s = Data();
    int64_t rel = pos - s.info.dwStart;
    if (rel < 0 || static_cast<uint64_t>(rel) >= s.samples) return false;
    return s.sampleSize || (s.chunks[static_cast<size_t>(rel)].flags & AVIIF_KEYFRAME);
  }
  AviResult SetFormat(int64_t pos, const void* format, size_t size) override {
    if (file_->closed) return AVIERR_BADHANDLE;
    if (const AviStreamRef& late = Late()) return late->SetFormat(pos, format, size);
    OdmlWriter& w = file_->writer;
    if (w.failed) return AVIERR_FILEWRITE;
    const bool written = !Data().chunks.empty();
    AviResult r = OdmlWriterSetFormat(w, Index(), static_cast<const uint8_t*>(format), size);
    if (r != AVIERR_UNSUPPORTED || written) return r;
    // No room left for the header with this format: the stream is held aside.
    AviStreamRef held;
    r = AviMakeStream(Data().info, nullptr, 0, held);
    if (r != AVIERR_OK) return r;
    r = held->SetFormat(pos, format, size);
    if (r == AVIERR_OK) file_->entries[entry_].late = std::move(held);
    return r;
  }
  AviResult Write(int64_t start, const void* data, uint32_t size, uint32_t flags) override {
    if (file_->closed) return AVIERR_BADHANDLE;
    if (const AviStreamRef& late = Late()) return late->Write(start, data, size, flags);
    // Once a write failed (a full disk) the file is lost; every later write says so.
    if (file_->writer.failed) return AVIERR_FILEWRITE;
    const OdmlWriterStream& s = Data();
    int64_t end = int64_t{s.info.dwStart} + static_cast<int64_t>(s.samples);
    if (start != end && start != -1) return AVIERR_BADPARAM;  // appending only
    if (size && !data) return AVIERR_BADPARAM;
    return OdmlWriterWrite(file_->writer, Index(), data, size, flags);
  }

 private:
  const AviStreamRef& Late() const { return file_->entries[entry_].late; }
  int Index() const { return file_->entries[entry_].index; }
  const OdmlWriterStream& Data() const {
    return file_->writer.streams[static_cast<size_t>(Index())];
  }
  AviOutputFileRef file_;
  size_t entry_;
};

// Rewrites a finished file with the streams that were held aside, every
// stream in the order it was made: the written ones read back from the file.
AviResult JoinHeldStreams(AviOutputFile& file) {
  std::string joined = file.path + ".join";
  AviResult r;
  {
    AviFileRef written;
    r = AviFileOpen(file.path, written);
    if (r != AVIERR_OK) return r;
    std::vector<AviStreamRef> streams;
    for (const AviOutputFile::Entry& e : file.entries) {
      AviStreamRef s = e.late;
      if (!s && (r = AviFileGetStream(written, 0, e.index, s)) != AVIERR_OK) return r;
      streams.push_back(std::move(s));
    }
    AviSaveOptions options;
    options.writer = file.options;
    r = AviSave(joined, streams, nullptr, options);
  }  // the written file is closed before it is replaced
  if (r != AVIERR_OK) return r;
  if (!FileRename(joined, file.path)) {
    FileRemove(joined);
    return AVIERR_FILEWRITE;
  }
  return AVIERR_OK;
}

}  // namespace

AviResult AviOutputFileCreate(const std::string& path, const OdmlWriterOptions& options,
                              AviOutputFileRef& out) {
  auto file = std::make_shared<AviOutputFile>();
  AviResult r = OdmlWriterCreate(file->writer, path, options);
  if (r != AVIERR_OK) {
    file->closed = true;
    return r;
  }
  file->path = path;
  file->options = options;
  out = std::move(file);
  return AVIERR_OK;
}

AviResult AviOutputFileCreateStream(const AviOutputFileRef& file, const AviStreamInfo& info,
                                    AviStreamRef& out) {
  if (!file || file->closed) return AVIERR_BADHANDLE;
  AviOutputFile::Entry entry;
  AviResult r = OdmlWriterAddStream(file->writer, info, nullptr, 0, &entry.index);
  if (r == AVIERR_UNSUPPORTED && file->entries.size() < kMaxAviStreams) {
    // Its header does not fit in front of the frames already written.
    r = AviMakeStream(info, nullptr, 0, entry.late);
  }
  if (r != AVIERR_OK) return r;
  file->entries.push_back(std::move(entry));
  out = std::make_shared<OutputStream>(file, file->entries.size() - 1);
  return AVIERR_OK;
}

AviResult AviOutputFileClose(AviOutputFile& file) {
  if (!file.closed) {
    file.closed = true;
    file.result = OdmlWriterClose(file.writer);
    bool held = std::any_of(file.entries.begin(), file.entries.end(),
                            [](const AviOutputFile::Entry& e) { return e.late != nullptr; });
    if (file.result == AVIERR_OK && held) file.result = JoinHeldStreams(file);
    if (file.result != AVIERR_OK) AviRemoveFailedOutput(file.path);
  }
  return file.result;
}

AviResult AviStream::SetFormat(int64_t, const void*, size_t) {
  return AVIERR_READONLY;
}
AviResult AviStream::Write(int64_t, const void*, uint32_t, uint32_t) {
  return AVIERR_READONLY;
}

int64_t AviStreamStart(const AviStream& stream) {
  return stream.Info().dwStart;
}
int64_t AviStreamEnd(const AviStream& stream) {
  AviStreamInfo info = stream.Info();
  return int64_t{info.dwStart} + info.dwLength;
}

int64_t AviStreamFindSample(const AviStream& stream, int64_t pos, int32_t flags) {
  int64_t start = AviStreamStart(stream), end = AviStreamEnd(stream);
  if (end <= start) return -1;
  if (flags & FIND_FROM_START) pos = start;
  bool next = (flags & (FIND_NEXT | FIND_FROM_START)) != 0;
  if (flags & FIND_FORMAT) {
    // Formats do not change inside a stream here: the only change is at the start.
    return (next ? pos <= start : pos >= start) ? start : -1;
  }
  if (next) {
    if (pos < start) pos = start;
  } else {
    if (pos < start) return -1;
    if (pos >= end) pos = end - 1;
  }
  if (!(flags & FIND_KEY)) return pos < end ? pos : -1;
  for (int64_t p = pos; next ? p < end : p >= start; p += next ? 1 : -1)
    if (stream.IsKeyFrame(p)) return p;
  return -1;
}

namespace {
int64_t MulDivRound(int64_t a, uint64_t b, uint64_t c) {
  if (c == 0) return -1;
  long double v =
      static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c);
  return static_cast<int64_t>(v < 0 ? v - 0.5L : v + 0.5L);
}
}  // namespace

int64_t AviStreamSampleToTime(const AviStream& stream, int64_t sample) {
  AviStreamInfo info = stream.Info();
  return MulDivRound(sample, uint64_t{info.dwScale} * 1000, info.dwRate);
}

int64_t AviStreamTimeToSample(const AviStream& stream, int64_t ms) {
  AviStreamInfo info = stream.Info();
  return MulDivRound(ms, info.dwRate, uint64_t{info.dwScale} * 1000);
}

AviResult AviFileOpen(const std::string& path, AviFileRef& out) {
  auto file = std::make_shared<AviFile>();
  AviResult result = AviReaderOpenFile(file->reader, path);
  if (result != AVIERR_OK) return result;
  out = std::move(file);
  return AVIERR_OK;
}

// Time base as the platform gives it: microseconds per frame over a second;
// the length in frames of the longest stream at that rate.
AviFileInfo AviFileGetInfo(const AviFile& file) {
  const AviReader& r = file.reader;
  AviFileInfo info;
  info.dwMaxBytesPerSec = r.main.dwMaxBytesPerSec;
  info.dwFlags = r.main.dwFlags;
  info.dwCaps = AVIFILECAPS_CANREAD | AVIFILECAPS_CANWRITE;
  info.dwStreams = static_cast<uint32_t>(r.streams.size());
  info.dwSuggestedBufferSize = r.main.dwSuggestedBufferSize;
  info.dwWidth = r.main.dwWidth;
  info.dwHeight = r.main.dwHeight;
  info.dwScale = r.main.dwMicroSecPerFrame ? r.main.dwMicroSecPerFrame : 1;
  info.dwRate = 1000000;
  uint64_t longest = 0;
  for (const AviReaderStream& s : r.streams) {
    if (!s.info.dwRate) continue;
    long double seconds =
        static_cast<long double>(s.info.dwLength) * s.info.dwScale / s.info.dwRate;
    longest = std::max<uint64_t>(
        longest, static_cast<uint64_t>(seconds * info.dwRate / info.dwScale + 0.5L));
  }
  info.dwLength = static_cast<uint32_t>(std::min<uint64_t>(longest, UINT32_MAX));
  const char* type = r.isWave ? "WAVE" : "AVI";
  std::memcpy(info.szFileType, type, std::strlen(type));
  return info;
}

void FileInfoToBytes(const AviFileInfo& info, uint8_t (&out)[kFileInfoBytes]) {
  const uint32_t fields[] = {info.dwMaxBytesPerSec,
                             info.dwFlags,
                             info.dwCaps,
                             info.dwStreams,
                             info.dwSuggestedBufferSize,
                             info.dwWidth,
                             info.dwHeight,
                             info.dwScale,
                             info.dwRate,
                             info.dwLength,
                             info.dwEditCount};
  for (size_t i = 0; i < 11; ++i) PutU32(out + i * 4, fields[i]);
  std::memcpy(out + 44, info.szFileType, sizeof info.szFileType);
}

AviResult AviFileGetStream(const AviFileRef& file, uint32_t type, int index, AviStreamRef& out) {
  if (!file || index < 0) return AVIERR_BADPARAM;
  int seen = 0;
  for (size_t i = 0; i < file->reader.streams.size(); ++i) {
    if (type && file->reader.streams[i].info.fccType != type) continue;
    if (seen++ == index) {
      out = std::make_shared<FileStream>(file, i);
      return AVIERR_OK;
    }
  }
  return AVIERR_NODATA;
}

AviResult AviStreamOpenFromFile(const std::string& path, uint32_t type, int index,
                                AviStreamRef& out) {
  AviFileRef file;
  AviResult result = AviFileOpen(path, file);
  if (result != AVIERR_OK) return result;
  return AviFileGetStream(file, type, index, out);
}

void AviScratchSetDirectory(const std::string& directory) {
  Scratch().directory = directory;
}
void AviScratchSetMemoryBudget(uint64_t bytes) {
  Scratch().budget = bytes;
}
uint64_t AviScratchMemoryBytes() {
  return Scratch().memoryBytes;
}
uint64_t AviScratchFileBytes() {
  return Scratch().fileBytes;
}

AviResult AviMakeStream(const AviStreamInfo& info, const void* format, size_t formatSize,
                        AviStreamRef& out) {
  if (info.fccType == 0) return AVIERR_BADPARAM;
  AviStreamInfo i = info;
  if (i.dwScale == 0) i.dwScale = 1;
  if (i.dwRate == 0) i.dwRate = 1;
  out = std::make_shared<MemoryStream>(i, format, formatSize);
  return AVIERR_OK;
}

AviResult AviMakeFrameStream(const void* packedDib, size_t size, AviStreamRef& out) {
  const auto* p = static_cast<const uint8_t*>(packedDib);
  BitmapHeader h;
  if (!p || !BitmapHeaderRead(p, size, h) || h.biWidth <= 0 || h.biHeight == 0)
    return AVIERR_BADFORMAT;
  uint64_t formatSize = h.biSize + DibColourTableBytes(h.biBitCount, h.biCompression, h.biClrUsed);
  uint64_t height = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  uint64_t stride = static_cast<uint64_t>(DibStride(h.biWidth, h.biBitCount));
  uint64_t image = h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS ? stride * height
                                                                                : h.biSizeImage;
  if (formatSize > size || image > size - formatSize) return AVIERR_BADSIZE;
  AviStreamInfo info;
  info.fccType = kStreamTypeVideo;
  info.fccHandler = FourCC("DIB ");
  info.dwScale = 1;
  info.dwRate = 15;
  info.dwQuality = -1;
  info.rcFrame = {0, 0, h.biWidth, static_cast<int32_t>(height)};
  std::vector<uint8_t> format(p, p + formatSize);
  PutU32(format.data() + 20, static_cast<uint32_t>(image));  // biSizeImage
  AviStreamRef stream;
  AviResult result = AviMakeStream(info, format.data(), format.size(), stream);
  if (result != AVIERR_OK) return result;
  result = stream->Write(0, p + formatSize, static_cast<uint32_t>(image), AVIIF_KEYFRAME);
  if (result != AVIERR_OK) return result;
  out = std::move(stream);
  return AVIERR_OK;
}
