// editor.exe /filter as a process under Wine: every filter name writes the
// movie its filter makes, with the sound; wrong commands and inputs end with
// a message on standard error, a non-zero exit and no output.
#include "editor/pipeline/filter_command.h"

#include "editor/pipeline/pipeline_test_movies_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "testing/program_path_win.h"

namespace {

struct EditorRun {
  DWORD exitCode = 999;
  std::string errors;  // standard error, UTF-8
};

EditorRun RunEditor(const std::string& arguments) {
  const std::wstring log = Widen(PipelineTestFolder() + "editor_stderr.txt");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out =
      CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = out;
  start.hStdError = out;
  PROCESS_INFORMATION process{};
  std::wstring command = ProgramCommand(QUILVA_EDITOR_EXE, Widen(arguments));
  EditorRun run;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                     &process)) {
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  if (FILE* f = _wfopen(log.c_str(), L"rb")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) run.errors.append(buffer, n);
    fclose(f);
  }
  return run;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

TEST(FilterProgram, EveryFilterNameWritesItsFramesAndTheSound) {
  const char* const lines[] = {
      "rgb 200 255 90 0 1 0",
      "ycrcb 150 60 120",
      "contrast -60",
      "gamma 40",
      "grayscale",
      "pale",
      "blur 2",
      "median 2",
      "unsharp 3",
      "watercolour 12",
      "edge 40 2 1",
      "light 5 3 250 120 30 90 3 0 4 1 5 12 9",
      "custom 0 -1 0 -1 4 -1 0 -1 0 2 255 128 0",
  };
  TestMovie movie;
  movie.width = 16, movie.height = 12, movie.frames = 4, movie.soundSamples = 1000;
  const std::string source = PipelineTestFolder() + "filter source.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    const std::string output = PipelineTestFolder() + "filter output.avi";
    DeleteFileW(Widen(output).c_str());
    const EditorRun run =
        RunEditor(std::string("/filter ") + line + " \"" + source + "\" \"" + output + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "3/4")) << run.errors;
    EXPECT_TRUE(Contains(run.errors, kMessageDone)) << run.errors;
    FilterCommand command;
    std::string error;
    std::vector<std::string> words = Words(line);
    words.push_back("in.avi");
    words.push_back("out.avi");
    ASSERT_TRUE(ParseFilterCommand(words, &command, &error)) << error;
    const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
    ASSERT_EQ(written.size(), 4u);
    FilterRun filterRun;
    std::vector<uint8_t> work(static_cast<size_t>(DibStride(16, 24) * 12));
    std::vector<uint8_t> first = TestMovieFormat(movie);
    FrameShape shape;
    ASSERT_TRUE(ReadFrameShape(first.data(), first.size(), &shape));
    ASSERT_TRUE(StartFilterRun(&filterRun, command.filter, shape, work.data()));
    for (int i = 0; i < 4; ++i) {
      std::vector<uint8_t> frame = TestMovieFormat(movie);
      const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
      frame.insert(frame.end(), pixels.begin(), pixels.end());
      ASSERT_TRUE(ApplyFrameFilter(&filterRun, frame.data(), frame.size()));
      EXPECT_EQ(written[i], frame) << "frame " << i;
    }
    EXPECT_EQ(ReadSound(output), TestMoviePcm(movie));
  }
}

// A scripted run makes its bitmap only when a frame needs converting: an
// 8-bit movie is filtered through its palette and written as 24-bit frames.
TEST(FilterProgram, APalettisedMovieIsWrittenAs24Bit) {
  TestMovie movie;
  movie.bits = 8, movie.frames = 3;
  const std::string source = PipelineTestFolder() + "palette source.avi";
  const std::string output = PipelineTestFolder() + "palette output.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  DeleteFileW(Widen(output).c_str());
  const EditorRun run = RunEditor("/filter grayscale \"" + source + "\" \"" + output + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
  ASSERT_EQ(written.size(), 3u);
  FilterRun filterRun;
  FrameShape shape;
  std::vector<uint8_t> first = TestMovieFormat(movie);
  ASSERT_TRUE(ReadFrameShape(first.data(), first.size(), &shape));
  FrameFilter grayscale;
  grayscale.kind = FilterKind::Grayscale;
  ASSERT_TRUE(StartFilterRun(&filterRun, grayscale, shape, nullptr));
  const size_t stride8 = static_cast<size_t>(DibStride(movie.width, 8));
  const size_t stride24 = static_cast<size_t>(DibStride(movie.width, 24));
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> frame = TestMovieFormat(movie);
    const size_t pixelsAt = frame.size();
    const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
    frame.insert(frame.end(), pixels.begin(), pixels.end());
    ASSERT_TRUE(ApplyFrameFilter(&filterRun, frame.data(), frame.size()));
    std::vector<uint8_t> expected(stride24 * static_cast<size_t>(movie.height));
    for (int y = 0; y < movie.height; ++y)
      for (int x = 0; x < movie.width; ++x) {
        const uint8_t* entry = &frame[40 + 4 * size_t{frame[pixelsAt + y * stride8 + x]}];
        std::memcpy(&expected[y * stride24 + 3 * static_cast<size_t>(x)], entry, 3);
      }
    ASSERT_GE(written[i].size(), 40u);
    EXPECT_EQ(GetU16(&written[i][14]), 24);
    EXPECT_EQ(std::vector<uint8_t>(written[i].begin() + 40, written[i].end()), expected)
        << "frame " << i;
  }
}

TEST(FilterProgram, WrongCommandsAndInputsLeaveNoOutput) {
  const std::string folder = PipelineTestFolder();
  TestMovie movie;
  const std::string source = folder + "bad_source.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  TestMovie palettised;
  palettised.bits = 8;
  const std::string eightBit = folder + "eight_bit.avi";
  ASSERT_TRUE(WriteTestMovie(eightBit, palettised));
  const std::string text = folder + "not_a_movie.avi";
  if (FILE* f = _wfopen(Widen(text).c_str(), L"wb")) {
    fputs("this is not a movie at all, only some text", f);
    fclose(f);
  }
  const std::string output = folder + "bad_output.avi";
  struct Case {
    const char* label;
    std::string arguments;
    DWORD exitCode;
    std::string message;
  };
  const Case cases[] = {
      {"an unknown name", "/filter sepia 1 \"" + source + "\" \"" + output + "\"", 2,
       kMessageUnknownFilter},
      {"a value out of range", "/filter blur 9 \"" + source + "\" \"" + output + "\"", 2,
       kMessageFilterValue},
      {"a value that is no number", "/filter gamma high \"" + source + "\" \"" + output + "\"", 2,
       kMessageFilterValue},
      {"too few values", "/filter rgb 1 2 \"" + source + "\" \"" + output + "\"", 2,
       kMessageFilterValueCount},
      {"no paths", "/filter grayscale", 2, kMessageFilterValueCount},
      {"a missing input", "/filter grayscale \"" + folder + "missing.avi\" \"" + output + "\"", 1,
       kMessageOpenFailed},
      {"an input that is not an AVI", "/filter grayscale \"" + text + "\" \"" + output + "\"", 1,
       kMessageOpenFailed},
      {"an input not named .avi", "/filter grayscale \"" + folder + "x.wav\" \"" + output + "\"", 1,
       kMessageNotAvi},
      {"8 bits for blur", "/filter blur 2 \"" + eightBit + "\" \"" + output + "\"", 1,
       kMessageOnly24BitRun},
  };
  for (const Case& c : cases) {
    DeleteFileW(Widen(output).c_str());
    const EditorRun run = RunEditor(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.label << "\n" << run.errors;
    EXPECT_TRUE(Contains(run.errors, c.message)) << c.label << "\n" << run.errors;
    EXPECT_FALSE(Exists(output)) << c.label;
  }
  // The input named again as the output, in other letters: refused, untouched.
  std::string upper = source;
  for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
  const std::vector<std::vector<uint8_t>> before = ReadPackedFrames(source);
  const EditorRun run = RunEditor("/filter pale \"" + source + "\" \"" + upper + "\"");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_TRUE(Contains(run.errors, kMessageSameFile)) << run.errors;
  EXPECT_EQ(ReadPackedFrames(source), before);
}

}  // namespace
