#pragma once
// Which menu command opened one of the editor's shared dialogs. The menu
// stores it process-wide before it opens the range dialog or the strength
// dialog; the dialog, and the whole-movie run it starts, read it back to know
// what to do. The values are fixed: what is stored is the plain number.
enum class DialogKind : int {
  RangeBitmaps = 0,  // range dialog for "範囲を指定してビットマップを取り出す"
  RangeMovie = 1,    // range dialog for "範囲を指定してAVIを取り出す"
  Watercolour = 2,   // strength dialog, "水彩画"
  Contrast = 3,      // strength dialog, "コントラストの変更"
  Blur = 4,          // strength dialog, "ぼかし"
  UnsharpMask = 5,   // strength dialog, "アンシャープマスク"
  Text = 6,          // range dialog for "文字列の描画", before the text dialog
  Median = 7,        // strength dialog, "メディアンフィルタ"
  Gamma = 8,         // strength dialog, "ガンマ補正"
};
