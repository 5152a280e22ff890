#pragma once
// Every text the editor's shell shows in a message box, each in one place.

// Movie synthesis: a bitmap sequence, a cross-fade, a burn.
inline constexpr char kBitmapsDialogTitle[] = "ビットマップからAVIファイルの作成";
inline constexpr char kFirstBitmapDialogTitle[] = "先頭のビットマップファイルを設定";
inline constexpr char kMessageOddPath[] = "指定されたファイルが変です！";
inline constexpr char kTitleMayNot[] = "いけませんわ";
inline constexpr char kMessageOddLength[] = "動画の長さの設定が変ですわ。";
inline constexpr char kTitleOops[] = "あら";
inline constexpr char kMessageSequenceGap[] =
    "%sがないみたいですわ。\nその前の番号までで作りますわ。";
inline constexpr char kMessageFirstOpenFailed[] = "先頭のファイルが開けませんでしたわ";
inline constexpr char kMessageMemoryFailed[] = "メモリの確保に失敗してしまいましたわ";
inline constexpr char kMessageDestinationFailed[] = "書き込む先のファイルを開けませんでしたわ";
inline constexpr char kMessageStreamFailed[] = "ストリーム作成に失敗してしまいましたわ";
inline constexpr char kMessageCompressStreamFailed[] = "圧縮ストリーム作成に失敗してしまいましたわ";
inline constexpr char kMessageFormatFailed[] = "ストリームのフォーマットの設定に失敗";
inline constexpr char kBitmapProgressTitle[] = "%s.bmpを処理中";
inline constexpr char kMessagePictureOpenFailed[] =
    "なぜかなぜだかファイルを開くのに失敗してしまいました";
inline constexpr char kMessageSeekFailed[] = "fseekに失敗してしまいましたわ";
inline constexpr char kStartBitmapDialogTitle[] = "開始時のビットマップの指定";
inline constexpr char kEndBitmapDialogTitle[] = "終了時のビットマップの指定";
inline constexpr char kMessageBitmapOpenFailed[] = "ファイルが開けませんでしたわ";
inline constexpr char kMessageOnly24BitBitmaps[] = "処理できるのは24bitビットマップのみです。";
inline constexpr char kTitleThatTroubles[] = "それはこまります";
inline constexpr char kMessageSizeDiffers[] = "最初のビットマップとサイズが違います。";
inline constexpr char kFrameProgressTitle[] = "%d/%d";
inline constexpr char kMessageCrossFadeDone[] =
    "無事終了いたしましたわ。\n圧縮形式やスケール、レート等は\nお手数でしょうが後で変更してください"
    "。";
inline constexpr char kFrameCountDialogTitle[] = "間に作成する枚数の指定";
inline constexpr char kTitleTooFew[] = "少なすぎます";
inline constexpr char kMessageTooFewFrames[] = "フレーム数は3以上です";
inline constexpr char kBurnBitmapDialogTitle[] = "燃やすビットマップファイルを設定";
inline constexpr char kTitleNervous[] = "はらはら";
inline constexpr char kMessageBurnLoadFailed[] = "ビットマップファイルが読み込めませんでしたわ。";
inline constexpr char kBurnSaveDialogTitle[] = "保存先のファイルを設定";
inline constexpr char kBurnProgressTitle[] = "ボーボー %u/%u";
inline constexpr char kMessageBurnWriteFailed[] =
    "書き込みに失敗してしまいました。\n圧縮形式を変更してからやり直してください。";
inline constexpr char kTitleFireCare[] = "火の後始末はきちんとね";
inline constexpr char kMessageAllBurned[] = "全部燃えたみたいですわ。";
// Pictures a user may pick that cannot be read; each names the file first.
inline constexpr char kMessageNotBitmap[] = "%s\nこれはビットマップファイルではないみたいですわ。";
inline constexpr char kMessageBitmapTruncated[] =
    "%s\nビットマップファイルが途中で切れているみたいですわ。";
inline constexpr char kMessageBitmapHeader[] = "%s\nビットマップのヘッダが変ですわ。";
inline constexpr char kMessageBitmapSize[] = "%s\nビットマップの幅か高さが変ですわ。";
inline constexpr char kMessageBitmapDepth[] = "%s\nこのビットマップの色数は扱えませんの。";
inline constexpr char kMessageBitmapCompressed[] = "%s\n圧縮されたビットマップは扱えませんの。";
inline constexpr char kMessageBitmapTable[] =
    "%s\nビットマップのカラーテーブルがファイルより大きいですわ。";
inline constexpr char kTitleWhy[] = "なぜですの";
inline constexpr char kTitleTroubled[] = "こまりましたわ";
inline constexpr char kMessageInitFailed[] = "初期化に失敗しましたの。";
inline constexpr char kMessagePlayerFailed[] = "MCIウィンドの作成に失敗してしまいました。";
inline constexpr char kTitleAtALoss[] = "よわりましたわ";
inline constexpr char kMessageTooManyDropped[] =
    "一度にたくさんは無理ですから\n最初の方だけお相手いたしますわ。";
inline constexpr char kMessageCannotOpen[] = "ファイルが開けませんわ。";
inline constexpr char kOpenDialogTitle[] = "ファイルを開く";
// Description and pattern of each entry of the open dialog's type list.
inline constexpr const char* kOpenFilters[][2] = {
    {"主な形式(*.avi;*.mp3;*.mid;*.mpg;*.wav)", "*.avi;*.mp3;*.mid;*.mpg;*.wav"},
    {"avi(*.avi)", "*.avi"},
    {"mp3(*.mp3)", "*.mp3"},
    {"mid(*.mid)", "*.mid"},
    {"mpg(*.mpg)", "*.mpg"},
    {"wav(*.wav)", "*.wav"},
    {"すべてのファイル(*.*)", "*.*"},
};
// After a menu command that succeeded (the whole-movie run has its own, with a full stop).
inline constexpr char kMessageCommandDone[] = "無事終了いたしましたわ";

// Frame access and output movies.
inline constexpr char kTitleCannotSay[] = "そんなことを言われましても";
inline constexpr char kMessageNoFile[] = "ファイルが選択されていないみたいですけど。";
inline constexpr char kMessageNotAvi[] = "これはAVIファイルではないみたいです。";
inline constexpr char kSaveDialogTitle[] = "保存先のAVIファイルを設定";
inline constexpr char kTitleMustNot[] = "それはいけませんわ";
inline constexpr char kMessageSameFile[] = "保存先のファイルと、読み込んでいるファイルがおなじです";
inline constexpr char kTitleOh[] = "あら？";
inline constexpr char kMessageOpenFailed[] = "ファイルが開けませんでしたわ。";
inline constexpr char kTitleSerious[] = "大変ですわ";
inline constexpr char kMessageStreamInfoFailed[] = "ストリームの情報の取得に失敗しましたわ。";
inline constexpr char kTitleFailed[] = "失敗ですわ";
inline constexpr char kMessageNoFrames[] = "フレームを取得できませんでした。";
inline constexpr char kMessageSaveOpenFailed[] = "保存するファイルが開けませんでしたわ。";
inline constexpr char kMessageEditStreamFailed[] = "編集用ストリームが作られませんでしたわ。";
inline constexpr char kTitleTrouble[] = "たいへんですわ";
inline constexpr char kMessageCompressedStreamFailed[] = "圧縮ストリームの作成に失敗しました。";
inline constexpr char kMessageSetFormatFailed[] =
    "ストリームのフォーマットを設定するのに失敗しましたわ。";
inline constexpr char kMessageNoHdc[] = "HDCが取得できませんでしたわ。";
inline constexpr char kMessageNoMemoryDc[] = "メモリDCが作れませんでしたわ。";
inline constexpr char kMessageReleaseDcFailed[] = "HDCを開放できませんでしたわ。";
inline constexpr char kMessageNoBitmap[] = "HBITMAPが作れませんでしたわ。";
inline constexpr char kMessageCreateStreamFailed[] = "ストリームの作成に失敗しましたわ。";
inline constexpr char kMessageFormatSizeFailed[] = "ストリームのサイズの読み込みに失敗しましたわ。";
inline constexpr char kMessageAllocFailed[] = "メモリの確保に失敗しましたわ。";
inline constexpr char kMessageFormatSetFailed[] = "フォーマットの設定に失敗しましたわ。";
inline constexpr char kMessageReallocFailed[] = "メモリの再確保に失敗しましたわ。";
inline constexpr char kMessageStreamWriteFailed[] = "ストリームの書き込みに失敗しましたわ。";
inline constexpr char kMessageStreamReadFailed[] = "ストリームの読み込みに失敗しましたわ。";
inline constexpr char kTitleSorry[] = "すみません";
inline constexpr char kMessageOnly24Bit[] = "24bitビットマップしか処理できません";
inline constexpr char kTitleNotGood[] = "これはいけませんわ";
inline constexpr char kMessageCopyAllocFailed[] = "メモリの確保に失敗しました。";
inline constexpr char kTitleApology[] = "ごめんなさい";
inline constexpr char kMessageOnly24BitRun[] = "24bitビットマップしか処理できませんの。";
inline constexpr char kTitleGreatTrouble[] = "これはたいへんですわ";
inline constexpr char kMessageBufferAllocFailed[] = "メモリの確保に失敗しましたの。";

// The whole-movie run.
inline constexpr char kMessageFrameFetchFailed[] =
    "ビットマップインフォヘッダを取得できませんでした。";
inline constexpr char kTitleOhNo[] = "たいへん！";
inline constexpr char kMessageFrameWriteFailed[] =
    "なぜかなぜだかストリームに描きこむのに失敗してしまいました";
inline constexpr char kTitleByTheWay[] = "ところで・・・";
inline constexpr char kMessageSaveAudio[] =
    "オーディオデータも保存なさいますか？(ただし未圧縮です)";
inline constexpr char kTitleSavingAudio[] = "オーディオデータ保存中";
inline constexpr char kTitleGlad[] = "よかったです";
inline constexpr char kMessageDone[] = "無事終了いたしましたわ。";

// The scripted filter mode (editor.exe /filter).
inline constexpr char kMessageFilterUsage[] =
    "使い方: editor.exe /filter NAME [VALUE...] IN.AVI OUT.AVI";
inline constexpr char kMessageUnknownFilter[] = "そのようなフィルタはございませんわ。";
inline constexpr char kMessageFilterValueCount[] = "フィルタの値の数がちがいますわ。";
inline constexpr char kMessageFilterValue[] = "フィルタの値が範囲の外ですわ。";

// The filter dialogs and their previews.
inline constexpr char kMessageNotAviPreview[] = "これはAVIファイルではないみたいですわ。";
inline constexpr char kTitleSorryBut[] = "すみませんが";
inline constexpr char kMessageCannotProcessPolite[] = "このファイルは処理できないようですわ。";
inline constexpr char kTitleApologies[] = "申し訳ありません";
inline constexpr char kMessageCannotProcess[] = "このファイルは処理できません。";
inline constexpr char kMessageCannotProcessPlain[] = "このファイルは処理できないようです";
inline constexpr char kTitleError[] = "えらー";
inline constexpr char kMessageUnexpected[] = "予期しないエラー";
inline constexpr char kTitleBusyPreview[] = "処理中ですわ";
inline constexpr char kTitleWatercolour[] = "水彩画";
inline constexpr char kTitleContrast[] = "コントラスト";
inline constexpr char kTitleBlur[] = "ぼかし";
inline constexpr char kTitleUnsharpMask[] = "アンシャープマスク";
inline constexpr char kTitleMedian[] = "メディアンフィルタ";
inline constexpr char kTitleGamma[] = "ガンマ補正";
inline constexpr char kTitleHelp[] = "ヘルプ";
inline constexpr char kMessageCustomHelp[] =
    "【R,G,B】\n\t基本となる色のRGB値を指定します。\n\n【強度】\n\tかけるフィルタの強度を指定しま"
    "す。\n\n【フィルタ】\n\t9つの要素それぞれに-10～10の値を指定します。\n\n【エンボス】\n\t彫刻"
    "のような加工をするフィルタです。\n\n【ラプラシアン】\n\t輪郭抽出をします。\n\n【ランダム】\n"
    "\tフィルタの値をランダムに設定します。\n\n【基本色も変更する】\n\t特殊フィルタを指定する際に、"
    "基本色も最適値に変更します。";

// Saving a stream command's result: the uncompressed second try.
inline constexpr char kMessageSaveFailedTryPlain[] =
    "ストリームの保存に失敗してしまいましたわ。\nためしに未圧縮で保存してみますか？";
inline constexpr char kTitleAlmostThere[] = "あと少しですのに";
inline constexpr char kMessageFailedAgainBusy[] =
    "またしても失敗ですわ。\n保存先のファイルが使用中でないか確かめてください。";
inline constexpr char kMessageFailedAgain[] = "またしても失敗ですわ。";
inline constexpr char kTitleAgain[] = "またですわ";
inline constexpr char kMessageStillNoGood[] = "それでも駄目でしたわ。";

// Stream editing: extracting a track, joining video and sound, pasting a
// movie, halving the frames, 24-bit frames, reversing.
inline constexpr char kMessageNotAviOrWave[] =
    "これはAVIファイルでもWAVEファイルでもないみたいです。";
inline constexpr char kPartnerDialogTitle[] = "読み込むファイルの設定";
inline constexpr char kMessageJoinAviOpenFailed[] = "結合元のAVIファイルが開けませんでしたわ。";
inline constexpr char kMessageJoinWaveOpenFailed[] = "結合元のWAVEファイルが開けませんでしたわ。";
inline constexpr char kPasteDialogTitle[] = "貼り付けるAVIファイルの選択";
inline constexpr char kMessageEditableFailed[] = "編集用ストリームの作成に失敗してしまいましたわ。";
inline constexpr char kMessagePasteSampleFailed[] =
    "編集用ストリームの貼り付けに失敗してしまいましたわ。";
// Pasting by redrawing: (1), (2), (3) name the stretch (before the pasted
// frames, the pasted frames, after them).
inline constexpr char kMessageNoFramesAt[][64] = {"フレームを取得できませんでした。(1)",
                                                  "フレームを取得できませんでした。(2)",
                                                  "フレームを取得できませんでした。(3)"};
inline constexpr char kMessageFrameFetchFailedAt[][80] = {
    "ビットマップインフォヘッダを取得できませんでした。(1)",
    "ビットマップインフォヘッダを取得できませんでした。(2)",
    "ビットマップインフォヘッダを取得できませんでした。(3)"};
inline constexpr char kMessageNoMemoryContextHandle[] =
    "メモリコンテキストデバイスハンドルの取得に失敗しました。";
inline constexpr char kMessagePasteWriteFailed[] =
    "書き込みに失敗いたしましたわ。\n圧縮形式を変更して再び処理してください。";
inline constexpr char kTitleInTrouble[] = "こまりますわ";
// 24-bit frames.
inline constexpr char kMessageHeaderFailed[] = "ビットマップインフォヘッダの取得に失敗しました。";
inline constexpr char kMessageNoMemoryContext[] =
    "メモリコンテキストデバイスの取得に失敗しました。";
inline constexpr char kMessageConvertWriteFailed[] = "書き込みに失敗してしまいましたわ。";
inline constexpr char kTitleDidIt[] = "やりましたわ";
// Reversing.
inline constexpr char kMessageNoStreamFromFile[] =
    "ファイルからストリームが作成できませんでしたわ。";
inline constexpr char kMessageNoEditableStream[] = "編集用ストリームが作成できませんでしたわ。";
inline constexpr char kMessageCopyFailed[] = "ストリームのコピーに失敗しましたわ。";
inline constexpr char kMessagePasteFailed[] = "ストリームの貼り付けに失敗しましたわ。";
inline constexpr char kMessageReverseDone[] = "無事に終了いたしましたわ。";
inline constexpr char kTitleGladIndeed[] = "よかったですわ";
// The range dialog, the range extractions (bitmaps, movie, "画面を保存(&S)")
// and the text drawing ("文字列の描画", dialog 111).
inline constexpr char kRangeMessageNoPictures[] = "このファイルの画像は表示出来ません。";
inline constexpr char kRangeMessageFileInfoFailed[] = "ファイル情報を取得できませんでした。";
inline constexpr char kRangeMessageNoStream[] = "ストリームを取得できませんでした。";
inline constexpr char kRangeMessageNoStreamInfo[] = "ストリームの情報を取得できませんでした。";
inline constexpr char kRangeMessageCloseFramesFailed[] =
    "フレームが開放できませんでしたわ。\nでも保存はできたみたいですわね。";
inline constexpr char kRangeMessageNegativeStart[] = "開始位置の値がマイナスです。";
inline constexpr char kRangeTitleOdd[] = "それはおかしいですわ";
inline constexpr char kRangeMessageEndBeforeStart[] = "終了位置が開始位置より前にあります";
inline constexpr char kRangeTitleJustAsking[] = "念のためにお尋ねします";
inline constexpr char kRangeMessageConfirmFormat[] =
    "%dから%dの範囲で処理を行います。\nよろしいですか？";
inline constexpr char kRangeTitleWorking[] = "現在処理中です。";
inline constexpr char kRangeMessageWentWell[] = "うまくいったみたいですわね。";
inline constexpr char kRangeMessageNoBitmapThere[] = "その位置にはビットマップが存在しませんわ";
inline constexpr char kRangeMessageBitmapNotSaved[] = "ビットマップが保存できませんでしたわ。";
inline constexpr char kRangeMessageEditVideoFailed[] =
    "編集用ビデオストリームの作成に失敗してしまいましたわ。";
inline constexpr char kRangeMessagePasteVideoFailed[] =
    "ビデオストリームの貼り付けに失敗してしまいましたわ。";
inline constexpr char kRangeMessageEditAudioFailed[] =
    "編集用オーディオストリームの作成に失敗してしまいましたわ。";
inline constexpr char kRangeMessageCopyAudioFailed[] =
    "オーディオストリームのコピーに失敗してしまいましたわ。";
inline constexpr char kTextTitleRelieved[] = "ひとあんしんですわ";
inline constexpr char kTextMessageDone[] = "処理は無事終了いたしました。";
inline constexpr char kTextDefaultFace[] = "ＭＳ ゴシック";
// Stream information (dialog 103), joining many movies (dialog 112), the
// automatic split and the resize (dialog 114).
inline constexpr char kMessageNotProcessable[] = "これは処理可能なファイルではないみたいです。";
inline constexpr char kMessageVideoInfoFailed[] =
    "ビデオストリームの情報の取得に失敗してしまいました。";
inline constexpr char kMessageAudioInfoFailed[] =
    "オーディオストリームの情報の取得に失敗してしまいました。";
inline constexpr char kTitleStreamInfoHelp[] = "項目の説明をいたしますわ";
inline constexpr char kMessageStreamInfoHelp[] =
    "優先順位\n\tストリームの優先順位です。\n\n"
    "スケール\n\tストリームの時間単位です。\n\n"
    "レート\n\tストリームのレートです。\n"
    "\t上のスケールで指定した単位時間でのフレーム数を表します。\n\n"
    "最初のサンプル番号\n\tAVIファイルの最初のフレームのサンプル番号です。\n"
    "\tスケールとレートで単位が決定されます\n\n"
    "品質\n\tビデオストリームの品質です。\n"
    "\t0～10000で指定され、-1ならデフォルトの品質です。\n\n"
    "矩形\n\t表示を行う矩形です。\n\n"
    "名前\n\tストリームを説明する文字列です。";
inline constexpr char kMessageInfoSetFailed[] = "ストリームの情報の設定に失敗してしまいましたわ。";
inline constexpr char kMessageInfoSaved[] = "保存完了ですわ。";
inline constexpr char kTitleRelieved[] = "一安心ですわ";
inline constexpr char kJoinAddDialogTitle[] = "結合するAVIファイルを設定";
inline constexpr char kMessageJoinEditStreamFailed[] =
    "編集用ストリームの作成に失敗してしまいました。";
inline constexpr char kTitleFailedPolite[] = "失敗ですの";
inline constexpr char kMessageJoinOpenFailed[] = "%s\nが開けませんでした。";
inline constexpr char kMessageJoinPasteFailed[] = "%s\nの貼り付けに失敗しました。";
inline constexpr char kMessageJoinDone[] = "見事に成功しましたわ。";
inline constexpr char kTitleCalculating[] = "計算中";
inline constexpr char kTitleCalculated[] = "計算終了";
inline constexpr char kTitleSplitStarted[] = "分割開始";
inline constexpr char kTitleSplitEnded[] = "分割終了";
inline constexpr char kSplitPartName[] = "_%d.AVI";
inline constexpr char kMessageSplitDone[] =
    "無事終了いたしましたわ。\n完成品は未圧縮ですので、後で圧縮しなおしてください。";
inline constexpr char kMessageSplitPartlyFailed[] = "一部失敗したみたいです。";
inline constexpr char kTitleUhOh[] = "はらら";
inline constexpr char kMessageWriteFailed[] = "書き込みに失敗しました。";
inline constexpr char kMessageResizeDone[] = "終了です";
inline constexpr char kTitleSmile[] = "(^__^)";
// A percentage that leaves no pixel of a side, or more than a side can hold,
// is refused before anything is created.
inline constexpr char kMessageResizeTooSmall[] = "その倍率では幅か高さが0になってしまいますわ。";
inline constexpr char kMessageResizeTooLarge[] = "その倍率では大きすぎて作れませんわ。";
