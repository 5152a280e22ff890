// The Win32 face of our AVI services under the platform's own tools: frames
// checked against GDI's conversion, files read back by the platform's AVIFile
// reader and MCIWnd, the compressor chooser and save-options dialog opened on
// our streams. Files for the ffprobe check go to a fixed folder of the build.
#include "platform/avi/avi_frame.h"
#include "platform/avi/avi_save.h"
#include "platform/avi/avi_testing.h"

#include "platform/avi/avi_api_win.h"
#include "platform/avi/avi_codec_win.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/text_win.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

namespace {

constexpr DWORD kRle = mmioFOURCC('M', 'R', 'L', 'E');
// Spelt out: MinGW's import libraries give IID_IAVIStream and its kin as code stubs.
constexpr GUID kIidAviFile = {0x00020020, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidAviStream = {0x00020021, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// An ASCII folder: the platform's AVIFile opens paths through the ANSI code page.
std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH];
  GetTempPathW(MAX_PATH, buffer);
  std::wstring folder = std::wstring(buffer) + L"ownavi_test";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

std::wstring OutputFolder() {
  std::wstring folder = ProgramPath(AVI_WIN_OUTPUT_DIR);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A format of the given depth: 8 bits with a grey-green palette, 16 as 5-5-5, 24, 32.
std::vector<uint8_t> Format(int32_t width, int32_t height, uint16_t bits) {
  std::vector<uint8_t> f(40 + (bits == 8 ? 1024 : 0), 0);
  BitmapHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = bits;
  h.biSizeImage = static_cast<uint32_t>(DibStride(width, bits) * height);
  BitmapHeaderWrite(h, f.data());
  for (int i = 0; bits == 8 && i < 256; ++i) {
    f[40 + i * 4] = static_cast<uint8_t>(i);
    f[40 + i * 4 + 1] = static_cast<uint8_t>(255 - i);
    f[40 + i * 4 + 2] = static_cast<uint8_t>(i * 7);
  }
  return f;
}

// Pixels with runs (so the RLE coder has work) that differ per frame.
std::vector<uint8_t> Pixels(int32_t width, int32_t height, uint16_t bits, int tag) {
  size_t stride = static_cast<size_t>(DibStride(width, bits));
  std::vector<uint8_t> p(stride * static_cast<size_t>(height), 0);
  size_t rowBytes = static_cast<size_t>(width) * bits / 8;
  for (int32_t y = 0; y < height; ++y)
    for (size_t x = 0; x < rowBytes; ++x)
      p[y * stride + x] = static_cast<uint8_t>((x / 4) * 29 + y * 3 + tag * 17);
  if (bits == 16)  // keep the unused top bit of 5-5-5 clear
    for (int32_t y = 0; y < height; ++y)
      for (size_t x = 1; x < rowBytes; x += 2) p[y * stride + x] &= 0x7F;
  return p;
}

AviStreamRef MadeVideo(int32_t width, int32_t height, uint16_t bits, int count) {
  std::vector<uint8_t> format = Format(width, height, bits);
  AviStreamRef s;
  AviMakeStream(avitest::VideoInfo(10, 1, width, height), format.data(), format.size(), s);
  for (int i = 0; i < count; ++i) {
    std::vector<uint8_t> pixels = Pixels(width, height, bits, i);
    s->Write(i, pixels.data(), static_cast<uint32_t>(pixels.size()), AVIIF_KEYFRAME);
  }
  return s;
}

AviStreamRef MadeSound(int samples) {
  std::vector<uint8_t> format = avitest::PcmFormat(8000, 2, 16);
  AviStreamRef s;
  AviMakeStream(avitest::AudioInfo(8000, 4), format.data(), format.size(), s);
  std::vector<uint8_t> pcm = avitest::Pcm16Stereo(0, samples);
  s->Write(0, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME);
  return s;
}

// What GDI makes of a packed DIB in a 24-bit DIB section: the editor's own way to 24 bits.
std::vector<uint8_t> GdiTo24(const uint8_t* packed) {
  BitmapHeader h;
  BitmapHeaderRead(packed, 40, h);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = h.biWidth;
  bi.bmiHeader.biHeight = h.biHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  SetDIBits(dc, bitmap, 0, h.biHeight, packed + 40 + DibColourBytes(h),
            reinterpret_cast<const BITMAPINFO*>(packed), DIB_RGB_COLORS);
  GdiFlush();
  const auto* p = static_cast<const uint8_t*>(bits);
  std::vector<uint8_t> out(p, p + DibStride(h.biWidth, 24) * h.biHeight);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

std::vector<uint8_t> FramePixels(const void* frame) {
  const auto* p = static_cast<const uint8_t*>(frame);
  BitmapHeader h;
  BitmapHeaderRead(p, 40, h);
  size_t start = 40 + DibColourBytes(h);
  return std::vector<uint8_t>(p + start,
                              p + start + DibStride(h.biWidth, h.biBitCount) * h.biHeight);
}

// What the platform's own reader sees of a file: stream count, video length,
// and the natural-form pixels of each frame.
struct PlatformView {
  int streams = 0;
  LONG videoLength = -1;
  LONG soundLength = -1;
  std::string videoName;
  std::vector<std::vector<uint8_t>> frames;
};

PlatformView ReadWithPlatform(const std::wstring& path) {
  PlatformView view;
  ::AVIFileInit();
  PAVIFILE file = nullptr;
  if (::AVIFileOpenW(&file, path.c_str(), OF_READ, nullptr) == 0) {
    AVIFILEINFOW info{};
    ::AVIFileInfoW(file, &info, sizeof info);
    view.streams = static_cast<int>(info.dwStreams);
    PAVISTREAM video = nullptr, sound = nullptr;
    if (::AVIFileGetStream(file, &video, streamtypeVIDEO, 0) == 0) {
      view.videoLength = ::AVIStreamLength(video);
      AVISTREAMINFOW si{};
      ::AVIStreamInfoW(video, &si, sizeof si);
      view.videoName = Narrow(si.szName);
      PGETFRAME frames = ::AVIStreamGetFrameOpen(video, nullptr);
      for (LONG i = 0; frames && i < view.videoLength; ++i) {
        void* frame = ::AVIStreamGetFrame(frames, ::AVIStreamStart(video) + i);
        view.frames.push_back(frame ? FramePixels(frame) : std::vector<uint8_t>());
      }
      if (frames) ::AVIStreamGetFrameClose(frames);
      ::AVIStreamRelease(video);
    }
    if (::AVIFileGetStream(file, &sound, streamtypeAUDIO, 0) == 0) {
      view.soundLength = ::AVIStreamLength(sound);
      ::AVIStreamRelease(sound);
    }
    ::AVIFileRelease(file);
  }
  ::AVIFileExit();
  return view;
}

// Length and a seek through the platform's media-control window.
void CheckWithMciWnd(const std::wstring& path, LONG frames) {
  HWND player = MCIWndCreateW(nullptr, GetModuleHandleW(nullptr), WS_POPUP | MCIWNDF_NOERRORDLG,
                              path.c_str());
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(MCIWndGetLength(player), frames);
  MCIWndSeek(player, frames - 1);
  EXPECT_EQ(MCIWndGetPosition(player), frames - 1);
  MCIWndDestroy(player);
}

HRESULT Save(const std::wstring& path, std::vector<PAVISTREAM> streams,
             std::vector<AVICOMPRESSOPTIONS*> options, AVISAVECALLBACK callback = nullptr) {
  return ownavi::AVISaveVW(path.c_str(), nullptr, callback, static_cast<int>(streams.size()),
                           streams.data(), options.empty() ? nullptr : options.data());
}

void ReleaseAll(std::vector<PAVISTREAM>& streams) {
  for (PAVISTREAM s : streams) ownavi::AVIStreamRelease(s);
  streams.clear();
}

}  // namespace

TEST(OwnAviFramesTest, EveryDepthAsStoredAnd24BitAndAsThePlatformReadsIt) {
  for (uint16_t bits : {8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    std::wstring path = TempFolder() + L"depth" + std::to_wstring(bits) + L".avi";
    ASSERT_EQ(AviSave(Narrow(path), {MadeVideo(7, 5, bits, 3)}, nullptr), AVIERR_OK);

    ownavi::AVIFileInit();
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(ownavi::AVIStreamOpenFromFileW(&stream, path.c_str(), streamtypeVIDEO, 0,
                                             OF_SHARE_DENY_WRITE, nullptr),
              AVIERR_OK);
    EXPECT_EQ(ownavi::AVIStreamStart(stream), 0);
    EXPECT_EQ(ownavi::AVIStreamLength(stream), 3);
    EXPECT_EQ(ownavi::AVIStreamSampleToTime(stream, 2), 200);
    PGETFRAME natural = ownavi::AVIStreamGetFrameOpen(stream, nullptr);
    BITMAPINFOHEADER want{};
    want.biSize = 40;
    want.biBitCount = 24;
    want.biPlanes = 1;
    PGETFRAME full = ownavi::AVIStreamGetFrameOpen(stream, &want);
    ASSERT_NE(natural, nullptr);
    ASSERT_NE(full, nullptr);
    PlatformView platform = ReadWithPlatform(path);
    ASSERT_EQ(platform.videoLength, 3);
    for (LONG i = 0; i < 3; ++i) {
      auto* frame = static_cast<const uint8_t*>(ownavi::AVIStreamGetFrame(natural, i));
      ASSERT_NE(frame, nullptr);
      EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(frame)->biBitCount, bits);
      EXPECT_EQ(FramePixels(frame), Pixels(7, 5, bits, i));
      EXPECT_EQ(platform.frames[i], Pixels(7, 5, bits, i));
      std::vector<uint8_t> gdi = GdiTo24(frame);
      auto* frame24 = static_cast<const uint8_t*>(ownavi::AVIStreamGetFrame(full, i));
      ASSERT_NE(frame24, nullptr);
      EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(frame24)->biBitCount, 24);
      std::vector<uint8_t> ours = FramePixels(frame24);
      ASSERT_EQ(ours.size(), gdi.size());
      // 5-bit channels are widened by scaling here and by bit copying in GDI: one step apart at
      // most.
      int slack = bits == 16 ? 1 : 0;
      for (size_t b = 0; b < ours.size(); ++b)
        ASSERT_LE(std::abs(ours[b] - gdi[b]), slack) << "byte " << b;
    }
    EXPECT_EQ(ownavi::AVIStreamGetFrame(natural, 3), nullptr);  // past the end
    // Stretching is not the frame reader's job; the platform's opener fails the same way.
    want.biWidth = 14;
    want.biHeight = 10;
    EXPECT_EQ(ownavi::AVIStreamGetFrameOpen(stream, &want), nullptr);
    EXPECT_EQ(ownavi::AVIStreamGetFrameClose(natural), AVIERR_OK);
    EXPECT_EQ(ownavi::AVIStreamGetFrameClose(full), AVIERR_OK);
    EXPECT_EQ(ownavi::AVIStreamRelease(stream), 0u);
    ownavi::AVIFileExit();
  }
}

TEST(OwnAviCodecTest, RleSaveThenDecodedByUsAndThePlatform) {
  std::wstring path = TempFolder() + L"rle.avi";
  PAVISTREAM video = ownavi::WrapStream(MadeVideo(16, 6, 8, 4));
  AVICOMPRESSOPTIONS options{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = kRle;
  options.dwQuality = static_cast<DWORD>(-1);
  options.dwKeyFrameEvery = 2;
  options.dwFlags = AVICOMPRESSF_KEYFRAMES;
  ASSERT_EQ(Save(path, {video}, {&options}), AVIERR_OK);
  ownavi::AVIStreamRelease(video);

  PAVISTREAM stream = nullptr;
  ASSERT_EQ(
      ownavi::AVIStreamOpenFromFileW(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
      AVIERR_OK);
  AVISTREAMINFOW info{};
  ASSERT_EQ(ownavi::AVIStreamInfoW(stream, &info, sizeof info), AVIERR_OK);
  EXPECT_EQ(info.fccHandler, kRle);
  EXPECT_EQ(info.dwLength, 4u);
  LONG formatSize = 0;
  ASSERT_EQ(ownavi::AVIStreamReadFormat(stream, 0, nullptr, &formatSize), AVIERR_OK);
  std::vector<uint8_t> format(formatSize);
  ASSERT_EQ(ownavi::AVIStreamReadFormat(stream, 0, format.data(), &formatSize), AVIERR_OK);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(format.data())->biCompression,
            static_cast<DWORD>(BI_RLE8));
  // The coded frames are smaller than the plain ones.
  LONG bytes = 0;
  ASSERT_EQ(ownavi::AVIStreamRead(stream, 0, 1, nullptr, 0, &bytes, nullptr), AVIERR_OK);
  EXPECT_LT(bytes, 16 * 6);

  // Key frames every second frame; the ones between are coded against the frame before.
  EXPECT_EQ(ownavi::AVIStreamFindSample(stream, 1, FIND_KEY | FIND_PREV), 0);
  EXPECT_EQ(ownavi::AVIStreamFindSample(stream, 3, FIND_KEY | FIND_PREV), 2);
  PGETFRAME frames = ownavi::AVIStreamGetFrameOpen(stream, nullptr);
  ASSERT_NE(frames, nullptr);
  // Backwards, so that each frame is decoded from its key frame and not from the last one shown.
  for (LONG i = 3; i >= 0; --i) {
    void* frame = ownavi::AVIStreamGetFrame(frames, i);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(static_cast<BITMAPINFOHEADER*>(frame)->biBitCount, 8);
    EXPECT_EQ(FramePixels(frame), Pixels(16, 6, 8, i)) << i;
  }
  // Asked for 24 bits, the decoded frames go through the palette.
  BITMAPINFOHEADER want{};
  want.biSize = 40;
  want.biBitCount = 24;
  PGETFRAME full = ownavi::AVIStreamGetFrameOpen(stream, &want);
  ASSERT_NE(full, nullptr);
  void* frame24 = ownavi::AVIStreamGetFrame(full, 1);
  ASSERT_NE(frame24, nullptr);
  EXPECT_EQ(FramePixels(frame24),
            GdiTo24(static_cast<uint8_t*>(ownavi::AVIStreamGetFrame(frames, 1))));
  ownavi::AVIStreamGetFrameClose(full);
  ownavi::AVIStreamGetFrameClose(frames);

  // "Full Frames (Uncompressed)" of a compressed stream decodes it; no compressor copies it as it
  // is.
  std::wstring fullPath = TempFolder() + L"rle_to_full.avi";
  std::wstring copyPath = TempFolder() + L"rle_copy.avi";
  AVICOMPRESSOPTIONS dib{};
  dib.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  ASSERT_EQ(Save(fullPath, {stream}, {&dib}), AVIERR_OK);
  AVICOMPRESSOPTIONS none{};
  ASSERT_EQ(Save(copyPath, {stream}, {&none}), AVIERR_OK);
  ownavi::AVIStreamRelease(stream);
  for (const std::wstring& p : {path, fullPath, copyPath}) {
    PlatformView platform = ReadWithPlatform(p);
    ASSERT_EQ(platform.videoLength, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(platform.frames[i], Pixels(16, 6, 8, i)) << i;
  }
  PAVISTREAM decoded = nullptr;
  ASSERT_EQ(ownavi::AVIStreamOpenFromFileW(&decoded, fullPath.c_str(), streamtypeVIDEO, 0, OF_READ,
                                           nullptr),
            AVIERR_OK);
  LONG bytes1 = 0;
  ASSERT_EQ(ownavi::AVIStreamRead(decoded, 1, 1, nullptr, 0, &bytes1, nullptr), AVIERR_OK);
  EXPECT_EQ(bytes1, 16 * 6);
  ownavi::AVIStreamRelease(decoded);
}

// Every stored sample of a file's video and whether it is a key frame.
std::vector<std::pair<std::vector<uint8_t>, bool>> StoredSamples(PAVISTREAM stream) {
  std::vector<std::pair<std::vector<uint8_t>, bool>> out;
  for (LONG i = 0; i < ownavi::AVIStreamLength(stream); ++i) {
    LONG bytes = 0;
    if (ownavi::AVIStreamRead(stream, i, 1, nullptr, 0, &bytes, nullptr) != 0) break;
    std::vector<uint8_t> sample(static_cast<size_t>(bytes));
    if (bytes && ownavi::AVIStreamRead(stream, i, 1, sample.data(), bytes, &bytes, nullptr) != 0)
      break;
    out.emplace_back(sample, ownavi::AVIStreamFindSample(stream, i, FIND_KEY | FIND_PREV) == i);
  }
  return out;
}

TEST(OwnAviCodecTest, DeltaFramesCopiedOnlyWhereTheyStillFollowTheirPredecessors) {
  // RLE frames that change one row each, key frames at 0 and 5: a delta frame
  // drawn on any picture but its predecessor's shows a stale row.
  constexpr int kFrames = 10;
  std::vector<uint8_t> format = Format(16, 6, 8);
  AviStreamRef made;
  ASSERT_EQ(AviMakeStream(avitest::VideoInfo(10, 1, 16, 6), format.data(), format.size(), made),
            AVIERR_OK);
  std::vector<std::vector<uint8_t>> pictures;
  for (int i = 0; i < kFrames; ++i) {
    std::vector<uint8_t> p = Pixels(16, 6, 8, 0);
    std::fill_n(p.begin() + (i % 6) * DibStride(16, 8), 16, static_cast<uint8_t>(200 + i));
    ASSERT_EQ(made->Write(i, p.data(), static_cast<uint32_t>(p.size()), AVIIF_KEYFRAME), AVIERR_OK);
    pictures.push_back(p);
  }
  const std::wstring path = TempFolder() + L"rle_delta.avi";
  PAVISTREAM plain = ownavi::WrapStream(made);
  AVICOMPRESSOPTIONS rle{};
  rle.fccType = streamtypeVIDEO;
  rle.fccHandler = kRle;
  rle.dwQuality = static_cast<DWORD>(-1);
  rle.dwKeyFrameEvery = 5;
  rle.dwFlags = AVICOMPRESSF_KEYFRAMES;
  ASSERT_EQ(Save(path, {plain}, {&rle}), AVIERR_OK);
  ownavi::AVIStreamRelease(plain);
  PAVISTREAM source = nullptr;
  ASSERT_EQ(
      ownavi::AVIStreamOpenFromFileW(&source, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
      AVIERR_OK);
  const auto stored = StoredSamples(source);
  ASSERT_EQ(stored.size(), size_t{kFrames});
  ASSERT_TRUE(stored[5].second && !stored[3].second) << "key frames at 0 and 5 only";
  {
    // Read backwards, each stretch between key frames is decoded once.
    AviStreamRef core;
    ASSERT_EQ(AviStreamOpenFromFile(Narrow(path), kStreamTypeVideo, 0, core), AVIERR_OK);
    IcFrameReader reader;
    ASSERT_EQ(IcFrameReaderOpen(reader, core, false), AVIERR_OK);
    for (int i = kFrames - 1; i >= 0; --i) {
      const uint8_t* frame = IcFrameReaderGet(reader, i);
      ASSERT_NE(frame, nullptr);
      EXPECT_EQ(FramePixels(frame), pictures[i]) << i;
    }
    EXPECT_EQ(reader.decodes, uint64_t{kFrames});
    IcFrameReaderClose(reader);
  }

  // Runs of (first, count) of the source pasted one after the other.
  struct Case {
    const wchar_t* file;  // kept for ffmpeg
    std::vector<std::pair<LONG, LONG>> runs;
    bool copied;
  } cases[] = {
      {L"rle_delta_from_key.avi", {{5, 5}}, true},
      {L"rle_delta_whole.avi", {{0, 10}}, true},
      {L"rle_delta_from_delta.avi", {{3, 4}}, false},
      {L"rle_delta_reversed.avi",
       {{9, 1}, {8, 1}, {7, 1}, {6, 1}, {5, 1}, {4, 1}, {3, 1}, {2, 1}, {1, 1}, {0, 1}},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    PAVISTREAM edit = nullptr;
    ASSERT_EQ(ownavi::CreateEditableStream(&edit, nullptr), AVIERR_OK);
    std::vector<int> order;
    for (const auto& [first, count] : c.runs) {
      LONG at = static_cast<LONG>(order.size()), length = 0;
      ASSERT_EQ(ownavi::EditStreamPaste(edit, &at, &length, source, first, count), AVIERR_OK);
      for (LONG k = 0; k < count; ++k) order.push_back(first + k);
    }
    // The frames read from the edit list itself, backwards.
    PGETFRAME frames = ownavi::AVIStreamGetFrameOpen(edit, nullptr);
    ASSERT_NE(frames, nullptr);
    for (LONG i = static_cast<LONG>(order.size()) - 1; i >= 0; --i) {
      void* frame = ownavi::AVIStreamGetFrame(frames, i);
      ASSERT_NE(frame, nullptr);
      EXPECT_EQ(FramePixels(frame), pictures[order[i]]) << i;
    }
    ownavi::AVIStreamGetFrameClose(frames);
    // Saved without recompression.
    const std::wstring out = OutputFolder() + c.file;
    AVICOMPRESSOPTIONS none{};
    ASSERT_EQ(Save(out, {edit}, {&none}), AVIERR_OK);
    ownavi::AVIStreamRelease(edit);
    PAVISTREAM saved = nullptr;
    ASSERT_EQ(
        ownavi::AVIStreamOpenFromFileW(&saved, out.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
        AVIERR_OK);
    std::vector<std::pair<std::vector<uint8_t>, bool>> expected;
    for (int i : order) expected.push_back(stored[i]);
    if (c.copied) {
      EXPECT_EQ(StoredSamples(saved), expected);
    } else {
      AVISTREAMINFOW info{};
      ownavi::AVIStreamInfoW(saved, &info, sizeof info);
      EXPECT_EQ(info.fccHandler, mmioFOURCC('D', 'I', 'B', ' ')) << "saved decoded";
    }
    ownavi::AVIStreamRelease(saved);
    PlatformView platform = ReadWithPlatform(out);
    ASSERT_EQ(platform.videoLength, static_cast<LONG>(order.size()));
    for (size_t i = 0; i < order.size(); ++i)
      EXPECT_EQ(platform.frames[i], pictures[order[i]]) << i;
  }
  ownavi::AVIStreamRelease(source);
}

TEST(OwnAviCodecTest, CompressedStreamOverACreatedOne) {
  std::wstring path = TempFolder() + L"rle_written.avi";
  PAVIFILE file = nullptr;
  ASSERT_EQ(ownavi::AVIFileOpenW(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr), AVIERR_OK);
  AVISTREAMINFOW header{};
  header.fccType = streamtypeVIDEO;
  header.fccHandler = kRle;
  header.dwScale = 1;
  header.dwRate = 10;
  header.rcFrame = {0, 0, 16, 6};
  PAVISTREAM raw = nullptr, compressed = nullptr;
  ASSERT_EQ(ownavi::AVIFileCreateStreamW(file, &raw, &header), AVIERR_OK);
  AVICOMPRESSOPTIONS options{};
  options.fccHandler = kRle;
  options.dwQuality = static_cast<DWORD>(-1);
  ASSERT_EQ(ownavi::AVIMakeCompressedStream(&compressed, raw, &options, nullptr), AVIERR_OK);
  std::vector<uint8_t> format = Format(16, 6, 8);
  ASSERT_EQ(
      ownavi::AVIStreamSetFormat(compressed, 0, format.data(), static_cast<LONG>(format.size())),
      AVIERR_OK);
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> pixels = Pixels(16, 6, 8, i);
    ASSERT_EQ(
        ownavi::AVIStreamWrite(compressed, i, 1, pixels.data(), static_cast<LONG>(pixels.size()),
                               AVIIF_KEYFRAME, nullptr, nullptr),
        AVIERR_OK);
  }
  // What reaches the file's stream is the coder's format and its smaller frames.
  LONG size = 0;
  ASSERT_EQ(ownavi::AVIStreamReadFormat(raw, 0, nullptr, &size), AVIERR_OK);
  std::vector<uint8_t> stored(size);
  ASSERT_EQ(ownavi::AVIStreamReadFormat(raw, 0, stored.data(), &size), AVIERR_OK);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(stored.data())->biCompression,
            static_cast<DWORD>(BI_RLE8));
  // A second, different format cannot join the frames already coded.
  std::vector<uint8_t> other = Format(8, 6, 8);
  EXPECT_NE(
      ownavi::AVIStreamSetFormat(compressed, 0, other.data(), static_cast<LONG>(other.size())),
      AVIERR_OK);
  ownavi::AVIStreamRelease(compressed);
  ownavi::AVIStreamRelease(raw);
  ownavi::AVIFileRelease(file);
  PlatformView platform = ReadWithPlatform(path);
  ASSERT_EQ(platform.videoLength, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(platform.frames[i], Pixels(16, 6, 8, i)) << i;
}

TEST(OwnAviCodecTest, CompressorThatIsMissingOrRefusesTheFrames) {
  std::wstring path = TempFolder() + L"refused.avi";
  DeleteFileW(path.c_str());
  AVICOMPRESSOPTIONS options{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = mmioFOURCC('Q', 'Z', 'Q', 'Z');
  PAVISTREAM video = ownavi::WrapStream(MadeVideo(8, 4, 24, 2));
  EXPECT_EQ(Save(path, {video}, {&options}), AVIERR_NOCOMPRESSOR);
  options.fccHandler = kRle;  // the RLE coder takes 8-bit frames only
  EXPECT_EQ(Save(path, {video}, {&options}), AVIERR_CANTCOMPRESS);
  EXPECT_FALSE(Exists(path));
  ownavi::AVIStreamRelease(video);
}

namespace {
std::vector<int> gPercents;
int gStopAt = -1;
BOOL WINAPI RecordProgress(int percent) {
  gPercents.push_back(percent);
  return gStopAt >= 0 && percent >= gStopAt;
}
}  // namespace

TEST(OwnAviSaveTest, ProgressAbortAndTheErrorsOfUnwritableOrFullDestinations) {
  std::vector<PAVISTREAM> streams = {ownavi::WrapStream(MadeVideo(8, 4, 24, 30)),
                                     ownavi::WrapStream(MadeSound(24000))};
  std::wstring path = TempFolder() + L"progress.avi";

  gPercents.clear();
  gStopAt = -1;
  ASSERT_EQ(Save(path, streams, {}, RecordProgress), AVIERR_OK);
  ASSERT_FALSE(gPercents.empty());
  for (size_t i = 1; i < gPercents.size(); ++i) EXPECT_LE(gPercents[i - 1], gPercents[i]);
  EXPECT_EQ(gPercents.back(), 100);
  PlatformView platform = ReadWithPlatform(path);
  EXPECT_EQ(platform.streams, 2);
  EXPECT_EQ(platform.videoLength, 30);

  // Compressing first: its work and the writing share the bar.
  std::vector<PAVISTREAM> eight = {ownavi::WrapStream(MadeVideo(16, 4, 8, 10))};
  AVICOMPRESSOPTIONS rle{};
  rle.fccHandler = kRle;
  gPercents.clear();
  ASSERT_EQ(Save(TempFolder() + L"progress_rle.avi", eight, {&rle}, RecordProgress), AVIERR_OK);
  ASSERT_FALSE(gPercents.empty());
  EXPECT_LE(gPercents.front(), 50);
  EXPECT_EQ(gPercents.back(), 100);
  for (size_t i = 1; i < gPercents.size(); ++i) EXPECT_LE(gPercents[i - 1], gPercents[i]);
  gStopAt = 20;  // stopped while compressing
  EXPECT_EQ(Save(TempFolder() + L"stopped_rle.avi", eight, {&rle}, RecordProgress),
            AVIERR_USERABORT);
  EXPECT_FALSE(Exists(TempFolder() + L"stopped_rle.avi"));
  ReleaseAll(eight);

  gStopAt = 60;  // stopped while writing: no half file is left
  DeleteFileW(path.c_str());
  EXPECT_EQ(Save(path, streams, {}, RecordProgress), AVIERR_USERABORT);
  EXPECT_FALSE(Exists(path));
  gStopAt = -1;

  EXPECT_EQ(Save(TempFolder() + L"no_such_folder\\x.avi", streams, {}), AVIERR_FILEOPEN);
  // The host's /dev/full: every write fails as on a full disk.
  EXPECT_EQ(Save(L"Z:\\dev\\full", streams, {}), AVIERR_FILEWRITE);
  // Unlike the platform's, our services take names outside the ANSI code page.
  std::wstring japanese = TempFolder() + L"\u52d5\u753b.avi";
  ASSERT_EQ(Save(japanese, streams, {}), AVIERR_OK);
  PAVISTREAM back = nullptr;
  ASSERT_EQ(
      ownavi::AVIStreamOpenFromFileW(&back, japanese.c_str(), streamtypeAUDIO, 0, OF_READ, nullptr),
      AVIERR_OK);
  EXPECT_EQ(ownavi::AVIStreamLength(back), 24000);
  ownavi::AVIStreamRelease(back);
  PAVISTREAM foreign = nullptr;
  EXPECT_EQ(ownavi::AVISaveVW(path.c_str(), nullptr, nullptr, 1, &foreign, nullptr),
            AVIERR_BADHANDLE);
  ReleaseAll(streams);
}

TEST(OwnAviSaveTest, SaveOptionsOnOurStreamsThenFullFramesAndWaveFiles) {
  std::wstring out = OutputFolder();
  PAVISTREAM video = ownavi::WrapStream(MadeVideo(12, 8, 24, 5));
  PAVISTREAM sound = ownavi::WrapStream(MadeSound(4000));
  {
    // One stream: the platform goes straight to the compressor chooser.
    AVICOMPRESSOPTIONS options{};
    LPAVICOMPRESSOPTIONS list[1] = {&options};
    DialogScript script;
    script.ChooseCompressor("Full Frames (Uncompressed)");
    DialogDriver driver(script);
    ASSERT_EQ(AVISaveOptions(nullptr, 0, 1, &video, list), TRUE);
    driver.Finish();
    std::wstring path = out + L"full_frames.avi";
    ASSERT_EQ(ownavi::AVISaveVW(path.c_str(), nullptr, nullptr, 1, &video, list), AVIERR_OK);
    AVISaveOptionsFree(1, list);
    PlatformView platform = ReadWithPlatform(path);
    EXPECT_EQ(platform.streams, 1);
    ASSERT_EQ(platform.videoLength, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(platform.frames[i], Pixels(12, 8, 24, i));
    CheckWithMciWnd(path, 5);
  }
  {
    // Two: the save-options dialog.
    AVICOMPRESSOPTIONS options[2] = {};
    LPAVICOMPRESSOPTIONS list[2] = {&options[0], &options[1]};
    PAVISTREAM streams[2] = {video, sound};
    DialogScript script;
    script.ConfirmSaveOptions();
    DialogDriver driver(script);
    ASSERT_EQ(AVISaveOptions(nullptr, 0, 2, streams, list), TRUE);
    driver.Finish();
    std::wstring path = out + L"with_sound.avi";
    ASSERT_EQ(ownavi::AVISaveVW(path.c_str(), nullptr, nullptr, 2, streams, list), AVIERR_OK);
    AVISaveOptionsFree(2, list);
    PlatformView platform = ReadWithPlatform(path);
    EXPECT_EQ(platform.streams, 2);
    EXPECT_EQ(platform.videoLength, 5);
    EXPECT_EQ(platform.soundLength, 4000);
    CheckWithMciWnd(path, 5);
  }
  // A sound stream under a ".WAV" name, any case, is a WAVE file; the video given with it is left
  // out.
  PAVISTREAM both[2] = {video, sound};
  std::wstring wave = out + L"SOUND.WAV";
  ASSERT_EQ(ownavi::AVISaveVW(wave.c_str(), nullptr, nullptr, 2, both, nullptr), AVIERR_OK);
  PAVISTREAM videoOnly[1] = {video};
  EXPECT_EQ(
      ownavi::AVISaveVW((out + L"no_sound.wav").c_str(), nullptr, nullptr, 1, videoOnly, nullptr),
      AVIERR_UNSUPPORTED);
  PAVISTREAM back = nullptr;
  ASSERT_EQ(
      ownavi::AVIStreamOpenFromFileW(&back, wave.c_str(), streamtypeAUDIO, 0, OF_READ, nullptr),
      AVIERR_OK);
  EXPECT_EQ(ownavi::AVIStreamLength(back), 4000);
  ownavi::AVIStreamRelease(back);
  ownavi::AVIStreamRelease(video);
  ownavi::AVIStreamRelease(sound);
}

TEST(OwnAviWriteTest, OutputMovieThroughCreatedAndCompressingStreams) {
  std::wstring path = OutputFolder() + L"written_through.avi";  // also for ffprobe
  ownavi::AVIFileInit();
  ownavi::AVIFileInit();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 2);
  PAVIFILE file = nullptr;
  ASSERT_EQ(ownavi::AVIFileOpenW(&file, path.c_str(), OF_WRITE | OF_CREATE | OF_SHARE_DENY_WRITE,
                                 nullptr),
            AVIERR_OK);
  AVISTREAMINFOW header{};
  header.fccType = streamtypeVIDEO;
  header.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  header.dwScale = 1;
  header.dwRate = 15;
  header.dwQuality = static_cast<DWORD>(-1);
  header.rcFrame = {0, 0, 10, 6};
  wcscpy(header.szName, L"GLIMSA:VIDEO");
  PAVISTREAM raw = nullptr, compressed = nullptr;
  ASSERT_EQ(ownavi::AVIFileCreateStreamW(file, &raw, &header), AVIERR_OK);
  AVICOMPRESSOPTIONS options{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = header.fccHandler;
  ASSERT_EQ(ownavi::AVIMakeCompressedStream(&compressed, raw, &options, nullptr), AVIERR_OK);
  std::vector<uint8_t> format = Format(10, 6, 24);
  ASSERT_EQ(
      ownavi::AVIStreamSetFormat(compressed, 0, format.data(), static_cast<LONG>(format.size())),
      AVIERR_OK);
  for (int i = 0; i < 6; ++i) {
    std::vector<uint8_t> pixels = Pixels(10, 6, 24, i);
    LONG written = 0;
    ASSERT_EQ(
        ownavi::AVIStreamWrite(compressed, i, 1, pixels.data(), static_cast<LONG>(pixels.size()),
                               AVIIF_KEYFRAME, &written, nullptr),
        AVIERR_OK);
    EXPECT_EQ(written, 1);
  }
  // The sound copied in as a stream of its own, after frames were written.
  PAVISTREAM sound = ownavi::WrapStream(MadeSound(3000));
  AVISTREAMINFOW soundInfo{};
  ownavi::AVIStreamInfoW(sound, &soundInfo, sizeof soundInfo);
  PAVISTREAM copy = nullptr;
  ASSERT_EQ(ownavi::AVIFileCreateStreamW(file, &copy, &soundInfo), AVIERR_OK);
  LONG formatSize = 0;
  ownavi::AVIStreamReadFormat(sound, 0, nullptr, &formatSize);
  std::vector<uint8_t> soundFormat(formatSize);
  ownavi::AVIStreamReadFormat(sound, 0, soundFormat.data(), &formatSize);
  ASSERT_EQ(ownavi::AVIStreamSetFormat(copy, 0, soundFormat.data(), formatSize), AVIERR_OK);
  std::vector<uint8_t> block(3000 * 4);
  LONG bytes = 0, samples = 0;
  ASSERT_EQ(ownavi::AVIStreamRead(sound, 0, 3000, block.data(), static_cast<LONG>(block.size()),
                                  &bytes, &samples),
            AVIERR_OK);
  ASSERT_EQ(ownavi::AVIStreamWrite(copy, 0, samples, block.data(), bytes, AVIIF_KEYFRAME, nullptr,
                                   nullptr),
            AVIERR_OK);
  AVIFILEINFOW fileInfo{};
  ASSERT_EQ(ownavi::AVIFileInfoW(file, &fileInfo, sizeof fileInfo), AVIERR_OK);
  EXPECT_EQ(fileInfo.dwStreams, 2u);
  EXPECT_EQ(fileInfo.dwWidth, 10u);
  // The streams hold the file: the movie is written only when the last of them goes.
  EXPECT_EQ(ownavi::AVIStreamRelease(copy), 0u);
  EXPECT_EQ(ownavi::AVIStreamRelease(sound), 0u);
  EXPECT_EQ(ownavi::AVIStreamRelease(compressed), 0u);
  EXPECT_EQ(ownavi::AVIFileRelease(file), 1u);
  EXPECT_EQ(ownavi::AVIStreamRelease(raw), 0u);
  ownavi::AVIFileExit();
  ownavi::AVIFileExit();
  ownavi::AVIFileExit();  // one too many is harmless
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);

  PlatformView platform = ReadWithPlatform(path);
  EXPECT_EQ(platform.streams, 2);
  EXPECT_EQ(platform.videoName, "GLIMSA:VIDEO");
  ASSERT_EQ(platform.videoLength, 6);
  EXPECT_EQ(platform.soundLength, 3000);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(platform.frames[i], Pixels(10, 6, 24, i));
  CheckWithMciWnd(path, 6);

  // An unwritable destination fails at once; an existing file is not opened for writing.
  PAVIFILE bad = nullptr;
  EXPECT_EQ(ownavi::AVIFileOpenW(&bad, (TempFolder() + L"no_such_folder\\o.avi").c_str(),
                                 OF_WRITE | OF_CREATE, nullptr),
            AVIERR_FILEOPEN);
  EXPECT_EQ(bad, nullptr);
  EXPECT_EQ(ownavi::AVIFileOpenW(&bad, path.c_str(), OF_WRITE, nullptr), AVIERR_READONLY);
  // A full disk (the host's /dev/full) refuses the first frame that reaches it,
  // every later one, and the file at its last release.
  ownavi::AVIFileTakeCloseResult();
  ASSERT_EQ(ownavi::AVIFileOpenW(&bad, L"Z:\\dev\\full", OF_WRITE | OF_CREATE, nullptr), AVIERR_OK);
  PAVISTREAM refused = nullptr;
  ASSERT_EQ(ownavi::AVIFileCreateStreamW(bad, &refused, &header), AVIERR_OK);
  ASSERT_EQ(ownavi::AVIStreamSetFormat(refused, 0, format.data(), static_cast<LONG>(format.size())),
            AVIERR_OK);
  std::vector<uint8_t> frame = Pixels(10, 6, 24, 0);
  for (LONG i = 0; i < 2; ++i)
    EXPECT_EQ(ownavi::AVIStreamWrite(refused, i, 1, frame.data(), static_cast<LONG>(frame.size()),
                                     AVIIF_KEYFRAME, nullptr, nullptr),
              AVIERR_FILEWRITE)
        << i;
  ownavi::AVIStreamRelease(refused);
  ownavi::AVIFileRelease(bad);
  EXPECT_EQ(ownavi::AVIFileTakeCloseResult(), AVIERR_FILEWRITE);
  bad = nullptr;
  PAVISTREAM none = nullptr;
  EXPECT_NE(ownavi::AVIStreamOpenFromFileW(&none, (TempFolder() + L"missing.avi").c_str(),
                                           streamtypeVIDEO, 0, OF_READ, nullptr),
            AVIERR_OK);
  EXPECT_EQ(none, nullptr);
}

TEST(OwnAviEditTest, FramesFromGlobalMemoryPastedEditedAndSaved) {
  // One packed DIB in movable global memory per frame, as a bitmap on the clipboard would be.
  PAVISTREAM edit = nullptr;
  ASSERT_EQ(ownavi::CreateEditableStream(&edit, nullptr), AVIERR_OK);
  std::vector<uint8_t> format = Format(6, 4, 24);
  for (LONG i = 0; i < 4; ++i) {
    std::vector<uint8_t> pixels = Pixels(6, 4, 24, static_cast<int>(i));
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, format.size() + pixels.size());
    auto* p = static_cast<uint8_t*>(GlobalLock(global));
    memcpy(p, format.data(), format.size());
    memcpy(p + format.size(), pixels.data(), pixels.size());
    GlobalUnlock(global);
    PAVISTREAM frame = nullptr;
    ASSERT_EQ(ownavi::AVIMakeStreamFromClipboard(CF_DIB, global, &frame), AVIERR_OK);
    GlobalFree(global);
    LONG pos = i, length = 1;
    ASSERT_EQ(ownavi::EditStreamPaste(edit, &pos, &length, frame, 0, -1), AVIERR_OK);
    EXPECT_EQ(length, 1);
    ownavi::AVIStreamRelease(frame);
  }
  PAVISTREAM none = nullptr;
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 8);
  EXPECT_EQ(ownavi::AVIMakeStreamFromClipboard(CF_TEXT, text, &none), AVIERR_UNSUPPORTED);
  GlobalFree(text);

  AVISTREAMINFOW info{};
  info.fccType = streamtypeVIDEO;
  info.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  info.dwScale = 1;
  info.dwRate = 5;
  info.dwLength = 4;
  info.dwQuality = static_cast<DWORD>(-1);
  info.rcFrame = {0, 0, 6, 4};
  wcscpy(info.szName, L"QUILVA VIDEO IMAGE");
  ASSERT_EQ(ownavi::EditStreamSetInfoW(edit, &info, sizeof info), AVIERR_OK);
  EXPECT_EQ(ownavi::EditStreamSetInfoW(edit, &info, 12), AVIERR_BADSIZE);

  // Copy and cut hand out streams of their own: releasing them leaves the source whole.
  PAVISTREAM copied = nullptr, cut = nullptr, clone = nullptr;
  LONG start = 1, length = 2;
  ASSERT_EQ(ownavi::EditStreamCopy(edit, &start, &length, &copied), AVIERR_OK);
  EXPECT_EQ(ownavi::AVIStreamLength(copied), 2);
  ASSERT_EQ(ownavi::EditStreamClone(edit, &clone), AVIERR_OK);
  start = 0;
  length = 1;
  ASSERT_EQ(ownavi::EditStreamCut(clone, &start, &length, &cut), AVIERR_OK);
  EXPECT_EQ(ownavi::AVIStreamLength(clone), 3);
  EXPECT_EQ(ownavi::AVIStreamLength(edit), 4);
  EXPECT_EQ(ownavi::AVIStreamRelease(copied), 0u);
  EXPECT_EQ(ownavi::AVIStreamRelease(cut), 0u);
  EXPECT_EQ(ownavi::AVIStreamRelease(clone), 0u);

  std::wstring path = TempFolder() + L"edited.avi";
  ASSERT_EQ(ownavi::AVISaveVW(path.c_str(), nullptr, nullptr, 1, &edit, nullptr), AVIERR_OK);
  ownavi::AVIStreamRelease(edit);
  PlatformView platform = ReadWithPlatform(path);
  EXPECT_EQ(platform.videoName, "QUILVA VIDEO IMAGE");
  ASSERT_EQ(platform.videoLength, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(platform.frames[i], Pixels(6, 4, 24, i));
  CheckWithMciWnd(path, 4);
}

TEST(OwnAviComTest, InterfacesCountsAndStreamsThatAreNotOurs) {
  PAVISTREAM ours = ownavi::WrapStream(MadeVideo(4, 2, 24, 2));
  IUnknown* unknown = nullptr;
  ASSERT_EQ(ours->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(ours));
  IAVIStream* again = nullptr;
  ASSERT_EQ(ours->QueryInterface(kIidAviStream, reinterpret_cast<void**>(&again)), S_OK);
  void* file = reinterpret_cast<void*>(1);
  EXPECT_EQ(ours->QueryInterface(kIidAviFile, &file), E_NOINTERFACE);
  EXPECT_EQ(file, nullptr);
  EXPECT_EQ(ownavi::AVIStreamAddRef(ours), 4u);
  EXPECT_EQ(ownavi::AVIStreamRelease(ours), 3u);
  unknown->Release();
  again->Release();
  // The platform's info call goes through our IAVIStream::Info.
  AVISTREAMINFOW info{};
  ASSERT_EQ(::AVIStreamInfoW(ours, &info, sizeof info), 0);
  EXPECT_EQ(info.dwLength, 2u);
  EXPECT_EQ(info.rcFrame.right, 4);

  // A stream of the platform's own is refused, not misread.
  std::wstring path = TempFolder() + L"platform_stream.avi";
  ASSERT_EQ(AviSave(Narrow(path), {MadeVideo(4, 2, 24, 2)}, nullptr), AVIERR_OK);
  ::AVIFileInit();
  PAVISTREAM theirs = nullptr;
  ASSERT_EQ(::AVIStreamOpenFromFileW(&theirs, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
            0);
  EXPECT_EQ(ownavi::StreamCore(theirs), nullptr);
  EXPECT_EQ(ownavi::AVIStreamGetFrameOpen(theirs, nullptr), nullptr);
  EXPECT_EQ(ownavi::AVISaveVW(path.c_str(), nullptr, nullptr, 1, &theirs, nullptr),
            AVIERR_BADHANDLE);
  PAVISTREAM edit = nullptr;
  EXPECT_EQ(ownavi::CreateEditableStream(&edit, theirs), AVIERR_BADHANDLE);
  EXPECT_EQ(edit, nullptr);
  ::AVIStreamRelease(theirs);
  ::AVIFileExit();
  EXPECT_EQ(ownavi::AVIStreamRelease(ours), 0u);
}
