#include "recorder/settings_file.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"

void SetRecorderDefaults(CaptureSettings* capture, SoundFormat* sound, AppSettings* app,
                         int32_t screenWidth, int32_t screenHeight,
                         const std::string& programPath) {
  SetCaptureDefaults(capture, screenWidth, screenHeight);
  *sound = SoundFormat{};
  *app = AppSettings{};
  app->windowX = screenWidth;
  app->windowY = screenHeight;
  app->tempFolder = programPath;
  app->saveFolder = programPath;
}

namespace {
void PutFolder(ByteWriter& out, const std::string& text) {
  out.U32(static_cast<uint32_t>(text.size() + 1));  // with the zero byte
  out.Text(text);
  out.U8(0);
}

// Each field changes only when all of its bytes are there.
void Take8(ByteReader& in, uint8_t* field) {
  const uint8_t v = in.U8();
  if (in.ok()) *field = v;
}
void TakeFlag(ByteReader& in, uint8_t* field) {
  const uint8_t v = in.U8();
  if (in.ok()) *field = v != 0;
}
void Take16(ByteReader& in, uint16_t* field) {
  const uint16_t v = in.U16();
  if (in.ok()) *field = v;
}
void Take32(ByteReader& in, int32_t* field) {
  const int32_t v = in.I32();
  if (in.ok()) *field = v;
}

bool TakeFolder(ByteReader& in, std::string* field, SettingsTextConversion fromFile) {
  const uint32_t length = in.U32();
  if (!in.ok() || length == 0 || length > kSettingsFolderCapacity) return false;
  const uint8_t* bytes = in.View(length);
  if (!bytes) return false;
  const void* zero = std::memchr(bytes, 0, length);
  // Without a zero byte in it the text still has to leave room for one.
  const size_t chars = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes)
                            : std::min<size_t>(length, kSettingsFolderCapacity - 1);
  const std::string text(reinterpret_cast<const char*>(bytes), chars);
  *field = fromFile ? fromFile(text) : text;
  return true;
}
}  // namespace

std::vector<uint8_t> SettingsFileBytes(const CaptureSettings& c, const SoundFormat& s,
                                       const AppSettings& a, SettingsTextConversion toFile) {
  ByteWriter out;
  out.U8(c.useDirectDraw);                                       //  0
  out.U8(c.tempCodec);                                           //  1
  out.I32(c.rate);                                               //  2
  out.I32(c.scale);                                              //  6
  out.I32(c.rangeX);                                             // 10
  out.I32(c.rangeY);                                             // 14
  out.I32(c.rangeWidth);                                         // 18
  out.I32(c.rangeHeight);                                        // 22
  out.U8(c.reduction);                                           // 26
  out.U8(c.drawCursor);                                          // 27
  out.U8(c.regionMode);                                          // 28
  out.I32(s.sampleRate);                                         // 29
  out.I32(s.bitsPerSample);                                      // 33
  out.I32(s.channels);                                           // 37
  out.U8(c.bitmapSequence);                                      // 41
  out.U8(c.recordSound);                                         // 42
  out.U8(a.saveWithDialog);                                      // 43
  out.U8(c.clientOnly);                                          // 44
  out.U8(c.useActiveWindow);                                     // 45
  out.U8(a.mainWindowVisible);                                   // 46
  out.U8(a.detailsExpanded);                                     // 47
  out.U16(a.hotkeyStart);                                        // 48
  out.U16(a.hotkeyStop);                                         // 50
  out.U16(a.hotkeyHide);                                         // 52
  out.I32(a.windowX);                                            // 54
  out.I32(a.windowY);                                            // 58
  out.U8(a.showProgress);                                        // 62
  out.U8(a.saveAfterRecording);                                  // 63
  PutFolder(out, toFile ? toFile(a.tempFolder) : a.tempFolder);  // 64
  PutFolder(out, toFile ? toFile(a.saveFolder) : a.saveFolder);
  return std::vector<uint8_t>(out.data(), out.data() + out.size());
}

void ReadSettingsFileBytes(const uint8_t* data, size_t size, CaptureSettings* c, SoundFormat* s,
                           AppSettings* a, int32_t screenWidth, int32_t screenHeight,
                           SettingsTextConversion fromFile) {
  ByteReader in(data, size);
  TakeFlag(in, &c->useDirectDraw);
  Take8(in, &c->tempCodec);
  Take32(in, &c->rate);
  Take32(in, &c->scale);
  Take32(in, &c->rangeX);
  Take32(in, &c->rangeY);
  Take32(in, &c->rangeWidth);
  Take32(in, &c->rangeHeight);
  Take8(in, &c->reduction);
  TakeFlag(in, &c->drawCursor);
  Take8(in, &c->regionMode);
  Take32(in, &s->sampleRate);
  Take32(in, &s->bitsPerSample);
  Take32(in, &s->channels);
  TakeFlag(in, &c->bitmapSequence);
  TakeFlag(in, &c->recordSound);
  TakeFlag(in, &a->saveWithDialog);
  TakeFlag(in, &c->clientOnly);
  TakeFlag(in, &c->useActiveWindow);
  TakeFlag(in, &a->mainWindowVisible);
  TakeFlag(in, &a->detailsExpanded);
  Take16(in, &a->hotkeyStart);
  Take16(in, &a->hotkeyStop);
  Take16(in, &a->hotkeyHide);
  Take32(in, &a->windowX);
  Take32(in, &a->windowY);
  TakeFlag(in, &a->showProgress);
  TakeFlag(in, &a->saveAfterRecording);
  if (TakeFolder(in, &a->tempFolder, fromFile)) TakeFolder(in, &a->saveFolder, fromFile);

  // A damaged byte would leave the recording page without a selection and
  // every start refused by the temp file: such values fall back to the defaults.
  if (c->tempCodec > kTempCodecRunXor) c->tempCodec = kTempCodecDefault;
  if (c->regionMode > kRegionWindow) c->regionMode = kRegionFixed;
  NormalizeCaptureRange(c, screenWidth, screenHeight);
}
