#pragma once
// Every text the recorder shows in a message box, each in one place.
inline constexpr char kTitleOops[] = "あらら";
inline constexpr char kTitleWhy[] = "なぜですの";
inline constexpr char kTitleConfirmQuit[] = "終了確認";
inline constexpr char kMessageAlreadyRunning[] = "同じ名前の方がいらっしゃいますの。";
inline constexpr char kMessageMenuLoadFailed[] = "メニューの読み込みに失敗しましたの。";
inline constexpr char kMessageInitFailed[] = "初期化に失敗しましたの。";
inline constexpr char kMessageReallyQuit[] = "本当に終了してよろしいですか？";
