#pragma once
// Every text the capture core writes to the error log, each in one place. The
// multimedia error texts are MmErrorText's table (capture/sound_recording.cpp).

inline constexpr char kLogSoundFileCreateFailed[] = "録音用のファイルの作成に失敗しました";
// A write of recorded sound that the disk refused (full, or gone): the WAV keeps
// what was written before it, and sound recording ends there.
inline constexpr char kLogSoundFileWriteFailed[] = "録音用のファイルへの書き込みに失敗しました";
inline constexpr char kLogUnexpectedError[] = "予想外のエラーです";

// Preparing the grab buffers: message boxes, title kTitleTaihenDesuwa.
inline constexpr char kMessageScreenDcFailed[] = "HDCが取得できませんでしたわ。";
inline constexpr char kMessageMemoryDcFailed[] = "メモリDCが作れませんでしたわ。";
inline constexpr char kMessageStretchModeFailed[] = "SetStretchBltModeに失敗してしまいましたわ。";
inline constexpr char kMessageScreenDcReleaseFailed[] = "HDCを開放できませんでしたわ。";
inline constexpr char kMessageBitmapCreateFailed[] = "ビットマップの作成に失敗しましたわ。";
// The recorded window's size unreadable at the start.
inline constexpr char kMessageWindowSizeFailed[] = "ウィンドのサイズが取得できませんでしたわ。";
inline constexpr char kTitleOkashiiDesuwa[] = "おかしいですわ";

// A grab that fails during a recording: logged, and the recording stops.
inline constexpr char kLogWindowSizeFailed[] = "ウィンドのサイズが取得できませんでした．";
inline constexpr char kLogSourceDcFailed[] =
    "デバイスコンテキストハンドルを取得するのに失敗しました．";
inline constexpr char kLogStretchModeFailed[] =
    "デバイスコンテキストハンドルの伸縮モードを設定するのに失敗しました．";
inline constexpr char kLogBitsFailed[] = "ビットデータの取得に失敗してしまいました．";
// The disk refused a record or a bitmap file (full, or gone): what was written
// before stays, and the recording stops.
inline constexpr char kLogCaptureWriteFailed[] = "録画データの書き込みに失敗しました．";

// Preparing DirectDraw capture: message boxes, title kTitleErrorLatin ("Error").
inline constexpr char kMessageDirectDrawUnavailable[] = "DirectDraw が使用できません";
inline constexpr char kMessagePrimarySurfaceFailed[] = "プライマリサーフェイスの作成に失敗";
inline constexpr char kMessageWorkSurfaceFailed[] = "作業用サーフェスの作成に失敗";
