#pragma once
// The stream commands of the editor that work on whole streams or whole
// movies: the stream information dialog, joining many movies, the automatic
// split at scene changes and the resize. Each runs to its end inside the menu
// command that calls it, on the user-interface thread.
#include "platform/avi/avi_api_win.h"  // before <vfw.h>

#include <windows.h>
#include <vfw.h>

#include <cstdint>
#include <vector>

// Dialog 103: edits the headers of the player's file's streams and saves a
// copy with them. False when nothing was saved.
bool RunStreamInfoDialog(HWND mainWindow);
// Dialog 112: a list of movies joined in its order and saved as one.
bool RunJoinManyDialog(HWND mainWindow);
// Cuts the player's movie at its scene changes into _0.AVI, _1.AVI, ... in a
// folder named after it in the current directory. True once it has begun
// cutting, whether every part was written or not.
bool SplitAtSceneChanges();
// The first sample of every new scene, then the end (start + length). False
// after its message when a frame cannot be read or is not 24-bit. `path` is
// the file the stream was opened from (the first video stream): other threads
// open it again to read their share of the frames. Empty: one thread reads.
bool FindSceneChanges(PAVISTREAM video, const std::wstring& path, std::vector<int32_t>* scenes);

// Dialog 114: the percentage; its confirm button runs ResizeMovie.
bool RunResizeDialog(HWND mainWindow);
// A copy of the player's movie with every frame scaled to percent %, the
// sound copied when the user wants it.
bool ResizeMovie(uint32_t percent);
