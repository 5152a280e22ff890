#pragma once
// The recorder's and converter's own writer of uncompressed AVI files: one
// video stream of 24-bit bottom-up DIB frames and optionally the whole sound
// of a PCM WAV file as one chunk. Fixed layout: header lists, "JUNK" up to
// offset 2048, "movi" (sound chunk first, then one chunk per frame), "idx1".
// The state type is not called AviWriter: the AVI services have a writer type
// of that name, and both are linked into the converter.
// One file per process; calling order: Open, frameCount × PutFrame, Close.
#include <cstdint>
#include <string>

#include "common/file.h"
#include "save/wav_reader.h"

struct AviWriterState {
  UniqueFile file;
  std::string path;
  uint32_t frameCount = 0;
  uint32_t frameBytes = 0;      // S: stride × height
  uint32_t soundIndex[4] = {};  // pending "01wb" index entry; zero without sound
  uint64_t position = 0;        // bytes written so far
  bool writeFailed = false;
};
extern AviWriterState gAviWriter;

// wavPath empty: no sound. The recorder reads the sound streamed, the
// converter in memory. Failure shows its message and leaves the writer closed.
bool AviWriterOpen(const std::string& path, int32_t width, int32_t height, uint32_t scale,
                   uint32_t rate, uint32_t frameCount, const std::string& wavPath,
                   WavReadMode soundMode = WavReadMode::Streamed);
// Appends one frame of S bytes. Does nothing (false) when no file is open.
bool AviWriterPutFrame(const uint8_t* frameBits);
// Writes the index and the RIFF size and closes. False, after a message, when
// any write of the file failed; true (doing nothing) when no file is open.
bool AviWriterClose();
