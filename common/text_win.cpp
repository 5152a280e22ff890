#include "common/text_win.h"

#include <cstdlib>

#include "common/utf.h"

// wchar_t is 16 bits on Windows, so the portable converter serves directly.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Widen(std::string_view utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(std::wstring_view wide) {
  return Utf16ToUtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; __wargv && i < __argc; ++i) arguments.push_back(Narrow(__wargv[i]));
  return arguments;
}
