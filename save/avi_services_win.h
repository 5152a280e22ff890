#pragma once
// The AVI file services the compressed way of the conversion calls, under the
// platform's names. Every call of the save pipeline goes through this one
// header, so which implementation serves them is decided here.
#include <windows.h>
#include <vfw.h>

namespace avi {
using ::AVIFileExit;
using ::AVIFileInit;
using ::AVIMakeStreamFromClipboard;
using ::AVISaveOptionsFree;
using ::AVISaveVW;
using ::AVIStreamOpenFromFileW;
using ::AVIStreamRelease;
using ::CreateEditableStream;
using ::EditStreamPaste;
using ::EditStreamSetInfoW;

// AVIFileInit / AVIFileExit for one operation.
struct Services {
  Services() { AVIFileInit(); }
  ~Services() { AVIFileExit(); }
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;
};
}  // namespace avi
