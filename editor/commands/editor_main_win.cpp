#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/text_win.h"
#include "editor/commands/player_shell_win.h"
#include "editor/pipeline/filter_command.h"
#include "editor/pipeline/whole_movie_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState) {
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> files;
  for (int i = 1; list && i < count; ++i) files.push_back(list[i]);
  if (list) LocalFree(list);
  // The scripted filter mode; without the switch the editor is the player and
  // its arguments are files to play.
  if (!files.empty() && IsFilterSwitch(Narrow(files[0]))) {
    std::vector<std::string> arguments;
    for (size_t i = 1; i < files.size(); ++i) arguments.push_back(Narrow(files[i]));
    return RunFilterCommand(arguments);
  }
  return EditorMain(instance, showState, files);
}
