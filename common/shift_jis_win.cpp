#include <windows.h>

#include "common/shift_jis.h"
#include "common/utf.h"

std::string Utf8ToShiftJis(std::string_view utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(932, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(932, 0, wide, length, out.data(), size, nullptr, nullptr);
  return out;
}
