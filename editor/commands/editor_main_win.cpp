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
  std::vector<std::string> arguments;
  for (int i = 1; list && i < count; ++i) arguments.push_back(Narrow(list[i]));
  if (list) LocalFree(list);
  // The scripted filter mode; without the switch the editor is the player.
  if (!arguments.empty() && IsFilterSwitch(arguments[0]))
    return RunFilterCommand(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  return EditorMain(instance, showState);
}
