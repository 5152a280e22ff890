// The owners of avi_handles_win.h give back what they hold through our AVI
// services, once. The template's own rules (move, put, reset) are checked on a
// fake handle in common/handles_win_test.cpp.
#include "platform/avi/avi_save.h"
#include "platform/avi/avi_testing.h"

#include "platform/avi/avi_handles_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/file.h"
#include "common/text_win.h"

namespace {

// A COM object's references, counted by taking one and giving it back.
ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// raw arrives with the one reference its owner is to give back; the test holds
// a second one so that the object outlives the owner and can be counted.
template <typename Owner, typename Raw>
void ExpectGivenBackOnce(Raw raw) {
  ASSERT_TRUE(raw);
  raw->AddRef();
  {
    Owner owner;
    *owner.put() = raw;
    Owner moved(std::move(owner));
    EXPECT_FALSE(owner) << "a move leaves the source empty";
    EXPECT_EQ(moved.get(), raw);
    EXPECT_EQ(References(raw), 2u);
  }
  EXPECT_EQ(raw->Release(), 0u) << "the owner gave back its own reference, and only that";
}

}  // namespace

TEST(AviHandles, EachOwnerGivesItsHandleBackOnceThroughOurServices) {
  const std::string path = avitest::TempPath("handles.avi");
  ASSERT_EQ(AviSave(path, {avitest::MadeVideo(4, 2, 3)}, nullptr), AVIERR_OK);
  const std::wstring widePath = Widen(path);
  struct Row {
    const char* kind;
    std::function<void()> check;
  };
  const Row rows[] = {
      {"PAVIFILE",
       [&] {
         PAVIFILE file = nullptr;
         ASSERT_EQ(ownavi::AVIFileOpenW(&file, widePath.c_str(), OF_READ, nullptr), AVIERR_OK);
         ExpectGivenBackOnce<UniqueAviFile>(file);
       }},
      {"PAVISTREAM",
       [] {
         ExpectGivenBackOnce<UniqueAviStream>(ownavi::WrapStream(avitest::MadeVideo(4, 2, 1)));
       }},
      {"PGETFRAME",
       [] {
         UniqueAviStream stream(ownavi::WrapStream(avitest::MadeVideo(4, 2, 1)));
         ExpectGivenBackOnce<UniqueGetFrame>(ownavi::AVIStreamGetFrameOpen(stream.get(), nullptr));
       }},
      {"HIC",
       [] {
         // No reference count: a closed compressor answers no more questions.
         ICINFO info{};
         HIC raw = ICOpen(ICTYPE_VIDEO, mmioFOURCC('M', 'R', 'L', 'E'), ICMODE_COMPRESS);
         ASSERT_TRUE(raw);
         {
           UniqueHic owner;
           *owner.put() = raw;
           UniqueHic moved(std::move(owner));
           EXPECT_FALSE(owner) << "a move leaves the source empty";
           EXPECT_GT(ICGetInfo(moved.get(), &info, sizeof info), 0);
         }
         EXPECT_LE(ICGetInfo(raw, &info, sizeof info), 0);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    row.check();
  }
  FileRemove(path);
}

TEST(AviHandles, ServicesEndWithTheirScopeAndADeferredStartOnlyOnceStarted) {
  const int before = ownavi::AVIFileInitCount();
  {
    ScopedAviServices services;
    EXPECT_TRUE(services.started());
    EXPECT_EQ(ownavi::AVIFileInitCount(), before + 1);
    ScopedAviServices later = ScopedAviServices::Deferred();
    EXPECT_EQ(ownavi::AVIFileInitCount(), before + 1);
    EXPECT_TRUE(later.start());
    EXPECT_EQ(ownavi::AVIFileInitCount(), before + 2);
    later = std::move(services);  // later's own start ends, services' is handed over
    EXPECT_EQ(ownavi::AVIFileInitCount(), before + 1);
  }
  EXPECT_EQ(ownavi::AVIFileInitCount(), before);
}
