#include <windows.h>

#include <string>
#include <vector>

#include "common/text_win.h"
#include "editor/commands/player_shell_win.h"
#include "editor/pipeline/filter_command.h"
#include "editor/pipeline/whole_movie_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showState) {
  std::vector<std::string> arguments = ProgramArguments();
  // The scripted filter mode; without the switch the editor is the player and
  // its arguments are files to play.
  if (!arguments.empty() && IsFilterSwitch(arguments[0])) {
    arguments.erase(arguments.begin());
    return RunFilterCommand(arguments);
  }
  std::vector<std::wstring> files;
  for (const std::string& file : arguments) files.push_back(Widen(file));
  return EditorMain(instance, showState, files);
}
