#pragma once
// RIFF WAVE files for the AVI services: a sound stream saved under a ".wav"
// name becomes one, and AviReaderOpen reads one as a file of one sound stream.
// The format chunk is kept byte for byte, so non-PCM formats pass through.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/avi/avi_io.h"
#include "platform/avi/avi_types.h"

struct WavWriter {
  std::unique_ptr<AviSink> ownedSink;
  AviSink* sink = nullptr;
  uint64_t dataBytes = 0;
  uint64_t dataSizeAt = 0;
  bool failed = false;
};

AviResult WavWriterCreate(WavWriter& writer, const std::string& path, const uint8_t* format,
                          size_t formatSize);
AviResult WavWriterCreateOnSink(WavWriter& writer, AviSink& sink, const uint8_t* format,
                                size_t formatSize);
AviResult WavWriterWrite(WavWriter& writer, const void* data, size_t size);
// Patches the sizes and closes; a WAVE file holds at most 4 GiB of sound.
AviResult WavWriterClose(WavWriter& writer);
