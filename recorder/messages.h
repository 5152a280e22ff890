#pragma once
// Every text the recorder shows in a message box, each in one place.
inline constexpr char kTitleOops[] = "あらら";
inline constexpr char kTitleWhy[] = "なぜですの";
inline constexpr char kTitleConfirmQuit[] = "終了確認";
inline constexpr char kMessageAlreadyRunning[] = "同じ名前の方がいらっしゃいますの。";
inline constexpr char kMessageMenuLoadFailed[] = "メニューの読み込みに失敗しましたの。";
inline constexpr char kMessageInitFailed[] = "初期化に失敗しましたの。";
inline constexpr char kMessageReallyQuit[] = "本当に終了してよろしいですか？";
// The range and window selection, the hotkey and sound-format dialogs come later.
inline constexpr char kMessageNotYet[] = "not yet";

// Tray menu item 40007, set before each popup.
inline constexpr wchar_t kMenuHideMainWindow[] = L"メインウィンドを隠す";
inline constexpr wchar_t kMenuShowMainWindow[] = L"メインウィンドを表示";
inline constexpr wchar_t kTrayTip[] = L"ヌーロ ディスプレイキャプチャー ピコラ";
// A hotkey that could not be registered.
inline constexpr char kHotkeyNone[] = "なし";
