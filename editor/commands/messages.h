#pragma once
// Every text the editor's shell shows in a message box, each in one place.
inline constexpr char kTitleWhy[] = "なぜですの";
inline constexpr char kTitleTroubled[] = "こまりましたわ";
inline constexpr char kMessageInitFailed[] = "初期化に失敗しましたの。";
inline constexpr char kMessagePlayerFailed[] = "MCIウィンドの作成に失敗してしまいました。";
