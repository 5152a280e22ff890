#pragma once
// The commands of the "編集(&E)" menu that rearrange whole streams: a track
// taken out, video and sound joined, another movie pasted in, every second
// frame kept, the frames turned into 24-bit ones, the order reversed. Each
// returns its success flag; the main window announces the outcome of the
// first three.
#include "platform/avi/avi_api_win.h"  // before <vfw.h>

#include <windows.h>
#include <vfw.h>

#include <string>

bool ExtractTrack(bool video);
bool JoinVideoAndSound();
bool PasteMovie();
// The paste for movies whose frames cannot share one stream: every frame
// drawn at the source's size into a new movie, the pasted ones after the
// frame at position.
bool PasteByRedrawing(PAVISTREAM source, PAVISTREAM pasted, LONG position,
                      const std::wstring& destination);
bool HalveFrameCount();
bool ConvertTo24Bit();
bool ReverseMovie();

// The edit-list steps of halving and reversing, shared with the bench probe:
// a new editable stream in *result (the caller's to release), or false after
// the command's message.
bool BuildHalvedStream(PAVISTREAM video, PAVISTREAM* result);
bool BuildReversedStream(PAVISTREAM video, PAVISTREAM* result);
