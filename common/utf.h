#pragma once
// UTF-8 <-> UTF-16 without the window system, so portable code can name files and
// texts in UTF-8 while the Win32 layer speaks UTF-16. Malformed input becomes
// U+FFFD rather than being dropped, so a bad byte never shortens a path silently.
#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
