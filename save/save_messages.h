#pragma once
// Every text the save pipeline shows in a message box, each in one place: the
// temp file (writer and reader), the own AVI writer and its WAV reading, the
// conversion in both ways and its dialogs. Titles are named after the words
// they hold, since several messages share one. "%s" stands for a path.
#include <cstdint>

// --- Titles ---------------------------------------------------------------
inline constexpr char kTitleAra[] = "あら？";
inline constexpr char kTitleAraAra[] = "あらあら";
inline constexpr char kTitleTaihenDesu[] = "大変です";
inline constexpr char kTitleTaihenDesuwa[] = "たいへんですわ";
inline constexpr char kTitleShippaiYaa[] = "しっぱいやぁ～";
inline constexpr char kTitleSoreWaKomarimasu[] = "それは困ります";
inline constexpr char kTitleKomarimashitawaKanji[] = "困りましたわ";
inline constexpr char kTitleKomarimashitawa[] = "こまりましたわ";
inline constexpr char kTitleErrorLatin[] = "Error";
inline constexpr char kTitleErrorDesu[] = "エラーです";
inline constexpr char kTitleShippaiDesu[] = "失敗です";
inline constexpr char kTitleChuudan[] = "中断～！";
inline constexpr char kTitleAuu[] = "あうぅっ";
inline constexpr char kTitleKounattara[] = "こうなったら";
inline constexpr char kTitleTokorode[] = "ところで";
inline constexpr char kTitleNennotame[] = "念のため";

// --- The temp capture file --------------------------------------------------
inline constexpr char kMessageTempCreateFailed[] = "一時ファイルの作成に失敗してしまいました。";
inline constexpr char kMessageTempReadFailed[] = "一時ファイルの読み込みに失敗しました";
inline constexpr char kMessageUnknownFormat[] = "知らない形式のファイルです。";
inline constexpr char kMessageNoMemory[] = "メモリの確保に失敗してしまいました";

// --- The own AVI writer and its WAV reading ----------------------------------
inline constexpr char kMessageAviCreateFailed[] = "ファイルが開けへんかったぁ";
inline constexpr char kMessageAviWriteFailed[] = "%s の書き込みに失敗してしまいました";
// A frame chunk, or a movie that even OpenDML parts can't hold, has sizes no
// 32-bit field can describe.
inline constexpr char kMessageAviTooLarge[] = "4GBを超えるAVIファイルは作れませんわ";
inline constexpr char kMessageAviTooManyParts[] = "大きすぎて、AVIファイルに収まりませんわ";
inline constexpr char kMessageAviBadShape[] = "動画の大きさかフレームレートが正しくありませんわ";
inline constexpr char kMessageWavOpenFailed[] = "%s を開くのに失敗しました";
inline constexpr char kMessageWavNotRiff[] = "%s はRIFFファイルではありませんでした";
inline constexpr char kMessageWavNotWave[] = "%s はWAVEファイルではありませんでした";
inline constexpr char kMessageWavNotFmt[] = "%s はfmt ファイルではありませんでした";
inline constexpr char kMessageWavNotPcm[] = "PCM音源ではありませんわ";
inline constexpr char kMessageWavNoData[] = "dataチャンクが発見できませんでしたわ";
inline constexpr char kMessageWavNoMemory[] =
    "WAVEデータを読み込むためのメモリの確保に失敗してしまいました";

// --- The conversion -----------------------------------------------------------
inline constexpr char kMessageRetryUncompressed[] =
    "完全未圧縮，動画のみの保存となりますが，よろしいですか？";
inline constexpr char kMessageFailedAgain[] = "またしても失敗です";
inline constexpr char kMessageDeleteTempFiles[] = "一時ファイルは削除なさいますか？";
inline constexpr char kMessageNoEditStream[] = "編集用ストリームの作成に失敗しました";
inline constexpr char kMessageNoFrameStream[] = "ビットマップストリームの作成に失敗しました";
inline constexpr char kMessagePasteFailed[] = "ストリームをはりつけるのに失敗してしまいましたわ";
inline constexpr char kMessageNoSoundStream[] = "オーディオストリームの作成に失敗しました";
inline constexpr char kMessageSetInfoFailed[] = "編集ストリームの情報の設定に失敗してしまいました";
inline constexpr char kMessageNoGlobalMemory[] =
    "クリップボードに設定するようのメモリの確保に失敗してしまいましたわ";
inline constexpr char kMessageNoGlobalLock[] = "クリップボードのロックに失敗してしまいましたわ";
inline constexpr char kMessageNoClipboardStream[] =
    "クリップボードからストリームを作成するのに失敗してしまいましたわ";
// After a temp file that was cut short or whose count was damaged (title
// kTitleAra); the figures are put in by TempConversionNotice.
inline constexpr char kMessageCutShortPart1[] = "一時ファイルが途中で切れていましたわ。\n";
inline constexpr char kMessageCutShortPart2[] = " フレームのうち ";
inline constexpr char kMessageCutShortPart3[] =
    " フレームまでを保存いたしました。\n一時ファイルは残しておきますね。";
inline constexpr char kMessageDamagedCountPart1[] =
    "一時ファイルのフレーム数がこわれていましたわ。\n記録されていた ";
inline constexpr char kMessageDamagedCountPart2[] =
    " フレームを保存いたしました。\n一時ファイルは残しておきますね。";

// A failed save's result code: the AVI services' codes 101 to 117 and 198.
struct SaveErrorText {
  uint32_t result;
  const char* text;
  const char* title;
};
inline constexpr SaveErrorText kSaveErrorTexts[] = {
    {0x80044065, "サポートされていません", kTitleShippaiDesu},
    {0x80044066, "ファイルを読み込むことが出来ませんでした", kTitleShippaiDesu},
    {0x80044067, "メモリが不充分なためファイルを開くことが出来ません", kTitleShippaiDesu},
    {0x80044068, "内部エラーが発生しました．\nこの圧縮形式は利用できない可能性があります．",
     kTitleErrorDesu},
    {0x80044069, "フラグに問題があります", kTitleShippaiDesu},
    {0x8004406A, "パラメータに問題があります", kTitleShippaiDesu},
    {0x8004406B, "サイズに問題があります", kTitleShippaiDesu},
    {0x8004406C, "ハンドルに問題があります", kTitleShippaiDesu},
    {0x8004406D, "ファイル読み込み中にディスクエラーが発生しました", kTitleShippaiDesu},
    {0x8004406E, "ファイル書き込み中にディスクエラーが発生しました", kTitleShippaiDesu},
    {0x8004406F, "ファイルをオープン中にディスクエラーが発生しました", kTitleShippaiDesu},
    {0x80044070, "ストリームの圧縮に失敗しました", kTitleShippaiDesu},
    {0x80044071, "圧縮用DLLがありません", kTitleShippaiDesu},
    {0x80044072, "読み込み専用です", kTitleShippaiDesu},
    {0x80044073, "データがありません", kTitleShippaiDesu},
    {0x80044074, "メモリが足りません", kTitleShippaiDesu},
    {0x80044075, "圧縮できません", kTitleShippaiDesu},
    {0x800440C6, "ユーザによって処理が中断されました", kTitleChuudan},
};
inline constexpr SaveErrorText kSaveErrorUnexpected = {0, "予期しないエラーです",
                                                       kTitleTaihenDesuwa};

// --- The save settings dialog and the folder browser ---------------------------
inline constexpr char kMessageNoFileName[] =
    "ファイルの名前が設定されていませんわ。\nちゃんとファイル名を設定してください。";
inline constexpr char kMessageCancelSave[] = "保存を中止しますがよろしいですか？\nよろしいですか？";
inline constexpr char kMessageShellAllocator[] = "SHGetMalloc Error";
inline constexpr char kMessageInvalidFolder[] = "不正なフォルダです";
