#include "platform/avi/avi_types.h"

#include <algorithm>
#include <cstring>

void StreamInfoToBytes(const AviStreamInfo& info, uint8_t (&out)[kStreamInfoBytes]) {
  uint8_t* p = out;
  auto u32 = [&p](uint32_t v) {
    PutU32(p, v);
    p += 4;
  };
  auto u16 = [&p](uint16_t v) {
    PutU16(p, v);
    p += 2;
  };
  u32(info.fccType);
  u32(info.fccHandler);
  u32(info.dwFlags);
  u32(info.dwCaps);
  u16(info.wPriority);
  u16(info.wLanguage);
  u32(info.dwScale);
  u32(info.dwRate);
  u32(info.dwStart);
  u32(info.dwLength);
  u32(info.dwInitialFrames);
  u32(info.dwSuggestedBufferSize);
  u32(static_cast<uint32_t>(info.dwQuality));
  u32(info.dwSampleSize);
  u32(static_cast<uint32_t>(info.rcFrame.left));
  u32(static_cast<uint32_t>(info.rcFrame.top));
  u32(static_cast<uint32_t>(info.rcFrame.right));
  u32(static_cast<uint32_t>(info.rcFrame.bottom));
  u32(info.dwEditCount);
  u32(info.dwFormatChangeCount);
  std::memcpy(p, info.szName, sizeof info.szName);
}

AviStreamInfo StreamInfoFromBytes(const uint8_t (&in)[kStreamInfoBytes]) {
  ByteReader r(in, kStreamInfoBytes);
  AviStreamInfo info;
  info.fccType = r.U32();
  info.fccHandler = r.U32();
  info.dwFlags = r.U32();
  info.dwCaps = r.U32();
  info.wPriority = r.U16();
  info.wLanguage = r.U16();
  info.dwScale = r.U32();
  info.dwRate = r.U32();
  info.dwStart = r.U32();
  info.dwLength = r.U32();
  info.dwInitialFrames = r.U32();
  info.dwSuggestedBufferSize = r.U32();
  info.dwQuality = r.I32();
  info.dwSampleSize = r.U32();
  info.rcFrame.left = r.I32();
  info.rcFrame.top = r.I32();
  info.rcFrame.right = r.I32();
  info.rcFrame.bottom = r.I32();
  info.dwEditCount = r.U32();
  info.dwFormatChangeCount = r.U32();
  r.Bytes(info.szName, sizeof info.szName);
  info.szName[sizeof info.szName - 1] = 0;
  return info;
}

void StreamInfoSetName(AviStreamInfo& info, std::string_view name) {
  std::memset(info.szName, 0, sizeof info.szName);
  std::memcpy(info.szName, name.data(), std::min(name.size(), sizeof info.szName - 1));
}

std::string_view StreamInfoName(const AviStreamInfo& info) {
  return std::string_view(info.szName, strnlen(info.szName, sizeof info.szName));
}

bool BitmapHeaderRead(const uint8_t* data, size_t size, BitmapHeader& out) {
  ByteReader r(data, size);
  out.biSize = r.U32();
  out.biWidth = r.I32();
  out.biHeight = r.I32();
  out.biPlanes = r.U16();
  out.biBitCount = r.U16();
  out.biCompression = r.U32();
  out.biSizeImage = r.U32();
  out.biXPelsPerMeter = r.I32();
  out.biYPelsPerMeter = r.I32();
  out.biClrUsed = r.U32();
  out.biClrImportant = r.U32();
  return r.ok() && out.biSize >= 40 && out.biSize <= size;
}

void BitmapHeaderWrite(const BitmapHeader& h, uint8_t* out) {
  PutU32(out, h.biSize);
  PutU32(out + 4, static_cast<uint32_t>(h.biWidth));
  PutU32(out + 8, static_cast<uint32_t>(h.biHeight));
  PutU16(out + 12, h.biPlanes);
  PutU16(out + 14, h.biBitCount);
  PutU32(out + 16, h.biCompression);
  PutU32(out + 20, h.biSizeImage);
  PutU32(out + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
  PutU32(out + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
  PutU32(out + 32, h.biClrUsed);
  PutU32(out + 36, h.biClrImportant);
}

bool WaveFormatRead(const uint8_t* data, size_t size, WaveFormat& out) {
  ByteReader r(data, size);
  out.wFormatTag = r.U16();
  out.nChannels = r.U16();
  out.nSamplesPerSec = r.U32();
  out.nAvgBytesPerSec = r.U32();
  out.nBlockAlign = r.U16();
  out.wBitsPerSample = size >= 16 ? r.U16() : 0;
  return r.ok();
}
