#pragma once
// Saving the range's streams: the save-options dialog, the destination's
// folder made current and its name given ".AVI", the uncompressed retry.
#include "platform/avi/avi_api_win.h"  // before <vfw.h>

#include <windows.h>
#include <vfw.h>

#include <string>

bool SaveRangeStreams(PAVISTREAM* streams, int count, const std::wstring& destination);
