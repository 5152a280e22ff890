// The synthesis commands driven as a user would, their movies read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/text_win.h"
#include "editor/synthesis/bmp_test_support.h"
#include "editor/synthesis/synthesis_resource.h"
#include "editor/synthesis/synthesis_win.h"
#include "platform/avi/avi_reader.h"
#include "testing/dialog_driver_win.h"

namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
constexpr char kDone[] = "よかったです: 無事終了いたしましたわ。";

struct Movie {
  bool read = false;
  AviStreamInfo info;
  std::vector<uint8_t> format;
  std::vector<BmpBytes> frames;
};

Movie ReadMovie(const fs::path& path) {
  Movie movie;
  AviReader reader;
  if (AviReaderOpenFile(reader, Narrow(path.wstring())) != 0 || reader.streams.size() != 1)
    return movie;
  const AviReaderStream& stream = reader.streams[0];
  movie.info = stream.info;
  movie.format = stream.format;
  for (const AviChunkRef& chunk : stream.table.chunks) {
    BmpBytes frame(chunk.size);
    if (!reader.source->ReadAt(chunk.offset, frame.data(), frame.size())) return movie;
    movie.frames.push_back(std::move(frame));
  }
  movie.read = true;
  return movie;
}

// The pixel rows of a bitmap made by MakeBmp with a 40-byte header and no table.
BmpBytes PixelsOf(const BmpBytes& bmp) {
  return BmpBytes(bmp.begin() + 54, bmp.end());
}

// Leaves a movie and its expected frames (top row first, no padding, as
// ffmpeg's bgr24 gives them) for synthesis_ffmpeg.sh.
void KeepForFfmpeg(const fs::path& movie, const std::string& name, int width, int height,
                   const std::vector<BmpBytes>& frames) {
  std::string dir = SYNTHESIS_OUTPUT_DIR;
  if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
  const fs::path out = fs::path(Widen(dir));
  fs::create_directories(out);
  fs::copy_file(movie, out / Widen(name + ".avi"), fs::copy_options::overwrite_existing);
  const size_t stride = (width * 3 + 3) & ~3;
  BmpBytes expected;
  for (const BmpBytes& f : frames)
    for (int top = 0; top < height; ++top) {
      const uint8_t* row = f.data() + stride * (height - 1 - top);
      expected.insert(expected.end(), row, row + 3 * width);
    }
  UniqueFile file = FileOpen(Narrow((out / Widen(name + ".bgr")).wstring()), "wb");
  ASSERT_TRUE(file && FileWriteAll(file.get(), expected.data(), expected.size()));
}

class SynthesisTest : public testing::Test {
 protected:
  void SetUp() override {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / Widen(std::string("synthesis_") + test->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    main = CreateWindowExW(0, L"STATIC", L"ピコラプレイヤー", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(main);
    // The file dialogs and the cross-fade make the pictures' folder current.
    std::error_code ignored;
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::remove_all(dir, ignored);
  }
  std::string Path(const std::string& name) const { return Narrow((dir / Widen(name)).wstring()); }
  BmpBytes Write(const std::string& name, const BmpBytes& bytes) const {
    UniqueFile file = FileOpen(Path(name), "wb");
    EXPECT_TRUE(file && FileWriteAll(file.get(), bytes.data(), bytes.size())) << name;
    return bytes;
  }
  std::string Title() const {
    wchar_t text[256] = L"";
    GetWindowTextW(main, text, 256);
    return Narrow(text);
  }
  fs::path dir;
  HWND main = nullptr;
};

BmpFields Picture(int width, int height, uint8_t shift, uint16_t bits = 24) {
  BmpFields f;
  f.width = width;
  f.height = height;
  f.shift = shift;
  f.bits = bits;
  if (bits == 8) f.tableBytes = 1024;
  return f;
}
}  // namespace

TEST_F(SynthesisTest, TenPicturesInFiveSecondsMakeTenFramesAtTwoASecond) {
  std::vector<BmpBytes> pictures;
  for (int k = 0; k < 10; ++k)
    pictures.push_back(Write("pic" + std::to_string(k) + ".bmp", MakeBmp(Picture(4, 3, k * 20))));
  DialogScript script;
  script
      .Dialog(IDD_BITMAPS_TO_MOVIE,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "ビットマップからAVIファイルの作成");
                EXPECT_EQ(d.Text(IDC_MOVIE_SECONDS), "0");
                EXPECT_EQ(d.Text(IDC_BITMAP_COUNT), "0");
                EXPECT_EQ(d.Text(IDC_BROWSE_FIRST_BITMAP), "参照");
                EXPECT_EQ(d.Text(IDC_BITMAPS_CONFIRM), "これでばっちりですわ");
                EXPECT_EQ(d.Text(IDC_BITMAPS_CANCEL), "やはりえんりょいたしますわ");
                d.Click(IDC_BROWSE_FIRST_BITMAP);
                EXPECT_EQ(d.Text(IDC_FIRST_BITMAP), Path("pic0.bmp"));
                EXPECT_EQ(d.Text(IDC_BITMAP_COUNT), "10");
                d.SetText(IDC_MOVIE_SECONDS, "5");
                d.Click(IDC_BITMAPS_CONFIRM);
              })
      .System(DriverDialogKind::FileDialog,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "先頭のビットマップファイルを設定");
                d.EnterFileName(Path("pic0.bmp"));
              })
      .ChooseCompressor(0)
      .Message("よかったです", "無事終了いたしましたわ。");
  DialogDriver driver(script);
  EXPECT_EQ(RunBitmapsToMovieDialog(main), 1);
  driver.Finish();

  const Movie movie = ReadMovie(dir / L"RESULT.AVI");
  ASSERT_TRUE(movie.read);
  EXPECT_EQ(movie.info.dwScale, 5u);
  EXPECT_EQ(movie.info.dwRate, 10u);
  EXPECT_EQ(movie.info.dwLength, 10u);
  EXPECT_EQ(StreamInfoName(movie.info), "GLIMSA:VIDEO");
  ASSERT_EQ(movie.frames.size(), 10u);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(movie.frames[k], PixelsOf(pictures[k])) << "frame " << k;
  KeepForFfmpeg(dir / L"RESULT.AVI", "sequence", 4, 3, movie.frames);
}

TEST_F(SynthesisTest, PicturesOfOtherSizesAreWrittenInTheFirstOnesFormat) {
  const BmpBytes first = Write("shot0.bmp", MakeBmp(Picture(4, 3, 0)));      // 36 pixel bytes
  const BmpBytes smaller = Write("shot1.bmp", MakeBmp(Picture(2, 2, 100)));  // 16
  const BmpBytes larger = Write("shot2.bmp", MakeBmp(Picture(8, 4, 200)));   // 96
  DialogScript script;
  script.ChooseCompressor(0).Message("よかったです", "無事終了いたしましたわ。");
  DialogDriver driver(script);
  EXPECT_TRUE(BitmapsToMovie(Widen(Path("shot0.bmp")), 3, 3, nullptr));
  driver.Finish();
  const Movie movie = ReadMovie(dir / L"RESULT.AVI");
  ASSERT_TRUE(movie.read);
  ASSERT_EQ(movie.format.size(), 40u);
  EXPECT_EQ(GetU32(movie.format.data() + 4), 4u);
  EXPECT_EQ(GetU32(movie.format.data() + 8), 3u);
  ASSERT_EQ(movie.frames.size(), 3u);
  BmpBytes shortOne = PixelsOf(smaller);
  shortOne.resize(36, 0);  // what the file lacks is black, not the last picture
  EXPECT_EQ(movie.frames[0], PixelsOf(first));
  EXPECT_EQ(movie.frames[1], shortOne);
  EXPECT_EQ(movie.frames[2], BmpBytes(larger.begin() + 54, larger.begin() + 54 + 36));
}

TEST_F(SynthesisTest, TopDownAndEightBitSequencesKeepTheirLook) {
  BmpFields topDown = Picture(3, 2, 0);
  topDown.height = -2;
  const BmpBytes a = Write("td0.bmp", MakeBmp(topDown));
  const BmpBytes b = Write("p8_0.bmp", MakeBmp(Picture(5, 2, 9, 8)));
  DialogScript script;
  script.ChooseCompressor(0).Message("よかったです", "無事終了いたしましたわ。");
  script.ChooseCompressor(0).Message("よかったです", "無事終了いたしましたわ。");
  DialogDriver driver(script);
  EXPECT_TRUE(BitmapsToMovie(Widen(Path("td0.bmp")), 1, 1, nullptr));
  Movie movie = ReadMovie(dir / L"RESULT.AVI");
  ASSERT_TRUE(movie.read);
  EXPECT_EQ(GetU32(movie.format.data() + 8), 2u) << "stored bottom-up";
  ASSERT_EQ(movie.frames.size(), 1u);
  BmpBytes flipped(a.begin() + 54 + 12, a.end());
  flipped.insert(flipped.end(), a.begin() + 54, a.begin() + 54 + 12);
  EXPECT_EQ(movie.frames[0], flipped);

  EXPECT_TRUE(BitmapsToMovie(Widen(Path("p8_0.bmp")), 1, 1, nullptr));
  movie = ReadMovie(dir / L"RESULT.AVI");
  ASSERT_TRUE(movie.read);
  ASSERT_EQ(movie.format.size(), 40u + 1024u) << "the palette travels with the format";
  EXPECT_EQ(BmpBytes(movie.format.begin() + 40, movie.format.end()),
            BmpBytes(b.begin() + 54, b.begin() + 54 + 1024));
  driver.Finish();
}

TEST_F(SynthesisTest, ADamagedFirstPictureIsRefusedWithItsReasonAndNothingIsWritten) {
  BmpFields ok = Picture(4, 3, 0);
  auto with = [&](auto change) {
    BmpFields f = ok;
    change(f);
    return MakeBmp(f);
  };
  BmpBytes cut = MakeBmp(ok);
  cut.resize(60);
  struct Case {
    const char* reason;
    BmpBytes bytes;
  } cases[] = {
      {"ビットマップファイルが途中で切れているみたいですわ。", cut},
      {"ビットマップのヘッダが変ですわ。", with([](BmpFields& f) { f.headerSize = 9000; })},
      {"ビットマップの幅か高さが変ですわ。", with([](BmpFields& f) {
         f.width = 0;
         f.pixelBytes = 8;
       })},
      {"ビットマップのカラーテーブルがファイルより大きいですわ。", with([](BmpFields& f) {
         f.bits = 8;
         f.coloursUsed = 100000;
         f.tableBytes = 8;
       })},
      {"圧縮されたビットマップは扱えませんの。", with([](BmpFields& f) {
         f.bits = 8;
         f.compression = 1;
         f.tableBytes = 1024;
         f.pixelBytes = 6;
       })},
  };
  for (const Case& c : cases) {
    Write("bad0.bmp", c.bytes);
    DialogScript script;
    script.AnyMessage();
    DialogDriver driver(script);
    EXPECT_FALSE(BitmapsToMovie(Widen(Path("bad0.bmp")), 2, 1, nullptr)) << c.reason;
    EXPECT_EQ(MessageLines(driver.Finish()),
              Lines{"たいへんですわ: " + Path("bad0.bmp") + "\n" + c.reason});
    EXPECT_FALSE(fs::exists(dir / L"RESULT.AVI")) << c.reason;
  }
}

TEST_F(SynthesisTest, APictureGoneDuringTheRunIsToldAndTheFramesSoFarStayPlayable) {
  const BmpBytes first = Write("pic0.bmp", MakeBmp(Picture(4, 3, 0)));
  const BmpBytes second = Write("pic1.bmp", MakeBmp(Picture(4, 3, 50)));
  DialogScript script;
  script.ChooseCompressor(0).AnyMessage();
  DialogDriver driver(script);
  EXPECT_FALSE(BitmapsToMovie(Widen(Path("pic0.bmp")), 3, 3, nullptr));  // pic2 is missing
  EXPECT_EQ(MessageLines(driver.Finish()),
            Lines{"たいへん！: なぜかなぜだかファイルを開くのに失敗してしまいました"});
  const Movie movie = ReadMovie(dir / L"RESULT.AVI");
  ASSERT_TRUE(movie.read);
  ASSERT_EQ(movie.frames.size(), 2u);
  EXPECT_EQ(movie.frames[1], PixelsOf(second));
}

TEST_F(SynthesisTest, APictureSixtyThousandPixelsWideBecomesAMovie) {
  const BmpBytes wide = Write("wide0.bmp", MakeBmp(Picture(60000, 2, 7)));
  DialogScript script;
  script.ChooseCompressor(0).Message("よかったです", "無事終了いたしましたわ。");
  DialogDriver driver(script);
  EXPECT_TRUE(BitmapsToMovie(Widen(Path("wide0.bmp")), 1, 1, nullptr));
  driver.Finish();
  const Movie movie = ReadMovie(dir / L"RESULT.AVI");
  ASSERT_TRUE(movie.read);
  ASSERT_EQ(movie.frames.size(), 1u);
  EXPECT_EQ(movie.frames[0], PixelsOf(wide));
}

TEST_F(SynthesisTest, TheDialogRefusesAMissingPathAndZeroSecondsAndStaysOpen) {
  Write("pic0.bmp", MakeBmp(Picture(4, 3, 0)));
  DialogScript script;
  script
      .Dialog(IDD_BITMAPS_TO_MOVIE,
              [&](DialogHandle& d) {
                d.SetText(IDC_MOVIE_SECONDS, "5");
                d.Click(IDC_BITMAPS_CONFIRM);
                EXPECT_TRUE(d.IsOpen());
                d.Click(IDC_BROWSE_FIRST_BITMAP);
                d.SetText(IDC_MOVIE_SECONDS, "0");
                d.Click(IDC_BITMAPS_CONFIRM);
                EXPECT_TRUE(d.IsOpen());
                d.Click(IDC_BITMAPS_CANCEL);
              })
      .Message("たいへんですわ", "指定されたファイルが変です！")
      .OpenFile(Path("pic0.bmp"))
      .Message("いけませんわ", "動画の長さの設定が変ですわ。");
  DialogDriver driver(script);
  EXPECT_EQ(RunBitmapsToMovieDialog(main), 0);
  driver.Finish();
  EXPECT_FALSE(fs::exists(dir / L"RESULT.AVI"));
}

TEST_F(SynthesisTest, CountsStopAtAGapOrWithoutAZeroInTheName) {
  for (const char* name : {"pic0.bmp", "pic1.bmp", "pic3.bmp", "picA.bmp"})
    Write(name, MakeBmp(Picture(4, 3, 0)));
  DialogScript script;
  script
      .Dialog(IDD_BITMAPS_TO_MOVIE,
              [&](DialogHandle& d) {
                d.Click(IDC_BROWSE_FIRST_BITMAP);
                EXPECT_EQ(d.Text(IDC_BITMAP_COUNT), "2");
                d.Click(IDC_BROWSE_FIRST_BITMAP);
                EXPECT_EQ(d.Text(IDC_BITMAP_COUNT), "0");
                d.SetText(IDC_MOVIE_SECONDS, "5");
                d.Click(IDC_BITMAPS_CONFIRM);  // no sequence: nothing is built
              })
      .OpenFile(Path("pic0.bmp"))
      .Message("あら", "pic2.bmpがないみたいですわ。\nその前の番号までで作りますわ。")
      .OpenFile(Path("picA.bmp"));
  DialogDriver driver(script);
  EXPECT_EQ(RunBitmapsToMovieDialog(main), 1);
  driver.Finish();
  EXPECT_FALSE(fs::exists(dir / L"RESULT.AVI"));
}

TEST_F(SynthesisTest, FrameCountDialogRefusesTwoAndCancelGivesZero) {
  DialogScript script;
  script
      .Dialog(IDD_FRAME_COUNT,
              [](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "間に作成する枚数の指定");
                EXPECT_EQ(d.Text(IDC_FRAME_COUNT), "3");
                EXPECT_EQ(d.Text(IDC_FRAME_COUNT_OK), "OK");
                EXPECT_EQ(d.Text(IDC_FRAME_COUNT_CANCEL), "CANCEL");
                d.SetText(IDC_FRAME_COUNT, "2");
                d.Command(IDC_FRAME_COUNT_OK);  // Enter in the box: the focus stays there
              })
      .Message("少なすぎます", "フレーム数は3以上です")
      .Dialog(IDD_FRAME_COUNT,
              [](DialogHandle& d) {
                EXPECT_EQ(d.Text(IDC_FRAME_COUNT), "3");
                d.SetText(IDC_FRAME_COUNT, "12");
                d.Click(IDC_FRAME_COUNT_OK);
              })
      // Leaving the box with 1 in it puts 3 back before OK reads it.
      .Dialog(IDD_FRAME_COUNT,
              [](DialogHandle& d) {
                d.SetText(IDC_FRAME_COUNT, "1");
                d.Click(IDC_FRAME_COUNT_OK);
              })
      .Dialog(IDD_FRAME_COUNT, [](DialogHandle& d) { d.Click(IDC_FRAME_COUNT_CANCEL); });
  DialogDriver driver(script);
  EXPECT_EQ(AskFrameCount(main), 12);
  EXPECT_EQ(AskFrameCount(main), 3);
  EXPECT_EQ(AskFrameCount(main), 0);
  EXPECT_EQ(gFrameCountDialog.result, 0);
  driver.Finish();
}

TEST_F(SynthesisTest, CrossFadeOfThreeFramesIsFirstAverageAndSecond) {
  const BmpBytes a = Write("a.bmp", MakeBmp(Picture(5, 3, 0)));
  const BmpBytes b = Write("b.bmp", MakeBmp(Picture(5, 3, 101)));
  DialogScript script;
  script.OpenFile(Path("a.bmp"))
      .OpenFile(Path("b.bmp"))
      .SaveFile(Path("fade.avi"))
      .Dialog(IDD_FRAME_COUNT, [](DialogHandle& d) { d.Click(IDC_FRAME_COUNT_OK); })
      .Message("よかったです",
               "無事終了いたしましたわ。\n圧縮形式やスケール、レート等は\nお手数でしょうが後で変更"
               "してください。");
  DialogDriver driver(script);
  EXPECT_TRUE(CrossFadeBitmaps(main));
  driver.Finish();
  EXPECT_EQ(Title(), "2/3");
  const Movie movie = ReadMovie(dir / L"fade.AVI");
  ASSERT_TRUE(movie.read);
  EXPECT_EQ(movie.info.dwScale, 3u);
  EXPECT_EQ(movie.info.dwRate, 3u);
  ASSERT_EQ(movie.frames.size(), 3u);
  const BmpBytes pa = PixelsOf(a), pb = PixelsOf(b);
  BmpBytes average(pa.size());
  for (size_t i = 0; i < pa.size(); ++i) average[i] = static_cast<uint8_t>((pa[i] + pb[i]) / 2);
  EXPECT_EQ(movie.frames[0], pa);
  EXPECT_EQ(movie.frames[1], average);
  EXPECT_EQ(movie.frames[2], pb);
  KeepForFfmpeg(dir / L"fade.AVI", "fade", 5, 3, movie.frames);
}

TEST_F(SynthesisTest, CrossFadeRefusesWhatItCannotBlend) {
  Write("a.bmp", MakeBmp(Picture(5, 3, 0)));
  Write("c8.bmp", MakeBmp(Picture(5, 3, 0, 8)));
  Write("small.bmp", MakeBmp(Picture(4, 3, 0)));
  BmpBytes cut = MakeBmp(Picture(5, 3, 0));
  cut.resize(70);
  Write("cut.bmp", cut);
  struct Case {
    const char* second;
    std::string message;
  } cases[] = {
      {"c8.bmp", "すみません: 処理できるのは24bitビットマップのみです。"},
      {"small.bmp", "それはこまります: 最初のビットマップとサイズが違います。"},
      {"cut.bmp", "たいへんですわ: " + Path("cut.bmp") +
                      "\nビットマップファイルが途中で切れているみたいですわ。"},
  };
  for (const Case& c : cases) {
    DialogScript script;
    script.OpenFile(Path("a.bmp")).OpenFile(Path(c.second)).AnyMessage();
    DialogDriver driver(script);
    EXPECT_FALSE(CrossFadeBitmaps(main)) << c.second;
    EXPECT_EQ(MessageLines(driver.Finish()), Lines{c.message});
  }
  // An 8-bit first picture is refused before the second is asked for.
  DialogScript script;
  script.OpenFile(Path("c8.bmp")).AnyMessage();
  DialogDriver driver(script);
  EXPECT_FALSE(CrossFadeBitmaps(main));
  EXPECT_EQ(MessageLines(driver.Finish()),
            Lines{"すみません: 処理できるのは24bitビットマップのみです。"});
}

TEST_F(SynthesisTest, BurningAPictureOf100RowsGives100FramesAt12ASecond) {
  const int w = 16, h = 100;
  const BmpBytes bmp = Write("wood.bmp", MakeBmp(Picture(w, h, 60)));
  DialogScript script;
  script.OpenFile(Path("wood.bmp"))
      .SaveFile(Path("burn.avi"))
      .ChooseCompressor(0)
      .Message("火の後始末はきちんとね", "全部燃えたみたいですわ。");
  DialogDriver driver(script);
  EXPECT_TRUE(BurnBitmap(main, L""));
  driver.Finish();
  EXPECT_EQ(Title(), "ボーボー 100/100");
  const Movie movie = ReadMovie(dir / L"burn.avi");
  ASSERT_TRUE(movie.read);
  EXPECT_EQ(movie.info.dwScale, 1u);
  EXPECT_EQ(movie.info.dwRate, 12u);
  ASSERT_EQ(movie.frames.size(), 100u);
  const size_t stride = w * 3;
  const BmpBytes original = PixelsOf(bmp);
  auto row = [&](const BmpBytes& frame, int top) {
    return BmpBytes(frame.begin() + stride * (h - 1 - top), frame.begin() + stride * (h - top));
  };
  const BmpBytes black(stride, 0);
  // First frame: the bottom row burns; the flames have barely risen.
  for (int top = 0; top < 90; ++top)
    EXPECT_EQ(row(movie.frames[0], top), row(original, top)) << "frame 0, row " << top;
  // Halfway: everything below the line has burned black.
  for (int top = 51; top < h; ++top)
    EXPECT_EQ(row(movie.frames[49], top), black) << "frame 49, row " << top;
  // Last frame: the line is at the top row; every row below it is black.
  for (int top = 1; top < h; ++top)
    EXPECT_EQ(row(movie.frames[99], top), black) << "frame 99, row " << top;
  KeepForFfmpeg(dir / L"burn.avi", "burn", w, h, movie.frames);
}

TEST_F(SynthesisTest, BurnRefusesThePlayersFileAndAnUnreadablePicture) {
  Write("wood.bmp", MakeBmp(Picture(8, 4, 0)));
  BmpBytes lying = MakeBmp(Picture(8, 4, 0));
  PutU32(lying.data() + 18, 70000);  // width far past the pixels the file holds
  Write("lying.bmp", lying);
  {
    DialogScript script;
    script.OpenFile(Path("wood.bmp"))
        .SaveFile(Path("playing.avi"))
        .Message("それはいけませんわ", "保存先のファイルと、読み込んでいるファイルがおなじです")
        .CancelFile();
    DialogDriver driver(script);
    EXPECT_FALSE(BurnBitmap(main, Widen(Path("PLAYING.AVI"))));
    driver.Finish();
  }
  DialogScript script;
  script.OpenFile(Path("lying.bmp"))
      .Message("はらはら", "ビットマップファイルが読み込めませんでしたわ。");
  DialogDriver driver(script);
  EXPECT_FALSE(BurnBitmap(main, L""));
  driver.Finish();
}
