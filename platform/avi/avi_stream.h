#pragma once
// Streams with the meaning of the platform's IAVIStream: sample positions run
// from info.dwStart to dwStart + dwLength; Read has AVIStreamRead's contract.
// Three kinds: a stream of an opened file, a stream made in memory (frames
// written one by one, their bytes kept in a scratch file past a small budget),
// and an editable stream, which is a list of (source, start, length) pieces.
// Streams are shared: an editable stream keeps its sources alive.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/avi/avi_reader.h"
#include "platform/avi/avi_types.h"
#include "platform/avi/avi_writer.h"

class AviStream {
 public:
  virtual ~AviStream() = default;
  virtual AviStreamInfo Info() const = 0;
  // The format in force at pos (a pasted piece keeps its own palette).
  virtual AviResult ReadFormat(int64_t pos, std::vector<uint8_t>& out) const = 0;
  // AVIStreamRead: count may be AVISTREAMREAD_CONVENIENT; a null buffer asks
  // for the size only. Variable-size streams read exactly one sample.
  virtual AviResult Read(int64_t start, int64_t count, void* buffer, int64_t bufferSize,
                         int64_t* bytes, int64_t* samples) const = 0;
  virtual bool IsKeyFrame(int64_t pos) const = 0;
  // Writable streams only (made ones); AVIERR_READONLY elsewhere.
  virtual AviResult SetFormat(int64_t pos, const void* format, size_t size);
  virtual AviResult Write(int64_t start, const void* data, uint32_t size, uint32_t flags);
};
using AviStreamRef = std::shared_ptr<AviStream>;

int64_t AviStreamStart(const AviStream& stream);
int64_t AviStreamEnd(const AviStream& stream);  // start + length
// AVIStreamFindSample: the nearest sample of the kind asked for (FIND_KEY,
// FIND_ANY, FIND_FORMAT) at or after (FIND_NEXT), at or before (FIND_PREV,
// the default) pos, or from the start; -1 when there is none.
int64_t AviStreamFindSample(const AviStream& stream, int64_t pos, int32_t flags);
// Time conversions in milliseconds, rounded to nearest (the platform uses MulDiv).
int64_t AviStreamSampleToTime(const AviStream& stream, int64_t sample);
int64_t AviStreamTimeToSample(const AviStream& stream, int64_t ms);

// An opened AVI or WAVE file; its streams keep it open.
struct AviFile {
  AviReader reader;
};
using AviFileRef = std::shared_ptr<AviFile>;

AviResult AviFileOpen(const std::string& path, AviFileRef& out);

// The 108-byte file information record (AVIFILEINFO), field for field.
struct AviFileInfo {
  uint32_t dwMaxBytesPerSec = 0;
  uint32_t dwFlags = 0;
  uint32_t dwCaps = 0;
  uint32_t dwStreams = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwWidth = 0;
  uint32_t dwHeight = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwLength = 0;
  uint32_t dwEditCount = 0;
  char szFileType[64] = {};
};
constexpr size_t kFileInfoBytes = 108;
AviFileInfo AviFileGetInfo(const AviFile& file);
void FileInfoToBytes(const AviFileInfo& info, uint8_t (&out)[kFileInfoBytes]);
// The index-th stream of the given type (0 for any type), as AVIFileGetStream.
AviResult AviFileGetStream(const AviFileRef& file, uint32_t type, int index, AviStreamRef& out);
// AVIStreamOpenFromFile: the file stays open as long as the stream lives.
AviResult AviStreamOpenFromFile(const std::string& path, uint32_t type, int index,
                                AviStreamRef& out);

// A new AVI file written through streams (AVIFileOpen with OF_CREATE, then
// AVIFileCreateStream, AVIStreamSetFormat, AVIStreamWrite): samples go to the
// file as they are written, headers and indexes at the end. Streams may be
// created after others were written to; one whose header no longer fits in
// front of the frames is held aside and joined in by a rewrite at close. A
// failed write answers AVIERR_FILEWRITE, as does every later one. The file is
// finished when the last reference (the file's or a stream's) goes, or earlier
// by AviOutputFileClose, which also gives the result; a file that could not be
// finished is removed (a device is left alone).
struct AviOutputFile;
using AviOutputFileRef = std::shared_ptr<AviOutputFile>;
AviResult AviOutputFileCreate(const std::string& path, const OdmlWriterOptions& options,
                              AviOutputFileRef& out);
AviResult AviOutputFileCreateStream(const AviOutputFileRef& file, const AviStreamInfo& info,
                                    AviStreamRef& out);
AviResult AviOutputFileClose(AviOutputFile& file);

// Where made streams keep their bytes: memory up to a budget shared by all
// streams of the process, then one scratch file (removed when no stream uses
// it any more). The directory is the system's temporary folder unless set.
void AviScratchSetDirectory(const std::string& directory);
void AviScratchSetMemoryBudget(uint64_t bytes);
// Bytes currently held in memory by all scratch stores, and in files.
uint64_t AviScratchMemoryBytes();
uint64_t AviScratchFileBytes();

// A new writable stream (AVIFileCreateStream into memory, or a stream made from
// a bitmap); samples are appended with Write.
AviResult AviMakeStream(const AviStreamInfo& info, const void* format, size_t formatSize,
                        AviStreamRef& out);
// A one-frame video stream from a packed DIB (header, colours, pixels), as the
// platform makes one from a bitmap on the clipboard.
AviResult AviMakeFrameStream(const void* packedDib, size_t size, AviStreamRef& out);

// Editable streams.
AviResult CreateEditableStream(const AviStreamRef& source, AviStreamRef& out);
AviResult EditStreamPaste(const AviStreamRef& dest, int64_t* pos, int64_t* length,
                          const AviStreamRef& source, int64_t start, int64_t sourceLength);
AviResult EditStreamCopy(const AviStreamRef& stream, int64_t* start, int64_t* length,
                         AviStreamRef& out);
AviResult EditStreamCut(const AviStreamRef& stream, int64_t* start, int64_t* length,
                        AviStreamRef& out);
AviResult EditStreamClone(const AviStreamRef& stream, AviStreamRef& out);
// Takes priority, language, scale, rate, start, quality, frame and name.
AviResult EditStreamSetInfo(const AviStreamRef& stream, const AviStreamInfo& info);
AviResult EditStreamSetName(const AviStreamRef& stream, const std::string& name);
bool IsEditStream(const AviStreamRef& stream);
// Pieces of an editable stream (tests and diagnostics).
size_t EditStreamPieceCount(const AviStreamRef& stream);
// The stream and position a sample comes from: the source of an editable
// stream's piece, or the stream itself. Compressed frames that depend on the
// ones before them are decoded in that source's order, not the edit list's.
// False when pos lies outside the stream.
bool AviSampleSource(const AviStreamRef& stream, int64_t pos, AviStreamRef& source,
                     int64_t& sourcePos);
// Whether every sample that is not a key frame still follows the sample it
// followed in its source: only then do the stored samples, copied as they are,
// still show the right pictures.
bool AviSamplesFollowTheirSources(const AviStreamRef& stream);

// Whether samples of b can join a stream of a (same type, sample size and
// frame or sound format).
bool AviFormatsCompatible(const AviStreamInfo& a, const std::vector<uint8_t>& formatA,
                          const AviStreamInfo& b, const std::vector<uint8_t>& formatB);
