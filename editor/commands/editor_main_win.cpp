#include <windows.h>

#include "editor/commands/player_shell_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState) {
  return EditorMain(instance, showState);
}
