#pragma once
// Every text the recorder shows in a message box, each in one place.
inline constexpr char kTitleOops[] = "あらら";
inline constexpr char kTitleWhy[] = "なぜですの";
inline constexpr char kTitleConfirmQuit[] = "終了確認";
inline constexpr char kMessageAlreadyRunning[] = "同じ名前の方がいらっしゃいますの。";
inline constexpr char kMessageMenuLoadFailed[] = "メニューの読み込みに失敗しましたの。";
inline constexpr char kMessageInitFailed[] = "初期化に失敗しましたの。";
inline constexpr char kMessageReallyQuit[] = "本当に終了してよろしいですか？";
// The window list and the selection overlay.
inline constexpr char kMessageNoWindows[] = "アプリケーションが一切取得できませんでしたわ";
inline constexpr char kTitleNoWindows[] = "めずらしいですわ";
inline constexpr char kMessageOverlayFailed[] = "サブウィンドの作成に失敗してしまいましたわ";
inline constexpr char kTitleOverlayFailed[] = "ふうっ";
inline constexpr char kMessageWindowNotListed[] = "リストにないウィンドです";
inline constexpr char kTitleWindowNotListed[] = "あら？";
// A hotkey set in the dialog that could not be registered.
inline constexpr char kMessageHotkeyError[] = "Error";
inline constexpr char kTitleHotkeyError[] = "OK";
// The sound-format dialog on a device without any format.
inline constexpr char kMessageNoSoundFormat[] = "録音可能なフォーマットがありませんでした";
inline constexpr char kTitleNoSoundFormat[] = "いやですわぁ";

// Tray menu item 40007, set before each popup.
inline constexpr wchar_t kMenuHideMainWindow[] = L"メインウィンドを隠す";
inline constexpr wchar_t kMenuShowMainWindow[] = L"メインウィンドを表示";
inline constexpr wchar_t kTrayTip[] = L"ヌーロ ディスプレイキャプチャー ピコラ";
// A hotkey that could not be registered.
inline constexpr char kHotkeyNone[] = "なし";
