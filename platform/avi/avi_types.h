#pragma once
// Plain records and result codes of the AVI file services. The field names
// and numeric values are the platform's (vfw.h), so the Win32 face can copy
// them one to one into AVISTREAMINFO and return the codes unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/bytes.h"

using AviResult = int32_t;

constexpr AviResult AviError(uint32_t code) {
  return static_cast<AviResult>(0x80040000u | (0x4000u + code));
}
// These names are macros of the same values in the platform's headers; a
// file that includes those first keeps the macros.
#ifndef AVIERR_OK
constexpr AviResult AVIERR_OK = 0;
#endif
#ifndef AVIERR_UNSUPPORTED
constexpr AviResult AVIERR_UNSUPPORTED = AviError(101);
#endif
#ifndef AVIERR_BADFORMAT
constexpr AviResult AVIERR_BADFORMAT = AviError(102);
#endif
#ifndef AVIERR_MEMORY
constexpr AviResult AVIERR_MEMORY = AviError(103);
#endif
#ifndef AVIERR_INTERNAL
constexpr AviResult AVIERR_INTERNAL = AviError(104);
#endif
#ifndef AVIERR_BADFLAGS
constexpr AviResult AVIERR_BADFLAGS = AviError(105);
#endif
#ifndef AVIERR_BADPARAM
constexpr AviResult AVIERR_BADPARAM = AviError(106);
#endif
#ifndef AVIERR_BADSIZE
constexpr AviResult AVIERR_BADSIZE = AviError(107);
#endif
#ifndef AVIERR_BADHANDLE
constexpr AviResult AVIERR_BADHANDLE = AviError(108);
#endif
#ifndef AVIERR_FILEREAD
constexpr AviResult AVIERR_FILEREAD = AviError(109);
#endif
#ifndef AVIERR_FILEWRITE
constexpr AviResult AVIERR_FILEWRITE = AviError(110);
#endif
#ifndef AVIERR_FILEOPEN
constexpr AviResult AVIERR_FILEOPEN = AviError(111);
#endif
#ifndef AVIERR_COMPRESSOR
constexpr AviResult AVIERR_COMPRESSOR = AviError(112);
#endif
#ifndef AVIERR_NOCOMPRESSOR
constexpr AviResult AVIERR_NOCOMPRESSOR = AviError(113);
#endif
#ifndef AVIERR_READONLY
constexpr AviResult AVIERR_READONLY = AviError(114);
#endif
#ifndef AVIERR_NODATA
constexpr AviResult AVIERR_NODATA = AviError(115);
#endif
#ifndef AVIERR_BUFFERTOOSMALL
constexpr AviResult AVIERR_BUFFERTOOSMALL = AviError(116);
#endif
#ifndef AVIERR_CANTCOMPRESS
constexpr AviResult AVIERR_CANTCOMPRESS = AviError(117);
#endif
#ifndef AVIERR_USERABORT
constexpr AviResult AVIERR_USERABORT = AviError(198);
#endif
#ifndef AVIERR_ERROR
constexpr AviResult AVIERR_ERROR = AviError(199);
#endif

// Index and chunk flags.
#ifndef AVIIF_LIST
constexpr uint32_t AVIIF_LIST = 0x01;
#endif
#ifndef AVIIF_KEYFRAME
constexpr uint32_t AVIIF_KEYFRAME = 0x10;
#endif
// Main header flags.
#ifndef AVIF_HASINDEX
constexpr uint32_t AVIF_HASINDEX = 0x10;
#endif
#ifndef AVIF_ISINTERLEAVED
constexpr uint32_t AVIF_ISINTERLEAVED = 0x100;
#endif
// Stream capabilities.
#ifndef AVIFILECAPS_CANREAD
constexpr uint32_t AVIFILECAPS_CANREAD = 0x01;
#endif
#ifndef AVIFILECAPS_CANWRITE
constexpr uint32_t AVIFILECAPS_CANWRITE = 0x02;
#endif
#ifndef AVIFILECAPS_ALLKEYFRAMES
constexpr uint32_t AVIFILECAPS_ALLKEYFRAMES = 0x10;
#endif
#ifndef AVIFILECAPS_NOCOMPRESSION
constexpr uint32_t AVIFILECAPS_NOCOMPRESSION = 0x20;
#endif
// AVIStreamFindSample flags.
#ifndef FIND_NEXT
constexpr int32_t FIND_NEXT = 0x0001;
#endif
#ifndef FIND_PREV
constexpr int32_t FIND_PREV = 0x0004;
#endif
#ifndef FIND_FROM_START
constexpr int32_t FIND_FROM_START = 0x0008;
#endif
#ifndef FIND_KEY
constexpr int32_t FIND_KEY = 0x0010;
#endif
#ifndef FIND_ANY
constexpr int32_t FIND_ANY = 0x0020;
#endif
#ifndef FIND_FORMAT
constexpr int32_t FIND_FORMAT = 0x0040;
#endif
// AVIStreamRead sample count: as many as lie in one stored chunk.
#ifndef AVISTREAMREAD_CONVENIENT
constexpr int64_t AVISTREAMREAD_CONVENIENT = -1;
#endif

constexpr uint32_t kStreamTypeVideo = FourCC("vids");
constexpr uint32_t kStreamTypeAudio = FourCC("auds");

struct AviRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// The 140-byte stream information record, field for field.
struct AviStreamInfo {
  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwFlags = 0;
  uint32_t dwCaps = 0;
  uint16_t wPriority = 0;
  uint16_t wLanguage = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwStart = 0;
  uint32_t dwLength = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwSuggestedBufferSize = 0;
  int32_t dwQuality = 0;
  uint32_t dwSampleSize = 0;
  AviRect rcFrame;
  uint32_t dwEditCount = 0;
  uint32_t dwFormatChangeCount = 0;
  char szName[64] = {};
};

constexpr size_t kStreamInfoBytes = 140;
void StreamInfoToBytes(const AviStreamInfo& info, uint8_t (&out)[kStreamInfoBytes]);
AviStreamInfo StreamInfoFromBytes(const uint8_t (&in)[kStreamInfoBytes]);
void StreamInfoSetName(AviStreamInfo& info, std::string_view name);
std::string_view StreamInfoName(const AviStreamInfo& info);

// The main header of an AVI file (avih), as stored.
struct AviMainHeader {
  uint32_t dwMicroSecPerFrame = 0;
  uint32_t dwMaxBytesPerSec = 0;
  uint32_t dwPaddingGranularity = 0;
  uint32_t dwFlags = 0;
  uint32_t dwTotalFrames = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwStreams = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwWidth = 0;
  uint32_t dwHeight = 0;
};

// Positions of the bitmap information header (40 bytes) of a video format.
struct BitmapHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
#ifndef BI_RGB
constexpr uint32_t BI_RGB = 0;
#endif
#ifndef BI_BITFIELDS
constexpr uint32_t BI_BITFIELDS = 3;
#endif
bool BitmapHeaderRead(const uint8_t* data, size_t size, BitmapHeader& out);
void BitmapHeaderWrite(const BitmapHeader& header, uint8_t* out40);

// The first 16 bytes of a WAVEFORMATEX.
struct WaveFormat {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;
};
bool WaveFormatRead(const uint8_t* data, size_t size, WaveFormat& out);
