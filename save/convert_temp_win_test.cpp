// ConvertTempToAvi under Wine: the uncompressed way end to end, the temp-file
// questions, and the folder rule; the AVIs are read back with the platform's
// AVI reader.
#include "save/convert_temp_win.h"

#include <windows.h>
#include <vfw.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/temp_file.h"
#include "common/text_win.h"
#include "testing/dialog_driver_win.h"

namespace {
constexpr int kWidth = 8, kHeight = 4;
constexpr uint32_t kStride = 24;  // 8 pixels × 3 bytes, already a multiple of 4

std::vector<uint8_t> Picture(uint8_t shade) {
  std::vector<uint8_t> p(kStride * kHeight);
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(shade * 31 + i * 7);
  return p;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Leaves a movie and its expected frames (top row first, as ffmpeg gives
// them) where convert_temp_ffmpeg.sh looks after this test.
void KeepForFfmpeg(const std::wstring& movie, const std::vector<std::vector<uint8_t>>& frames) {
  std::string dir = CONVERT_OUTPUT_DIR;
  if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
  for (char& c : dir)
    if (c == '/') c = '\\';
  const std::wstring out = Widen(dir);
  CreateDirectoryW(out.c_str(), nullptr);
  EXPECT_TRUE(CopyFileW(movie.c_str(), (out + L"\\compressed.avi").c_str(), FALSE));
  FILE* f = _wfopen((out + L"\\compressed.bgr").c_str(), L"wb");
  ASSERT_TRUE(f);
  for (const auto& frame : frames)
    for (int row = kHeight - 1; row >= 0; --row)
      fwrite(frame.data() + row * kStride, 1, kWidth * 3, f);
  fclose(f);
}

// A folder of its own per test, under the system's temp folder (ASCII, as the
// platform's AVI reader needs).
class ConvertTempTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    folder_ = std::wstring(base) + L"convert_" +
              Widen(testing::UnitTest::GetInstance()->current_test_info()->name());
    CreateDirectoryW(folder_.c_str(), nullptr);
    GetCurrentDirectoryW(MAX_PATH, previous_);
    AVIFileInit();
  }
  void TearDown() override {
    AVIFileExit();
    SetCurrentDirectoryW(previous_);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
      while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(folder_.c_str());
  }

  // Records 0, 0 and 3 with a frame count of 4, flag-XOR coded.
  std::wstring WriteTemp(const wchar_t* name) {
    std::wstring path = folder_ + L"\\" + name;
    TempFileHeader header;
    header.width = kWidth;
    header.height = kHeight;
    header.scale = 1;
    header.rate = 12;
    std::vector<uint8_t> a = Picture(1), b = Picture(2), c = Picture(3), zero(kStride * kHeight);
    EXPECT_TRUE(CreateTempCaptureFile(Narrow(path), header, nullptr, nullptr, zero.data()));
    EXPECT_TRUE(AppendRecord(0, nullptr, nullptr, a.data(), zero.data()));
    EXPECT_TRUE(AppendRecord(0, nullptr, nullptr, b.data(), a.data()));
    EXPECT_TRUE(AppendRecord(3, nullptr, nullptr, c.data(), b.data()));
    EXPECT_TRUE(CloseTempCaptureFile());
    return path;
  }

  std::wstring WriteWav(const wchar_t* name, uint32_t samples) {
    std::wstring path = folder_ + L"\\" + name;
    FILE* f = _wfopen(path.c_str(), L"wb");
    auto u32 = [&](uint32_t v) { fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { fwrite(&v, 2, 1, f); };
    fwrite("RIFF", 1, 4, f), u32(36 + samples), fwrite("WAVEfmt ", 1, 8, f), u32(16);
    u16(1), u16(1), u32(11025), u32(11025), u16(1), u16(8);
    fwrite("data", 1, 4, f), u32(samples);
    for (uint32_t i = 0; i < samples; ++i) fputc(static_cast<int>(i & 0xFF), f);
    fclose(f);
    return path;
  }

  // The single AVI the conversion wrote into `where`.
  std::wstring FindAvi(const std::wstring& where) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((where + L"\\*.AVI").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return L"";
    FindClose(find);
    return where + L"\\" + found.cFileName;
  }

  // Frames and sound of an AVI as the platform's reader sees them.
  struct Movie {
    std::vector<std::vector<uint8_t>> frames;
    LONG soundBytes = -1;
  };
  Movie Read(const std::wstring& path) {
    Movie movie;
    PAVIFILE file = nullptr;
    if (AVIFileOpenW(&file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr) != 0) return movie;
    PAVISTREAM video = nullptr, sound = nullptr;
    if (AVIFileGetStream(file, &video, streamtypeVIDEO, 0) == 0) {
      PGETFRAME frames = AVIStreamGetFrameOpen(video, nullptr);
      for (LONG i = 0; frames && i < AVIStreamLength(video); ++i) {
        auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, i));
        if (!dib) break;
        const uint8_t* bits = reinterpret_cast<const uint8_t*>(dib) + dib->biSize;
        movie.frames.emplace_back(bits, bits + kStride * kHeight);
      }
      if (frames) AVIStreamGetFrameClose(frames);
      AVIStreamRelease(video);
    }
    if (AVIFileGetStream(file, &sound, streamtypeAUDIO, 0) == 0) {
      LONG bytes = 0;
      AVIStreamRead(sound, 0, AVIStreamLength(sound), nullptr, 0, &bytes, nullptr);
      movie.soundBytes = bytes;
      AVIStreamRelease(sound);
    }
    AVIFileRelease(file);
    return movie;
  }

  std::wstring folder_;
  wchar_t previous_[MAX_PATH] = {};
};
}  // namespace

TEST_F(ConvertTempTest, UncompressedRepeatsEachPictureToItsFrameNumberAndDeletesTheTempFile) {
  const std::wstring temp = WriteTemp(L"1208093000.tmp");
  std::wstring folder = folder_;
  DialogScript nothing;
  nothing.Ignore(104);  // the progress window
  DialogDriver driver(nothing);
  EXPECT_TRUE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, true, false));
  EXPECT_TRUE(driver.Finish().empty());
  EXPECT_FALSE(Exists(temp)) << "a successful conversion deletes its temp file";
  Movie movie = Read(FindAvi(folder_));
  ASSERT_EQ(movie.frames.size(), 4u);
  EXPECT_EQ(movie.frames[0], Picture(1)) << "the second record (also frame 0) is never written";
  for (int i = 1; i < 4; ++i) EXPECT_EQ(movie.frames[i], Picture(3)) << i;
  EXPECT_EQ(movie.soundBytes, -1);
}

TEST_F(ConvertTempTest, UncompressedTakesTheSoundAndDeletesBothTempFiles) {
  const std::wstring temp = WriteTemp(L"1208093001.tmp");
  const std::wstring wav = WriteWav(L"1208093001.wav", 1001);
  std::wstring folder = folder_;
  EXPECT_TRUE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, wav, &folder, false, false));
  Movie movie = Read(FindAvi(folder_));
  EXPECT_EQ(movie.frames.size(), 4u);
  EXPECT_EQ(movie.soundBytes, 1001);
  EXPECT_FALSE(Exists(temp));
  EXPECT_FALSE(Exists(wav));
}

// What the movie lacks is said once, and what still holds it stays.
TEST_F(ConvertTempTest, ACutShortFileAndARefusedWavAreSaidAndKept) {
  const std::wstring temp = WriteTemp(L"1208093002.tmp");
  {
    // The count says 40: the file holds records up to frame 3.
    FILE* f = _wfopen(temp.c_str(), L"r+b");
    ASSERT_TRUE(f);
    const uint8_t forty[4] = {40, 0, 0, 0};
    fseek(f, 24, SEEK_SET);
    fwrite(forty, 1, 4, f);
    fclose(f);
  }
  const std::wstring wav = folder_ + L"\\1208093002.wav";
  FILE* f = _wfopen(wav.c_str(), L"wb");
  fwrite("RIFF\x04\0\0\0WAVE", 1, 12, f);  // no "fmt " at all
  fclose(f);
  std::wstring folder = folder_;
  DialogScript script;
  script.Ignore(104)
      .Message("あら？", Narrow(wav) + " はfmt ファイルではありませんでした")
      .Message("あら？",
               "一時ファイルが途中で切れていましたわ。\n40 フレームのうち 4 "
               "フレームまでを保存いたしました。\n一時ファイルは残しておきますね。");
  DialogDriver driver(script);
  EXPECT_TRUE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, wav, &folder, true, false));
  driver.Finish();
  EXPECT_TRUE(Exists(temp)) << "cut short: kept";
  EXPECT_TRUE(Exists(wav)) << "its sound is not in the movie: kept";
  Movie movie = Read(FindAvi(folder_));
  EXPECT_EQ(movie.frames.size(), 4u);
  EXPECT_EQ(movie.soundBytes, -1);
}

TEST_F(ConvertTempTest, AForeignFileIsRefusedOnceAndKeptInTheUncompressedWay) {
  const std::wstring temp = folder_ + L"\\not_a_temp.tmp";
  FILE* f = _wfopen(temp.c_str(), L"wb");
  fputs("RIFF this is something else entirely", f);
  fclose(f);
  std::wstring folder = folder_;
  DialogScript script;
  script.Message("あら？", "知らない形式のファイルです。");
  DialogDriver driver(script);
  EXPECT_FALSE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, false, false));
  driver.Finish();
  EXPECT_TRUE(Exists(temp)) << "the only copy of a recording is never deleted unasked";
  EXPECT_EQ(FindAvi(folder_), L"");
}

TEST_F(ConvertTempTest, AForeignFileInTheCompressedWayOffersTheRetryAndTheDeletion) {
  const std::wstring temp = folder_ + L"\\not_a_temp.tmp";
  FILE* f = _wfopen(temp.c_str(), L"wb");
  fputs("RIFF", f);
  fclose(f);
  std::wstring folder = folder_;
  DialogScript script;
  script.Message("あら？", "知らない形式のファイルです。")
      .Message("こうなったら", "完全未圧縮，動画のみの保存となりますが，よろしいですか？",
               MessageAnswer::Yes)
      .Message("あら？", "知らない形式のファイルです。")
      .Message("エラーです", "またしても失敗です")
      .Message("ところで", "一時ファイルは削除なさいますか？", MessageAnswer::No);
  {
    DialogDriver driver(script);
    EXPECT_FALSE(
        ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, false, true));
    driver.Finish();
  }
  EXPECT_TRUE(Exists(temp));

  DialogScript deleting;
  deleting.Message("あら？", "知らない形式のファイルです。")
      .Message("こうなったら", "完全未圧縮，動画のみの保存となりますが，よろしいですか？",
               MessageAnswer::No)
      .Message("ところで", "一時ファイルは削除なさいますか？", MessageAnswer::Yes);
  DialogDriver driver(deleting);
  EXPECT_FALSE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, false, true));
  driver.Finish();
  EXPECT_FALSE(Exists(temp));
}

TEST_F(ConvertTempTest, AFolderThatIsGoneGivesWayToTheCurrentDirectory) {
  const std::wstring temp = WriteTemp(L"1208093002.tmp");
  SetCurrentDirectoryW(folder_.c_str());
  std::wstring folder = folder_ + L"\\gone";
  EXPECT_TRUE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, false, false));
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(folder, current) << "the folder buffer now names the current directory";
  EXPECT_EQ(Read(FindAvi(folder_)).frames.size(), 4u);
}

namespace {
constexpr char kSaveCaption[] = "保存設定を行ってください";
}  // namespace

TEST_F(ConvertTempTest, CompressedWaySavesWhatTheDialogConfirmsWithItsSound) {
  const std::wstring temp = WriteTemp(L"1208093003.tmp");
  const std::wstring wav = WriteWav(L"1208093003.wav", 999);
  const std::string chosen = Narrow(folder_) + "\\chosen.mpg";  // saved as chosen.AVI
  std::wstring folder = folder_;
  DialogScript script;
  script.Ignore(104).Dialog(102, [&](DialogHandle& d) {
    EXPECT_EQ(d.Caption(), kSaveCaption);
    EXPECT_TRUE(d.Enabled(1036)) << "there is a sound stream";
    d.SetText(1033, chosen);
    d.Click(1037);
  });
  DialogDriver driver(script);
  EXPECT_TRUE(ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, wav, &folder, true, true));
  EXPECT_TRUE(driver.Finish().empty());
  EXPECT_FALSE(Exists(temp));
  EXPECT_FALSE(Exists(wav));
  Movie movie = Read(folder_ + L"\\chosen.AVI");
  ASSERT_EQ(movie.frames.size(), 4u);
  EXPECT_EQ(movie.frames[0], Picture(1));
  EXPECT_EQ(movie.frames[3], Picture(3));
  EXPECT_EQ(movie.soundBytes, 999);
  KeepForFfmpeg(folder_ + L"\\chosen.AVI", {Picture(1), Picture(3), Picture(3), Picture(3)});
}

TEST_F(ConvertTempTest, CompressedWayCancelledKeepsOrDeletesTheTempFilesAsAnswered) {
  const std::wstring temp = WriteTemp(L"1208093004.tmp");
  std::wstring folder = folder_;
  DialogScript keep;
  keep.Dialog(102,
              [](DialogHandle& d) {
                EXPECT_FALSE(d.Enabled(1036)) << "no sound stream";
                d.Click(1038);
              })
      .Message("念のため", "保存を中止しますがよろしいですか？\nよろしいですか？",
               MessageAnswer::Yes)
      .Message("ところで", "一時ファイルは削除なさいますか？", MessageAnswer::No);
  {
    DialogDriver driver(keep);
    EXPECT_TRUE(
        ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, false, true))
        << "a cancelled save is no failure";
    driver.Finish();
  }
  EXPECT_TRUE(Exists(temp));
  EXPECT_EQ(FindAvi(folder_), L"") << "nothing is saved";

  DialogScript remove;
  remove.Dialog(102, [](DialogHandle& d) { d.Click(1038); })
      .Message("念のため", "保存を中止しますがよろしいですか？\nよろしいですか？",
               MessageAnswer::Yes)
      .Message("ところで", "一時ファイルは削除なさいますか？", MessageAnswer::Yes);
  DialogDriver driver(remove);
  EXPECT_TRUE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, false, true));
  driver.Finish();
  EXPECT_FALSE(Exists(temp));
}

TEST_F(ConvertTempTest, CompressedWayRefusesAnEmptyNameUntilOneIsGiven) {
  const std::wstring temp = WriteTemp(L"1208093005.tmp");
  std::wstring folder = folder_;
  const std::string named = Narrow(folder_) + "\\named";
  DialogScript script;
  script
      .Dialog(102,
              [&](DialogHandle& d) {
                d.SetText(1033, "");
                d.Click(1037);
                d.SetText(1033, named);
                d.Click(1037);
              })
      .Message("こまりましたわ",
               "ファイルの名前が設定されていませんわ。\nちゃんとファイル名を設定してください。");
  DialogDriver driver(script);
  EXPECT_TRUE(
      ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, false, true));
  driver.Finish();
  EXPECT_EQ(Read(folder_ + L"\\named.AVI").frames.size(), 4u);
}

TEST_F(ConvertTempTest, CompressedWayKeepsALongRecordingOutOfMemory) {
  // Ten seconds of 1024 x 768 at 12 frames per second, every frame different:
  // 283 MB of frames, far more than the AVI services keep in memory.
  constexpr int w = 1024, h = 768, frames = 120;
  const size_t stride = 1024 * 3, bytes = stride * h;
  const std::wstring temp = folder_ + L"\\1208093006.tmp";
  {
    TempFileHeader header;
    header.width = w;
    header.height = h;
    std::vector<uint8_t> previous(bytes, 0x40), current;
    ASSERT_TRUE(CreateTempCaptureFile(Narrow(temp), header, nullptr, nullptr, previous.data()));
    for (int f = 0; f < frames; ++f) {
      current = previous;
      std::memset(current.data() + (f % h) * stride, f, stride);  // one new row a frame
      ASSERT_TRUE(AppendRecord(f, nullptr, nullptr, current.data(), previous.data()));
      previous.swap(current);
    }
    ASSERT_TRUE(CloseTempCaptureFile());
  }
  PROCESS_MEMORY_COUNTERS before{sizeof before};
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  std::wstring folder = folder_;
  const std::string output = Narrow(folder_) + "\\long.AVI";
  DialogScript script;
  script.Ignore(104)
      .Dialog(102,
              [&](DialogHandle& d) {
                d.SetText(1033, output);
                d.Click(1037);
              })
      .Within(std::chrono::seconds(120));
  DialogDriver driver(script);
  EXPECT_TRUE(ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, temp, L"", &folder, true, true));
  driver.Finish();
  PROCESS_MEMORY_COUNTERS after{sizeof after};
  GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
  const double grownMb =
      (double(after.PeakWorkingSetSize) - double(before.PeakWorkingSetSize)) / 1048576;
  EXPECT_GT(after.PeakWorkingSetSize, 0u) << "the measure itself works";
  EXPECT_LT(grownMb, 160.0) << "the frames went to a scratch file, not into memory";
  std::printf("peak working set grew by %.1f MB (from %.1f MB)\n", grownMb,
              before.PeakWorkingSetSize / 1048576.0);
  WIN32_FILE_ATTRIBUTE_DATA info{};
  ASSERT_TRUE(GetFileAttributesExW(Widen(output).c_str(), GetFileExInfoStandard, &info));
  EXPECT_GT(info.nFileSizeLow + (uint64_t(info.nFileSizeHigh) << 32), uint64_t(frames) * bytes);
  DeleteFileW(Widen(output).c_str());
}
