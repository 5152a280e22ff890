#include "common/handles_win.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<int> gClosed;
void RecordClose(int value) { gClosed.push_back(value); }
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
    *c.put() = 3;      // put() closes 1 first, then takes 3
    EXPECT_EQ(gClosed, std::vector<int>({2, 1}));
    UniqueFake d(4);
    EXPECT_EQ(d.release(), 4);  // released handles are the caller's
    UniqueFake empty;
    empty.reset();
  }
  EXPECT_EQ(gClosed, std::vector<int>({2, 1, 3}));
}

TEST(Handles, FileHandlesTreatInvalidHandleValueAsEmpty) {
  UniqueFileHandle missing(CreateFileW(L"Z:\\no\\such\\file.bin", GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
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
