#include "capture/error_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

#include "capture/capture_messages.h"
#include "common/file.h"
#include "testing/message_recorder.h"

namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const std::string& path) {
  UniqueFile file = FileOpen(path, "rb");
  std::string out;
  if (!file) return out;
  int c;
  while ((c = std::fgetc(file.get())) != EOF) out.push_back(static_cast<char>(c));
  return out;
}

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// 14 March, 21:07:55 local time.
std::time_t FixedClock() {
  std::tm when{};
  when.tm_year = 2008 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 14;
  when.tm_hour = 21;
  when.tm_min = 7;
  when.tm_sec = 55;
  when.tm_isdst = -1;
  return std::mktime(&when);
}
std::time_t BrokenClock() {
  return static_cast<std::time_t>(-1);
}
std::time_t FarFutureClock() {
  return std::numeric_limits<std::time_t>::max();
}

class ErrorLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("error_log_test_" + std::to_string(std::rand()));
    fs::create_directories(folder_);
    path_ = (folder_ / "error_log.txt").string();
    saved_ = gErrorLog;
  }
  void TearDown() override {
    gErrorLog = saved_;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  fs::path folder_;
  std::string path_;
  ErrorLog saved_;
};

// The log is read by people on a Japanese system: Shift-JIS, whatever the
// machine's own code page; the full-width tilde takes code page 932's form.
TEST(ErrorLogFormat, EntryBytes) {
  std::tm when{};
  when.tm_mon = 2;
  when.tm_mday = 14;
  when.tm_hour = 21;
  when.tm_min = 7;
  when.tm_sec = 55;
  struct Row {
    const char* label;
    const std::tm* time;
    std::string message;
    std::string expected;
  } rows[] = {
      {"Japanese message", &when, kLogSoundFileCreateFailed,
       "03-14 21:07:55\r\n\t" +
           Bytes({0x98, 0x5E, 0x89, 0xB9, 0x97, 0x70, 0x82, 0xCC, 0x83, 0x74, 0x83, 0x40,
                  0x83, 0x43, 0x83, 0x8B, 0x82, 0xCC, 0x8D, 0xEC, 0x90, 0xAC, 0x82, 0xC9,
                  0x8E, 0xB8, 0x94, 0x73, 0x82, 0xB5, 0x82, 0xDC, 0x82, 0xB5, 0x82, 0xBD}) +
           "\r\n"},
      {"full-width tilde", &when, "中断～！",
       "03-14 21:07:55\r\n\t" + Bytes({0x92, 0x86, 0x92, 0x66, 0x81, 0x60, 0x81, 0x49}) + "\r\n"},
      {"English text", &when, "device already allocated",
       "03-14 21:07:55\r\n\tdevice already allocated\r\n"},
      {"empty message", &when, "", "03-14 21:07:55\r\n\t\r\n"},
      {"no time", nullptr, "x", "00-00 00:00:00\r\n\tx\r\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FormatErrorLogEntry(row.time, row.message), row.expected) << row.label;
  }
}

TEST_F(ErrorLogTest, EntriesAreAppendedWhole) {
  struct Row {
    const char* label;
    std::time_t (*clock)();
    std::vector<std::string> messages;
    std::string expected;
  } rows[] = {
      {"two in one second",
       FixedClock,
       {"first", "second"},
       "03-14 21:07:55\r\n\tfirst\r\n03-14 21:07:55\r\n\tsecond\r\n"},
      {"empty message", FixedClock, {""}, "03-14 21:07:55\r\n\t\r\n"},
      {"clock unreadable", BrokenClock, {"a"}, "00-00 00:00:00\r\n\ta\r\n"},
      {"time past the calendar", FarFutureClock, {"b"}, "00-00 00:00:00\r\n\tb\r\n"},
  };
  for (const Row& row : rows) {
    std::remove(path_.c_str());
    SetErrorLogPath(path_.c_str());
    gErrorLog.clock = row.clock;
    for (const std::string& message : row.messages) WriteErrorLog(message);
    EXPECT_EQ(ReadWhole(path_), row.expected) << row.label;
  }
  // An existing log is never truncated.
  std::remove(path_.c_str());
  gErrorLog.clock = FixedClock;
  WriteErrorLog("one");
  SetErrorLogPath(nullptr);  // leaves the path as it is
  WriteErrorLog("two");
  EXPECT_EQ(ReadWhole(path_), "03-14 21:07:55\r\n\tone\r\n03-14 21:07:55\r\n\ttwo\r\n");
}

TEST_F(ErrorLogTest, UnwritableLogDropsTheEntrySilently) {
  const std::string plainFile = (folder_ / "plain").string();
  { UniqueFile make = FileOpen(plainFile, "wb"); }
#ifdef _WIN32
  const std::string readOnlyFolder = "Z:/proc/error_log.txt";  // Wine's view of the host
#else
  const std::string readOnlyFolder = "/proc/error_log.txt";  // refused even to root
#endif
  struct Row {
    const char* label;
    std::string path;
  } rows[] = {
      {"read-only folder", readOnlyFolder},
      {"missing folder", (folder_ / "missing" / "error_log.txt").string()},
      {"a file where the folder should be", plainFile + "/error_log.txt"},
  };
  MessageRecorder messages;
  for (const Row& row : rows) {
    SetErrorLogPath(row.path.c_str());
    WriteErrorLog("lost");
    EXPECT_FALSE(FileExists(row.path)) << row.label;
  }
  EXPECT_TRUE(messages.messages().empty());
}

TEST(ProgramFilePaths, BesideTheProgram) {
  struct Row {
    const char* program;
    const char* log;
    const char* settings;
  } rows[] = {
      {"C:\\Tools\\録画\\recorder.exe", "C:\\Tools\\録画\\error_log.txt",
       "C:\\Tools\\録画\\QUILVA.ini"},
      {"Z:/build/bin/recorder.exe", "Z:/build/bin/error_log.txt", "Z:/build/bin/QUILVA.ini"},
      {"C:recorder.exe", "C:error_log.txt", "C:QUILVA.ini"},
      {"recorder.exe", "error_log.txt", "QUILVA.ini"},
  };
  for (const Row& row : rows) {
    ProgramFilePaths paths = MakeProgramFilePaths(row.program);
    EXPECT_EQ(paths.errorLogPath, row.log) << row.program;
    EXPECT_EQ(paths.settingsPath, row.settings) << row.program;
  }
}

}  // namespace
