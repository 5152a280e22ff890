#include "common/handles_win.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<int> gClosed;
void RecordClose(int value) {
  gClosed.push_back(value);
}
using UniqueFake = UniqueAny<NullIsInvalid<int, RecordClose>>;
}  // namespace

TEST(Handles, EachHandleIsClosedExactlyOnceWhateverPathItTakes) {
  gClosed.clear();
  {
    UniqueFake a(1);
    UniqueFake b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 1);
    UniqueFake c(2);
    c = std::move(b);  // 2 closes now, 1 moves into c
    EXPECT_EQ(gClosed, std::vector<int>({2}));
    *c.put() = 3;  // put() closes 1 first, then takes 3
    EXPECT_EQ(gClosed, std::vector<int>({2, 1}));
    UniqueFake d(4);
    EXPECT_EQ(d.release(), 4);  // released handles are the caller's
    UniqueFake empty;
    empty.reset();
  }
  EXPECT_EQ(gClosed, std::vector<int>({2, 1, 3}));
}

namespace {
bool gStartAnswer = true;
int gStarts = 0;
int gEnds = 0;
bool FakeStart() {
  ++gStarts;
  return gStartAnswer;
}
void FakeEnd() {
  ++gEnds;
}
using FakeStartup = ScopedStartup<FakeStart, FakeEnd>;
}  // namespace

TEST(Handles, StartupEndsOnlyAStartThatSucceededAndOnlyOnce) {
  struct Case {
    const char* label;
    bool answer;
    int ends;
  };
  const Case cases[] = {{"started", true, 1}, {"refused", false, 0}};
  for (const Case& c : cases) {
    gStartAnswer = c.answer;
    gStarts = gEnds = 0;
    {
      FakeStartup startup;
      EXPECT_EQ(startup.started(), c.answer) << c.label;
      FakeStartup moved(std::move(startup));
      EXPECT_FALSE(startup.started()) << c.label;
      EXPECT_EQ(moved.started(), c.answer) << c.label;
    }
    EXPECT_EQ(gStarts, 1) << c.label;
    EXPECT_EQ(gEnds, c.ends) << c.label;
  }
  // Deferred: nothing until start(), which starts once however often it is asked.
  gStartAnswer = true;
  gStarts = gEnds = 0;
  {
    FakeStartup later = FakeStartup::Deferred();
    EXPECT_FALSE(later.started());
    EXPECT_EQ(gStarts, 0);
    EXPECT_TRUE(later.start());
    EXPECT_TRUE(later.start());
    EXPECT_EQ(gStarts, 1);
    later.reset();
    EXPECT_EQ(gEnds, 1);
    FakeStartup other;
    later = std::move(other);  // later held nothing: no end for it
    EXPECT_EQ(gEnds, 1);
    EXPECT_TRUE(later.started());
  }
  EXPECT_EQ(gStarts, 2);
  EXPECT_EQ(gEnds, 2);
}

TEST(Handles, FileHandlesTreatInvalidHandleValueAsEmpty) {
  UniqueFileHandle missing(
      CreateFileW(L"Z:\\no\\such\\file.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, path);
  lstrcatW(path, L"handles_test.bin");
  {
    UniqueFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(file);
  }
  // Closing the handle deleted the file: the owner really closed it.
  EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
}

TEST(Handles, SelectGuardPutsThePreviousObjectBack) {
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
  UniqueBitmap bitmap(CreateCompatibleBitmap(dc.get(), 4, 4));
  {
    SelectGuard select(dc.get(), bitmap.get());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), original);
}
