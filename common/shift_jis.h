#pragma once
// Shift-JIS (code page 932) bytes of a UTF-8 text, for files whose readers expect
// the Japanese ANSI code page whatever the code page of the machine that writes
// them. A character code page 932 lacks becomes '?', as the platform's own
// conversion does, so a text is never cut short.
#include <string>
#include <string_view>

std::string Utf8ToShiftJis(std::string_view utf8);
