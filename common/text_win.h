#pragma once
// Conversions at the boundary between portable UTF-8 text and the wide API.
#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
