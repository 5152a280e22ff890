#pragma once
// The AVI file services the compressed way of the conversion calls, under the
// platform's names. They are our own (platform/avi): the platform's editable
// streams crash or corrupt frames under Wine, its stream-from-bitmap call is
// a stub there, and on Windows it writes no file past 2 GiB.
// Their handles' owners and the services' start (ScopedAviServices) are in
// avi_handles_win.h.
#include "platform/avi/avi_api_win.h"
#include "platform/avi/avi_handles_win.h"

namespace avi {
using namespace ownavi;
using ::AVISaveOptionsFree;  // frees what the platform's own options dialog filled in
}  // namespace avi
