// Entry of every Win32 test executable: the same process set-up as a program
// (common controls, COM, real message boxes), then GoogleTest.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "common/message_box_win.h"

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  HRESULT com = CoInitialize(nullptr);
  UseWindowsMessageBoxes();
  testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
