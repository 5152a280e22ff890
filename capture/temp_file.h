#pragma once
// The temp capture file: every grab of a recording is appended here, and the
// save pipeline turns it into an AVI afterwards. Layout, little-endian:
//   header (28 bytes), format block (surface flag 1 only),
//   reference frame (palette part + frame bytes, plain; coded files only),
//   records: frame number (int32), palette part, frame part (plain or coded).
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "capture/frame_codec.h"
#include "common/file.h"

constexpr size_t kTempHeaderBytes = 28;
// Written at creation and replaced at close; a file still holding it was cut
// off during recording, and the reader counts its frames itself.
constexpr int32_t kTempFrameCountUnset = -1;
// Larger frames are refused as damaged sizes (the largest screens need far less).
constexpr uint64_t kTempMaxFrameBytes = uint64_t{1} << 30;

struct TempFileHeader {
  uint8_t surfaceFlag = 0;  // 0: 24-bit bottom-up DIB rows; 1: DirectDraw surface memory
  uint8_t codec = kTempCodecDefault;
  int32_t width = 0;
  int32_t height = 0;
  int32_t scale = 1;
  int32_t rate = 12;
  int32_t frameCount = kTempFrameCountUnset;
};

// Only with surface flag 1; the masks are stored only at 16 bits per pixel.
struct TempSurfaceFormat {
  int32_t rowBytes = 0;
  int32_t bitsPerPixel = 0;
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
};

// Sizes the header and format block imply; both 0 when they describe nothing
// that can be read safely (a damaged or foreign file).
struct TempFrameSizes {
  size_t frameBytes = 0;
  size_t paletteBytes = 0;
};
TempFrameSizes TempFileFrameSizes(const TempFileHeader& header, const TempSurfaceFormat& format);

// --- Naming -----------------------------------------------------------------

struct TempFileNames {
  std::string tempPath;
  std::string wavPath;
};
// folderOrProgram: a folder ending in a separator, or a file path whose folder
// is meant. The base name is the local time as "%m%d%H%M%S".
TempFileNames MakeTempFileNames(const std::string& folderOrProgram, const std::tm& localTime);
// At recording start: the temp-folder setting when it can be made the current
// directory (it stays current), else the program's own folder.
TempFileNames BuildTempFileNames(const std::string& folderSetting, const std::string& programPath);

// --- Writer (the capture engine) ----------------------------------------------

struct TempCaptureFile {
  UniqueFile file;
  std::string path;
  TempFileHeader header;
  TempSurfaceFormat format;
  TempFrameSizes sizes;
  FrameEncoder encoder = nullptr;
  int64_t lastFrameNumber = -1;
  bool writeFailed = false;
};
extern TempCaptureFile gTempCaptureFile;

// Creates the file and writes the header, the format block (surface flag 1)
// and, for a coded file, the reference palette and frame plainly. The palette
// may be null when the format has none. Failure: the message box, false.
bool CreateTempCaptureFile(const std::string& path, const TempFileHeader& header,
                           const TempSurfaceFormat* format, const uint8_t* referencePalette,
                           const uint8_t* referenceFrame);
// One record: the frame number, then the palette part and the frame part,
// coded against the previous ones or plain. False once a write failed.
bool AppendRecord(int32_t frameNumber, const uint8_t* palette, const uint8_t* previousPalette,
                  const uint8_t* frame, const uint8_t* previousFrame);
// Writes the header again with the frame count of the last whole record and
// closes; harmless when nothing is open. False when any write of the file
// failed (the header is still patched when the file takes it).
bool CloseTempCaptureFile();

// --- Reader (the conversion) --------------------------------------------------

// How the records compare with the header's frame count, learnt by reading
// the records once before any frame is handed on.
enum class TempCountState {
  Matches,   // the records fill exactly the count the header declares
  NeverSet,  // the recorder ended before it wrote the count: taken from the records
  CutShort,  // the file ends before the declared count, or a frame number jumps
             // absurdly far: the movie ends with the last usable record
  Damaged,   // records lie past the declared count (a count of 0 among them):
             // the records are taken as for a count never set
};

struct TempFileReader {
  UniqueFile file;
  void* owner = nullptr;  // the parent of the reader's message boxes
  TempFileHeader header;
  TempSurfaceFormat format;
  TempFrameSizes sizes;
  // The decoded picture; each record is decoded over the one before.
  std::unique_ptr<uint8_t[]> frame;
  std::unique_ptr<uint8_t[]> palette;
  int64_t recordsOffset = 0;
  int64_t fileEnd = 0;
  // AVI frames the movie gets: what the whole records fill, never more than
  // the header declares unless the count is damaged or was never set.
  int64_t frameCount = 0;
  // What the file claims: the header's count, or for a count never set or
  // damaged what its records (up to an absurd frame number) claim.
  int64_t claimedCount = 0;
  TempCountState countState = TempCountState::Matches;
  bool partialRecord = false;  // the file ends inside a record
  int64_t nextIndex = 0;
  bool finished = false;
};

// A frame number more than this many frames ahead of the next index (a day of
// frames at the file's rate) is damage, not a pause: the movie ends there.
int64_t TempMaxFrameGap(const TempFileHeader& header);

// What one decoded picture fills: AVI indices firstIndex .. firstIndex + count - 1.
// count is 0 for a record whose frame number lies below the next index.
struct TempPicture {
  int64_t firstIndex = 0;
  int64_t count = 0;
  int32_t frameNumber = 0;
};

// Opens, checks the magic and sizes, allocates the buffers, reads the records
// once to learn the movie's length (frameCount, countState) and leaves the
// stream at the first record with the reference frame in the buffers.
// Failures show the conversion's messages and return false.
// owner: the parent of the message boxes (the conversion's owner window).
bool TempFileReaderOpen(TempFileReader* reader, const std::string& path, void* owner = nullptr);
// The same on a stream already open for reading (taken over by the reader).
bool TempFileReaderAttach(TempFileReader* reader, UniqueFile file, void* owner = nullptr);
// Reads and decodes the next record into reader->frame / reader->palette.
// False when the movie is complete: frameCount frames handed out, or the file
// ended (it changed since it was opened).
bool TempFileReadPicture(TempFileReader* reader, TempPicture* picture);
