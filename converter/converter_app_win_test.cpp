#include "converter/converter_app_win.h"

#include <gtest/gtest.h>

#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

TEST(ConverterProgram, WithNoArgumentsEndsAtOnceWithoutAWindow) {
  DialogScript nothing;  // any dialog or message box would fail the test
  DWORD start = GetTickCount();
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_CONVERTER_EXE), nothing, 30s), 0);
  EXPECT_LT(GetTickCount() - start, 10000u);
}
