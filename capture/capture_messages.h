#pragma once
// Every text the capture core writes to the error log, each in one place. The
// multimedia error texts are MmErrorText's table (capture/sound_recording.cpp).

inline constexpr char kLogSoundFileCreateFailed[] = "録音用のファイルの作成に失敗しました";
// A write of recorded sound that the disk refused (full, or gone): the WAV keeps
// what was written before it, and sound recording ends there.
inline constexpr char kLogSoundFileWriteFailed[] = "録音用のファイルへの書き込みに失敗しました";
inline constexpr char kLogUnexpectedError[] = "予想外のエラーです";
