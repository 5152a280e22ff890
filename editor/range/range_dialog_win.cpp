#include "editor/range/range_dialog_win.h"

#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/dialog_win.h"
#include "common/file.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/filter_dialogs/filter_preview_win.h"
#include "editor/range/range_resource.h"
#include "editor/range/range_rules.h"
#include "editor/synthesis/bitmap_file.h"

RangeDialogState gRangeDialog;

namespace {

constexpr int kPictureSide = 128;
constexpr int kStartPictureX = 10, kEndPictureX = 148, kPictureY = 10;

MessageAnswer Show(const char* text, const char* title, HWND owner = nullptr,
                   MessageButtons buttons = MessageButtons::Ok) {
  return ShowMessage(text, title, buttons, MessageIcon::None, owner);
}

// The player's file with the two checks every range command makes first.
bool CheckedPlayerAvi(std::wstring* path) {
  *path = PlayerFileName();
  if (path->empty()) {
    Show(kMessageNoFile, kTitleCannotSay);
    return false;
  }
  if (!HasExtension(*path, L".avi")) {
    Show(kMessageNotAviPreview, kTitleCannotSay);
    return false;
  }
  return true;
}

LONG PlayerLength() {
  if (!gEditorWindows.playerWindow) return 0;
  return static_cast<LONG>(SendMessageW(gEditorWindows.playerWindow, MCIWNDM_GETLENGTH, 0, 0));
}

LONG PlayerPosition() {
  if (!gEditorWindows.playerWindow) return 0;
  return static_cast<LONG>(SendMessageW(gEditorWindows.playerWindow, MCIWNDM_GETPOSITIONW, 0, 0));
}

// ---- the dialog ----

// An edit's number read as unsigned; what is not a number counts as 0, and a
// number too long for the movie stays too large (it is clamped afterwards).
int64_t EditNumber(HWND dialog, int id) {
  wchar_t text[32] = {};
  GetDlgItemTextW(dialog, id, text, 32);
  int64_t value = 0;
  for (const wchar_t* p = text; *p >= L'0' && *p <= L'9'; ++p)
    value = value > (INT64_MAX - 9) / 10 ? INT64_MAX : value * 10 + (*p - L'0');
  return value;
}

void SetEdit(HWND dialog, int id, int64_t value) {
  gRangeDialog.settling = true;
  SetDlgItemTextW(dialog, id, std::to_wstring(value).c_str());
  gRangeDialog.settling = false;
}

bool StartChosen(HWND dialog) {
  return IsDlgButtonChecked(dialog, IDC_RANGE_START_CHOSEN) == BST_CHECKED;
}

void SyncBar(HWND dialog) {
  const RangeBar b = RangeBarFor(StartChosen(dialog), EditNumber(dialog, IDC_RANGE_START),
                                 EditNumber(dialog, IDC_RANGE_END), gRangeDialog.streamLength);
  HWND bar = GetDlgItem(dialog, IDC_RANGE_BAR);
  SetScrollRange(bar, SB_CTL, static_cast<int>(b.min), static_cast<int>(b.max), FALSE);
  SetScrollPos(bar, SB_CTL, static_cast<int>(b.position), TRUE);
}

void UpdateTime(HWND dialog) {
  if (gRangeDialog.rate <= 0) return;
  const std::string text =
      RangeTimeText(EditNumber(dialog, IDC_RANGE_START), EditNumber(dialog, IDC_RANGE_END),
                    static_cast<uint32_t>(gRangeDialog.scale), gRangeDialog.rate);
  SetDlgItemTextW(dialog, IDC_RANGE_TIME, Widen(text).c_str());
}

void RedrawPicture(HWND dialog, int x) {
  RECT box{x, kPictureY, x + kPictureSide, kPictureY + kPictureSide};
  InvalidateRect(dialog, &box, TRUE);
}

void RedrawPictures(HWND dialog) {
  RedrawPicture(dialog, kStartPictureX);
  RedrawPicture(dialog, kEndPictureX);
}

void SetRange(HWND dialog, int64_t start, int64_t end) {
  SetEdit(dialog, IDC_RANGE_START, start);
  SetEdit(dialog, IDC_RANGE_END, end);
  RedrawPictures(dialog);
  UpdateTime(dialog);
  SyncBar(dialog);
}

bool OpenRangeDialog(HWND dialog) {
  RangeDialogState& g = gRangeDialog;
  g.preview = false;
  g.scale = g.rate = -1;
  g.streamStart = 0;
  g.streamLength = PlayerLength();
  std::wstring path;
  if (!CheckedPlayerAvi(&path)) return false;
  ownavi::AVIFileInit();
  PAVISTREAM video = nullptr;
  if (ownavi::AVIStreamOpenFromFileW(&video, path.c_str(), streamtypeVIDEO, 0, OF_SHARE_DENY_WRITE,
                                     nullptr) != 0) {
    ownavi::AVIFileExit();
    Show(kMessageCannotProcessPolite, kTitleSorryBut);
    return false;
  }
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(video, &info, sizeof info) == 0) {
    g.scale = static_cast<LONG>(info.dwScale);
    g.rate = static_cast<LONG>(info.dwRate);
    g.streamLength = static_cast<LONG>(info.dwLength);
    g.streamStart = static_cast<LONG>(info.dwStart);
  }
  if (PGETFRAME frames = ownavi::AVIStreamGetFrameOpen(video, nullptr)) {
    g.preview = true;
    ownavi::AVIStreamGetFrameClose(frames);
  } else {
    Show(kRangeMessageNoPictures, kTitleApologies, dialog);
  }
  ownavi::AVIStreamRelease(video);
  ownavi::AVIFileExit();

  const int64_t start = RangeFrameAt(PlayerPosition(), g.streamStart, g.streamLength);
  CheckRadioButton(dialog, IDC_RANGE_START_CHOSEN, IDC_RANGE_END_CHOSEN, IDC_RANGE_START_CHOSEN);
  SetEdit(dialog, IDC_RANGE_START, start);
  SetEdit(dialog, IDC_RANGE_END, g.streamLength > 0 ? g.streamLength - 1 : 0);
  SyncBar(dialog);
  UpdateTime(dialog);
  return true;
}

void EditChanged(HWND dialog, bool editingStart) {
  int64_t start = EditNumber(dialog, IDC_RANGE_START);
  int64_t end = EditNumber(dialog, IDC_RANGE_END);
  if (SettleRangeEdits(&start, &end, gRangeDialog.streamLength, editingStart)) {
    SetEdit(dialog, IDC_RANGE_START, start);
    SetEdit(dialog, IDC_RANGE_END, end);
  }
  SyncBar(dialog);
}

void Scrolled(HWND dialog, WPARAM wparam, LPARAM lparam) {
  HWND bar = reinterpret_cast<HWND>(lparam);
  int position = 0;
  if (!bar || !TrackScrollBar(bar, LOWORD(wparam), HIWORD(wparam), &position)) return;
  const bool start = StartChosen(dialog);
  SetEdit(dialog, start ? IDC_RANGE_START : IDC_RANGE_END, position);
  RedrawPicture(dialog, start ? kStartPictureX : kEndPictureX);
  UpdateTime(dialog);
}

void Shortcut(HWND dialog, bool before) {
  const RangeDialogState& g = gRangeDialog;
  const int64_t p = RangeFrameAt(PlayerPosition(), g.streamStart, g.streamLength);
  if (before)
    SetRange(dialog, 0, p);
  else
    SetRange(dialog, p, g.streamLength > 0 ? g.streamLength - 1 : 0);
}

// The numbers as typed (signed: a pasted minus sign is refused, not read away).
bool ReadTypedNumber(HWND dialog, int id, int64_t* value) {
  wchar_t text[32] = {};
  GetDlgItemTextW(dialog, id, text, 32);
  const wchar_t* p = text;
  const bool negative = *p == L'-';
  if (negative) ++p;
  int64_t v = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p)
    v = v > (INT64_MAX - 9) / 10 ? INT64_MAX : v * 10 + (*p - L'0');
  *value = negative ? -v : v;
  return true;
}

void Confirmed(HWND dialog) {
  RangeDialogState& g = gRangeDialog;
  const int64_t length = g.streamLength;
  int64_t start = 0, end = 0;
  ReadTypedNumber(dialog, IDC_RANGE_START, &start);
  if (start >= length) start = length - 1;
  if (start < 0) {
    Show(kRangeMessageNegativeStart, kTitleTroubled);
    return;
  }
  ReadTypedNumber(dialog, IDC_RANGE_END, &end);
  if (end >= length) {
    end = length - 1;
  } else if (end < start) {
    Show(kRangeMessageEndBeforeStart, kRangeTitleOdd);
    return;
  }
  char question[256];
  std::snprintf(question, sizeof question, kRangeMessageConfirmFormat, static_cast<int>(start),
                static_cast<int>(end));
  if (Show(question, kRangeTitleJustAsking, nullptr, MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  SetWindowTextW(dialog, Widen(kRangeTitleWorking).c_str());
  const LONG first = static_cast<LONG>(start + g.streamStart);
  const LONG last = static_cast<LONG>(end + g.streamStart);
  switch (g.kind) {
    case DialogKind::RangeBitmaps:
      if (ExtractRangeToBitmaps(first, last)) Show(kRangeMessageWentWell, kTitleGladIndeed);
      EndDialog(dialog, 0);
      break;
    case DialogKind::RangeMovie:
      EndDialog(dialog, 0);
      if (ExtractRangeToMovie(first, last)) Show(kRangeMessageWentWell, kTitleGladIndeed);
      break;
    case DialogKind::Text:
      g.textFirst = first;
      g.textLast = last;
      EndDialog(dialog, 1);
      break;
    default: EndDialog(dialog, 0); break;
  }
}

void PaintPictures(HWND dialog) {
  PAINTSTRUCT ps;
  BeginPaint(dialog, &ps);
  RECT box{kStartPictureX, kPictureY, kStartPictureX + kPictureSide, kPictureY + kPictureSide};
  RECT overlap;
  const LONG frames[2] = {static_cast<LONG>(EditNumber(dialog, IDC_RANGE_START)),
                          static_cast<LONG>(EditNumber(dialog, IDC_RANGE_END))};
  const int xs[2] = {kStartPictureX, kEndPictureX};
  for (int k = 0; k < 2 && gRangeDialog.preview; ++k) {
    box.left = xs[k];
    box.right = xs[k] + kPictureSide;
    if (!IntersectRect(&overlap, &box, &ps.rcPaint)) continue;
    if (!ShowRangeFrame(dialog, frames[k], xs[k], kPictureY, kPictureSide))
      gRangeDialog.preview = false;
  }
  EndPaint(dialog, &ps);
}

INT_PTR CALLBACK RangeDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      if (!OpenRangeDialog(dialog)) EndDialog(dialog, 0);
      return TRUE;
    case WM_PAINT: PaintPictures(dialog); return TRUE;
    case WM_HSCROLL: Scrolled(dialog, wparam, lparam); return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_RANGE_START:
        case IDC_RANGE_END:
          if (HIWORD(wparam) == EN_CHANGE && !gRangeDialog.settling) {
            EditChanged(dialog, LOWORD(wparam) == IDC_RANGE_START);
            RedrawPicture(dialog,
                          LOWORD(wparam) == IDC_RANGE_START ? kStartPictureX : kEndPictureX);
            UpdateTime(dialog);
          }
          return TRUE;
        case IDC_RANGE_START_CHOSEN:
        case IDC_RANGE_END_CHOSEN: SyncBar(dialog); return TRUE;
        case IDC_RANGE_BEFORE:
        case IDC_RANGE_AFTER: Shortcut(dialog, LOWORD(wparam) == IDC_RANGE_BEFORE); return TRUE;
        case IDC_RANGE_OK: Confirmed(dialog); return TRUE;
        case IDC_RANGE_CANCEL:
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      break;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR RunRangeDialog(HWND owner, DialogKind kind) {
  gRangeDialog.kind = kind;
  return RunDialog(GetModuleHandleW(nullptr), IDD_RANGE, owner, RangeDialogProc);
}

bool OpenPlayerVideo(PlayerVideo* v, bool* noVideo) {
  *v = PlayerVideo{};
  if (noVideo) *noVideo = false;
  if (!CheckedPlayerAvi(&v->path)) return false;
  ownavi::AVIFileInit();
  v->started = true;
  auto fail = [&](const char* text) {
    if (text) Show(text, kTitleFailed);
    ClosePlayerVideo(v);
    return false;
  };
  if (ownavi::AVIFileOpenW(&v->file, v->path.c_str(), OF_SHARE_DENY_WRITE, nullptr) != 0) {
    v->file = nullptr;
    return fail(kMessageOpenFailed);
  }
  AVIFILEINFOW fileInfo{};
  if (ownavi::AVIFileInfoW(v->file, &fileInfo, sizeof fileInfo) != 0)
    return fail(kRangeMessageFileInfoFailed);
  DWORD bestPriority = 0;
  for (DWORD i = 0; i < fileInfo.dwStreams; ++i) {
    PAVISTREAM stream = nullptr;
    if (ownavi::AVIFileGetStream(v->file, &stream, 0, static_cast<LONG>(i)) != 0)
      return fail(kRangeMessageNoStream);
    AVISTREAMINFOW info{};
    if (ownavi::AVIStreamInfoW(stream, &info, sizeof info) != 0) {
      ownavi::AVIStreamRelease(stream);
      return fail(kRangeMessageNoStreamInfo);
    }
    if (info.fccType == streamtypeVIDEO && (!v->video || info.wPriority < bestPriority)) {
      if (v->video) ownavi::AVIStreamRelease(v->video);
      v->video = stream;
      bestPriority = info.wPriority;
    } else {
      ownavi::AVIStreamRelease(stream);
    }
  }
  if (!v->video) {
    if (noVideo) *noVideo = true;
    return fail(nullptr);
  }
  v->frames = ownavi::AVIStreamGetFrameOpen(v->video, nullptr);
  if (!v->frames) return fail(kMessageNoFrames);
  v->start = ownavi::AVIStreamStart(v->video);
  v->length = ownavi::AVIStreamLength(v->video);
  return true;
}

bool ClosePlayerVideo(PlayerVideo* v) {
  bool ok = true;
  if (v->frames && ownavi::AVIStreamGetFrameClose(v->frames) != 0) {
    Show(kRangeMessageCloseFramesFailed, kTitleFailed);
    ok = false;
  }
  if (v->video) ownavi::AVIStreamRelease(v->video);
  if (v->file) ownavi::AVIFileRelease(v->file);
  if (v->started) ownavi::AVIFileExit();
  *v = PlayerVideo{};
  return ok;
}

bool ShowRangeFrame(HWND window, LONG frame, int x, int y, int side) {
  PlayerVideo v;
  if (!OpenPlayerVideo(&v)) return false;
  const auto* dib =
      static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(v.frames, frame + v.start));
  if (!dib) {
    Show(kMessageFrameFetchFailed, kTitleFailed);
    ClosePlayerVideo(&v);
    return false;
  }
  PaintThumbnail(window, dib, x, y, side);
  return ClosePlayerVideo(&v);
}

bool WriteBitmapFile(const std::wstring& path, const BITMAPINFOHEADER* dib) {
  if (!dib) return false;
  uint8_t header[kBitmapFileHeaderBytes];
  size_t dibBytes = 0;
  if (!MakeBitmapFileHeader(reinterpret_cast<const uint8_t*>(dib), PackedDibBytes(dib), header,
                            &dibBytes))
    return false;
  UniqueFile file = FileOpen(Narrow(path), "wb");
  if (!file) return false;
  const bool written =
      FileWriteAll(file.get(), header, sizeof header) && FileWriteAll(file.get(), dib, dibBytes);
  return std::fclose(file.release()) == 0 && written;
}

bool ExtractRangeToBitmaps(LONG first, LONG last) {
  std::wstring path;
  if (!CheckedPlayerAvi(&path)) return false;
  const RangeBitmapPlace place = RangeBitmapPlaceFor(Narrow(path));
  const std::wstring folder = Widen(place.folder);
  CreateDirectoryW(folder.c_str(), nullptr);  // an existing folder is fine
  PlayerVideo v;
  if (!OpenPlayerVideo(&v)) return false;
  int64_t from = first, to = last;
  if (!ClampExtractRange(&from, &to, v.start, v.length)) {
    Show(kRangeMessageNoBitmapThere, kTitleTroubled);
    ClosePlayerVideo(&v);
    return false;
  }
  for (int64_t i = from; i <= to; ++i) {
    const auto* dib = static_cast<const BITMAPINFOHEADER*>(
        ownavi::AVIStreamGetFrame(v.frames, static_cast<LONG>(i)));
    if (!dib) {
      Show(kMessageFrameFetchFailed, kTitleFailed);
      ClosePlayerVideo(&v);
      return false;
    }
    const std::wstring name = folder + L"\\" + Widen(RangeBitmapName(place.name, i, to)) + L".bmp";
    if (!WriteBitmapFile(name, dib)) {
      Show(kRangeMessageBitmapNotSaved, kTitleFailed);
      ClosePlayerVideo(&v);
      return false;
    }
  }
  return ClosePlayerVideo(&v);
}
