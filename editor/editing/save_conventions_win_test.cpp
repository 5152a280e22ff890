// The save conventions under Wine: the same-file rule asks again, the typed
// extension is replaced and the folder becomes current, and a failed save
// offers the uncompressed second try with the caller's texts.
#include "editor/editing/save_conventions_win.h"

#include "editor/pipeline/pipeline_test_movies_win.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "platform/avi/avi_api_win.h"
#include "testing/dialog_driver_win.h"

namespace {

std::wstring CurrentFolder() {
  wchar_t buffer[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, buffer);
  std::wstring folder = buffer;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

TEST(SaveConventions, TheChosenFolderBecomesCurrentAndTheExtensionIsReplaced) {
  const std::wstring folder = Widen(PipelineTestFolder());
  struct Case {
    std::wstring chosen;
    const wchar_t* extension;
    std::wstring named;
  } const cases[] = {
      {folder + L"clip.wav", L".AVI", folder + L"clip.AVI"},
      {folder + L"clip", L".AVI", folder + L"clip.AVI"},
      {folder + L"a.b.avi", L".WAV", folder + L"a.b.WAV"},
  };
  for (const Case& c : cases) {
    SetCurrentDirectoryW(L"C:\\");
    EXPECT_EQ(NameDestination(c.chosen, c.extension), c.named);
    EXPECT_EQ(_wcsicmp(CurrentFolder().c_str(), folder.c_str()), 0) << CurrentFolder();
  }
}

TEST(SaveConventions, ADestinationThatIsBeingReadIsAskedForAgain) {
  const std::string folder = PipelineTestFolder();
  const std::wstring source = Widen(folder + "source.avi");
  ASSERT_TRUE(WriteTestMovie(folder + "source.avi", TestMovie()));
  const std::wstring partner = Widen(folder + "partner.wav");
  struct Case {
    const char* label;
    std::function<void(DialogScript&)> script;
    bool chosen;
    std::wstring path;
  } const cases[] = {
      {"another file", [&](DialogScript& s) { s.SaveFile(folder + "out.avi"); }, true,
       Widen(folder + "out.avi")},
      {"the source in capitals, then another file",
       [&](DialogScript& s) {
         std::string upper = folder + "SOURCE.AVI";
         // The system's overwrite question comes first: the source exists.
         s.SaveFile(upper)
             .AnyMessage(MessageAnswer::Yes)
             .Message(kTitleMustNot, kMessageSameFile)
             .SaveFile(folder + "b.avi");
       },
       true, Widen(folder + "b.avi")},
      {"the partner, then cancel",
       [&](DialogScript& s) {
         s.SaveFile(partner).Message(kTitleMustNot, kMessageSameFile).CancelFile();
       },
       false, L""},
  };
  for (const Case& c : cases) {
    DialogScript script;
    c.script(script);
    DialogDriver driver(script);
    std::wstring chosen;
    EXPECT_EQ(AskSaveDestination(nullptr, kAviDestinationRow, {source, partner}, &chosen), c.chosen)
        << c.label;
    driver.Finish();
    if (c.chosen) {
      EXPECT_EQ(_wcsicmp(chosen.c_str(), c.path.c_str()), 0) << c.label;
    }
  }
}

TEST(SaveConventions, AFailedSaveOffersAnUncompressedSecondTry) {
  const std::string folder = PipelineTestFolder();
  TestMovie movie;
  movie.frames = 3;
  const std::string source = folder + "retry_source.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  ownavi::AVIFileInit();
  PAVISTREAM video = nullptr;
  ASSERT_EQ(ownavi::AVIStreamOpenFromFileW(&video, Widen(source).c_str(), streamtypeVIDEO, 0,
                                           OF_SHARE_DENY_WRITE, nullptr),
            0);
  struct Case {
    const char* label;
    std::string destination;
    MessageAnswer answer;
    const SaveRetryTexts* texts;
    bool saved;
    const char* secondTitle;  // null: no second message
    const char* secondText;
  } const cases[] = {
      {"yes, and the plain save works", folder + "retry_yes.avi", MessageAnswer::Yes,
       &kMainWindowRetry, true, nullptr, nullptr},
      {"no", folder + "retry_no.avi", MessageAnswer::No, &kMainWindowRetry, false, nullptr,
       nullptr},
      {"yes, into a folder that is not there", folder + "missing\\retry.avi", MessageAnswer::Yes,
       &kMainWindowRetry, false, kTitleAgain, kMessageFailedAgainBusy},
      {"the join dialog's texts", folder + "missing\\retry.avi", MessageAnswer::Yes,
       &kJoinManyRetry, false, kTitleAgain, kMessageFailedAgain},
      {"the information dialog's texts", folder + "missing\\retry.avi", MessageAnswer::Yes,
       &kStreamInfoRetry, false, kTitleAlmostThere, kMessageStillNoGood},
  };
  for (const Case& c : cases) {
    DeleteFileW(Widen(c.destination).c_str());
    // A compressor nobody has: the first save cannot compress a frame.
    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = mmioFOURCC('n', 'o', 'n', 'e');
    AVICOMPRESSOPTIONS* list[] = {&options};
    DialogScript script;
    script.Message(kTitleAlmostThere, kMessageSaveFailedTryPlain, c.answer);
    if (c.secondTitle) script.Message(c.secondTitle, c.secondText);
    DialogDriver driver(script);
    EXPECT_EQ(SaveWithRetry(Widen(c.destination), 1, &video, list, nullptr, *c.texts), c.saved)
        << c.label;
    driver.Finish();
    if (c.saved) {
      const auto frames = ReadPackedFrames(c.destination);
      ASSERT_EQ(frames.size(), 3u) << c.label;
      for (int i = 0; i < 3; ++i) {
        const auto pixels = TestMoviePixels(movie, i);
        ASSERT_GE(frames[i].size(), pixels.size());
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), frames[i].end() - pixels.size()))
            << c.label << " frame " << i;
      }
    }
  }
  ownavi::AVIStreamRelease(video);
  ownavi::AVIFileExit();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
}

TEST(SaveConventions, SaveOptionsAreAskedWithoutOwnerAndFreed) {
  TestMovie movie;
  movie.soundSamples = 800;
  const std::string source = PipelineTestFolder() + "options_source.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  ownavi::AVIFileInit();
  PAVISTREAM streams[2] = {};
  ASSERT_EQ(ownavi::AVIStreamOpenFromFileW(&streams[0], Widen(source).c_str(), streamtypeVIDEO, 0,
                                           OF_SHARE_DENY_WRITE, nullptr),
            0);
  ASSERT_EQ(ownavi::AVIStreamOpenFromFileW(&streams[1], Widen(source).c_str(), streamtypeAUDIO, 0,
                                           OF_SHARE_DENY_WRITE, nullptr),
            0);
  // One video stream goes straight to the compressor chooser; two streams
  // get the save-options dialog.
  struct Case {
    int count;
    std::function<void(DialogScript&)> script;
    bool confirmed;
  } const cases[] = {
      {1, [](DialogScript& s) { s.ChooseCompressor("Full Frames (Uncompressed)"); }, true},
      {1, [](DialogScript& s) { s.CancelCompressor(); }, false},
      {2, [](DialogScript& s) { s.ConfirmSaveOptions(); }, true},
      {2, [](DialogScript& s) { s.CancelSaveOptions(); }, false},
  };
  for (const Case& c : cases) {
    DialogScript script;
    c.script(script);
    DialogDriver driver(script);
    SaveOptions options;
    EXPECT_EQ(ChooseSaveOptions(&options, c.count, streams), c.confirmed) << c.count;
    driver.Finish();
    EXPECT_EQ(options.chosen, c.confirmed);
    if (c.confirmed) {
      ASSERT_EQ(options.pointers.size(), static_cast<size_t>(c.count));
      EXPECT_EQ(options.pointers[0], &options.records[0]);
    }
    FreeSaveOptions(&options);
    FreeSaveOptions(&options);
    EXPECT_FALSE(options.chosen);
  }
  for (PAVISTREAM s : streams) ownavi::AVIStreamRelease(s);
  ownavi::AVIFileExit();
}

}  // namespace
