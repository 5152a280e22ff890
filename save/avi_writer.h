#pragma once
// The recorder's and converter's own writer of uncompressed AVI files: one
// video stream of 24-bit bottom-up DIB frames and optionally the whole sound
// of a PCM WAV file as one chunk. Fixed layout: header lists, "JUNK" up to
// offset 2048, "movi" (sound chunk first, then one chunk per frame), "idx1".
// The AVI services have a writer of their own (OdmlWriter, platform/avi); both
// are linked into the converter, so each keeps its own name prefix.
// One file per process; calling order: Open, frameCount × PutFrame, Close.
// A movie that would pass the RIFF size limit (2 GiB) continues as OpenDML:
// the first RIFF "AVI " keeps this layout for the frames it holds, further
// frames go into RIFF "AVIX" parts, and the OpenDML headers take part of the
// "JUNK" padding, so "movi" still starts at 2048.
#include <cstdint>
#include <string>
#include <vector>

#include "common/avi_chunks.h"
#include "common/file.h"
#include "save/wav_reader.h"

// Largest RIFF part (its 8-byte head included); readers that take sizes as
// signed 32-bit values stop at 2 GiB.
constexpr uint64_t kAviWriterRiffLimit = uint64_t{1} << 31;
// RIFF parts an OpenDML movie may have: the room its super index gets inside
// the padding before offset 2048.
constexpr uint32_t kAviWriterMaxParts = 80;

struct AviWriterState {
  UniqueFile file;
  std::string path;
  uint32_t frameCount = 0;
  uint32_t frameBytes = 0;      // S: stride × height
  uint32_t soundIndex[4] = {};  // pending "01wb" index entry; zero without sound
  uint64_t position = 0;        // bytes written so far
  bool writeFailed = false;

  // What the headers are rebuilt from when an OpenDML movie is finished.
  int32_t width = 0, height = 0;
  uint32_t scale = 0, rate = 0;
  uint8_t soundFormat[18] = {};
  uint64_t riffLimit = kAviWriterRiffLimit;
  // OpenDML: chosen at open when the declared movie passes riffLimit.
  bool openDml = false;
  uint32_t firstPartFrames = 0;  // frames the first RIFF can hold
  uint32_t partFrames = 0;       // frames each "AVIX" part can hold
  uint32_t parts = 1;            // RIFF parts begun
  uint32_t framesInPart = 0;
  uint32_t framesWritten = 0;
  uint32_t framesInFirst = 0;  // of the first RIFF, once it is ended
  uint32_t firstMoviSize = 0;
  uint32_t firstRiffSize = 0;
  uint64_t partStart = 0;                      // "RIFF" of the current part
  uint64_t moviStart = 0;                      // "movi" identifier of the current part
  uint64_t soundIx = 0;                        // "ix01" chunk of the sound, 0 before it is written
  std::vector<AviSuperIndexEntry> superIndex;  // each part's "ix00"
};
extern AviWriterState gAviWriter;

// wavPath empty: no sound. The recorder reads the sound streamed, the
// converter in memory. Failure shows its message and leaves the writer closed.
// riffLimit: the largest file kept in one RIFF, and the largest RIFF part of a
// movie beyond it (tests lower it to split small movies).
bool AviWriterOpen(const std::string& path, int32_t width, int32_t height, uint32_t scale,
                   uint32_t rate, uint32_t frameCount, const std::string& wavPath,
                   WavReadMode soundMode = WavReadMode::Streamed,
                   uint64_t riffLimit = kAviWriterRiffLimit);
// Appends one frame of S bytes. Does nothing (false) when no file is open.
bool AviWriterPutFrame(const uint8_t* frameBits);
// Writes the index and the RIFF size and closes. False, after a message, when
// any write of the file failed; true (doing nothing) when no file is open.
bool AviWriterClose();
