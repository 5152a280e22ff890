#include "converter/converter_app_win.h"

#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/temp_file.h"
#include "common/text_win.h"

#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

TEST(ConverterProgram, WithNoArgumentsEndsAtOnceWithoutAWindow) {
  DialogScript nothing;  // any dialog or message box would fail the test
  DWORD start = GetTickCount();
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_CONVERTER_EXE), nothing, 30s), 0);
  EXPECT_LT(GetTickCount() - start, 10000u);
}

namespace {
// Runs the converter with its standard output in a file; returns the exit code.
DWORD RunConverter(const std::wstring& arguments, const std::wstring& outputFile) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = out;
  start.hStdError = out;
  PROCESS_INFORMATION process{};
  std::wstring command = ProgramCommand(QUILVA_CONVERTER_EXE, arguments);
  DWORD code = 999;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                     &process)) {
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  return code;
}

std::string ReadText(const std::wstring& path) {
  std::string text;
  if (FILE* f = _wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
  }
  return text;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteTemp(const std::wstring& path) {
  TempFileHeader header;
  header.width = 4;
  header.height = 2;
  std::vector<uint8_t> zero(12 * 2, 0), picture(12 * 2, 0x5A);
  ASSERT_TRUE(CreateTempCaptureFile(Narrow(path), header, nullptr, nullptr, zero.data()));
  ASSERT_TRUE(AppendRecord(1, nullptr, nullptr, picture.data(), zero.data()));
  ASSERT_TRUE(CloseTempCaptureFile());
}

void WriteWav(const std::wstring& path) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  const uint8_t header[44] = {'R', 'I', 'F',  'F',  40,  0,   0,    0,    'W', 'A', 'V',
                              'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                              1,   0,   0x11, 0x2B, 0,   0,   0x11, 0x2B, 0,   0,   1,
                              0,   8,   0,    'd',  'a', 't', 'a',  4,    0,   0,   0};
  fwrite(header, 1, sizeof header, f);
  fwrite("\x80\x81\x82\x83", 1, 4, f);
  fclose(f);
}
}  // namespace

TEST(ConverterProgram, BatchConvertsBesideEachTempFileWithoutADialogAndNeverOverwrites) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  const std::wstring folder = std::wstring(base) + L"converter_batch";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring first = folder + L"\\1208100000.tmp", second = folder + L"\\1208100001.tmp";
  WriteTemp(first);
  WriteTemp(second);
  WriteWav(folder + L"\\1208100001.wav");  // lower case, as the recorder writes it
  const std::wstring log = folder + L"\\out.txt";

  EXPECT_EQ(RunConverter(L"/batch \"" + first + L"\" \"" + second + L"\"", log), 0u);
  std::string text = ReadText(log);
  EXPECT_NE(text.find("OK " + Narrow(first) + " -> " + Narrow(folder) + "\\1208100000.AVI\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("1208100001.AVI (with sound)"), std::string::npos) << text;
  EXPECT_TRUE(Exists(folder + L"\\1208100000.AVI"));
  EXPECT_TRUE(Exists(first)) << "temp files stay without /delete";

  // Again: both AVIs exist now, so nothing is overwritten and the run fails.
  EXPECT_EQ(RunConverter(L"/batch \"" + first + L"\" \"" + second + L"\"", log), 1u);
  text = ReadText(log);
  EXPECT_NE(text.find("FAILED " + Narrow(first) + ": "), std::string::npos) << text;
  EXPECT_NE(text.find("already exists"), std::string::npos) << text;

  DeleteFileW((folder + L"\\1208100000.AVI").c_str());
  EXPECT_EQ(
      RunConverter(L"/BATCH /delete \"" + first + L"\" \"" + folder + L"\\missing.tmp\"", log), 1u);
  text = ReadText(log);
  EXPECT_NE(text.find("OK " + Narrow(first)), std::string::npos) << text;
  EXPECT_NE(text.find("no such file"), std::string::npos) << text;
  EXPECT_FALSE(Exists(first)) << "/delete removes a converted temp file";
  EXPECT_TRUE(Exists(second));

  for (const wchar_t* name :
       {L"1208100000.AVI", L"1208100001.AVI", L"1208100001.tmp", L"1208100001.wav", L"out.txt"})
    DeleteFileW((folder + L"\\" + name).c_str());
  RemoveDirectoryW(folder.c_str());
}

namespace {
void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(f, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

// A plain 4 x 2 temp file whose header declares `count` frames.
std::vector<uint8_t> PlainTemp(uint32_t count, std::vector<uint32_t> numbers) {
  std::vector<uint8_t> b = {'Q', 'T', 'M', 'P', 0, 0, 0, 0};
  for (uint32_t v : {4u, 2u, 1u, 12u, count})
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  for (uint32_t n : numbers) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(n >> (8 * i)));
    b.insert(b.end(), 24, 0x33);
  }
  return b;
}

uint64_t FileBytes(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}
}  // namespace

// The process as a script sees it: what it leaves out is on the line, the
// exit code is 2, and /delete keeps whatever still holds something.
TEST(ConverterProgram, BatchSaysWhatItLeftOutAndKeepsIt) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  const std::wstring folder = std::wstring(base) + L"converter_partial";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring noSound = folder + L"\\1208120000.tmp";
  const std::wstring claims = folder + L"\\1208120001.tmp";
  WriteTemp(noSound);
  const uint8_t fmtOfSizeZero[] = {'R', 'I', 'F', 'F', 12,  0,   0, 0, 'W', 'A',
                                   'V', 'E', 'f', 'm', 't', ' ', 0, 0, 0,   0};
  WriteBytes(folder + L"\\1208120000.wav", {std::begin(fmtOfSizeZero), std::end(fmtOfSizeZero)});
  WriteBytes(claims, PlainTemp(0x7FFFFFFF, {0, 1, 2}));  // 112 bytes claiming 2^31 frames
  const std::wstring log = folder + L"\\out.txt";

  EXPECT_EQ(RunConverter(L"/batch /delete \"" + noSound + L"\" \"" + claims + L"\"", log), 2u);
  const std::string text = ReadText(log);
  const std::string lines[] = {
      "OK " + Narrow(noSound) + " -> " + Narrow(folder) +
          "\\1208120000.AVI (sound refused: PCM音源ではありませんわ) (WAV kept)\r\n",
      "OK " + Narrow(claims) + " -> " + Narrow(folder) +
          "\\1208120001.AVI (cut short: 3 of 2147483647 frames) (temp file kept)\r\n",
  };
  for (const std::string& line : lines) EXPECT_NE(text.find(line), std::string::npos) << text;
  EXPECT_FALSE(Exists(noSound)) << "all its pictures are in the movie";
  EXPECT_TRUE(Exists(folder + L"\\1208120000.wav"));
  EXPECT_TRUE(Exists(claims));
  EXPECT_LT(FileBytes(folder + L"\\1208120001.AVI"), 4096u);

  for (const wchar_t* name :
       {L"1208120000.AVI", L"1208120000.wav", L"1208120001.AVI", L"1208120001.tmp", L"out.txt"})
    DeleteFileW((folder + L"\\" + name).c_str());
  RemoveDirectoryW(folder.c_str());
}

// A temp file deep in folders, its path past 260 characters, is found and
// converted beside itself.
TEST(ConverterProgram, BatchTakesPathsPastTheClassicLimit) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  std::vector<std::wstring> folders = {std::wstring(base) + L"converter_long"};
  for (int i = 0; i < 3; ++i)
    folders.push_back(folders.back() + L"\\" + std::wstring(90, L'a' + i));
  for (const std::wstring& f : folders) CreateDirectoryW((L"\\\\?\\" + f).c_str(), nullptr);
  const std::wstring temp = folders.back() + L"\\1208130000.tmp";
  ASSERT_GE(temp.size(), 260u);
  WriteBytes(L"\\\\?\\" + temp, PlainTemp(2, {0, 1}));
  const std::wstring log = std::wstring(base) + L"converter_long.txt";

  EXPECT_EQ(RunConverter(L"/batch /delete \"" + temp + L"\"", log), 0u);
  const std::wstring avi = folders.back() + L"\\1208130000.AVI";
  EXPECT_EQ(ReadText(log), "OK " + Narrow(temp) + " -> " + Narrow(avi) + "\r\n");
  EXPECT_EQ(FileBytes(L"\\\\?\\" + avi), 2048u + 12 + 2 * 32 + 8 + 2 * 16);
  EXPECT_FALSE(Exists(L"\\\\?\\" + temp));

  DeleteFileW((L"\\\\?\\" + avi).c_str());
  DeleteFileW(log.c_str());
  for (auto f = folders.rbegin(); f != folders.rend(); ++f)
    RemoveDirectoryW((L"\\\\?\\" + *f).c_str());
}

namespace {
// Whether the platform's AVI reader finds a stream of the type in the file.
bool HasStream(const std::wstring& path, DWORD type) {
  AVIFileInit();
  PAVIFILE file = nullptr;
  bool found = false;
  if (AVIFileOpenW(&file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr) == 0) {
    PAVISTREAM stream = nullptr;
    if (AVIFileGetStream(file, &stream, type, 0) == 0) {
      found = AVIStreamLength(stream) > 0;
      AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
  }
  AVIFileExit();
  return found;
}
}  // namespace

TEST(ConverterProgram, EachTempFileGetsItsOwnSaveDialogAndItsSound) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  const std::wstring folder = std::wstring(base) + L"converter_dialogs";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring first = folder + L"\\1208110000.tmp", second = folder + L"\\1208110001.tmp";
  WriteTemp(first);
  WriteTemp(second);
  WriteWav(folder + L"\\1208110001.wav");  // lower case beside the second
  const std::string firstAvi = Narrow(folder) + "\\first.AVI",
                    secondAvi = Narrow(folder) + "\\second.AVI";
  DialogScript script;
  script
      .Ignore(104)  // the progress window comes and goes
      .Dialog(102,
              [&](DialogHandle& d) {
                EXPECT_FALSE(d.Enabled(1036)) << "the first has no sound";
                d.SetText(1033, firstAvi);
                d.Click(1037);
              })
      .Within(30s)
      .Dialog(102,
              [&](DialogHandle& d) {
                EXPECT_TRUE(d.Enabled(1036)) << "the second's WAV was found";
                d.SetText(1033, secondAvi);
                d.Click(1037);
              })
      .Within(30s);
  EXPECT_EQ(RunProcessWithScript(
                ProgramCommand(QUILVA_CONVERTER_EXE, L"\"" + first + L"\" \"" + second + L"\""),
                script, 90s),
            0);
  EXPECT_TRUE(HasStream(Widen(firstAvi), streamtypeVIDEO));
  EXPECT_FALSE(HasStream(Widen(firstAvi), streamtypeAUDIO));
  EXPECT_TRUE(HasStream(Widen(secondAvi), streamtypeVIDEO));
  EXPECT_TRUE(HasStream(Widen(secondAvi), streamtypeAUDIO));
  EXPECT_FALSE(Exists(first)) << "converted temp files are deleted";
  EXPECT_FALSE(Exists(folder + L"\\1208110001.wav"));
  for (const std::string& name : {firstAvi, secondAvi}) DeleteFileW(Widen(name).c_str());
  RemoveDirectoryW(folder.c_str());
}
