#pragma once
// Texts of the save pipeline's dialogs, each in one place.
inline constexpr char kTitleTroubled[] = "こまりましたわ";
inline constexpr char kMessageNoFileName[] =
    "ファイルの名前が設定されていませんわ。\nちゃんとファイル名を設定してください。";
inline constexpr char kTitleJustInCase[] = "念のため";
inline constexpr char kMessageCancelSave[] = "保存を中止しますがよろしいですか？\nよろしいですか？";
inline constexpr char kTitleByTheWay[] = "ところで";
inline constexpr char kMessageDeleteTempFiles[] = "一時ファイルは削除なさいますか？";
inline constexpr char kTitleError[] = "Error";
inline constexpr char kMessageShellAllocator[] = "SHGetMalloc Error";
inline constexpr char kMessageInvalidFolder[] = "不正なフォルダです";
// After a conversion of a temp file that was cut short or whose count was
// damaged; the text itself is made with its figures (TempConversionNotice).
inline constexpr char kTitleTempNotice[] = "あら？";
