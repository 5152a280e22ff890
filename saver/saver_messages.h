#pragma once
// Every text tindora shows in a message box, each in one place.
inline constexpr char kTitleErrorLatin[] = "Error";
inline constexpr char kMessageCannotOpen[] = "ファイルが開けませんでした";
