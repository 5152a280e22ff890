#include "editor/range/text_drawing_win.h"

#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>

#include <commdlg.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>

#include "common/dialog_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/filter_dialogs/filter_preview_win.h"
#include "editor/range/range_dialog_win.h"
#include "editor/range/range_resource.h"

TextDrawingState gTextDrawing;

namespace {

constexpr int kTextLimit = 255;
constexpr int kTextRead = 254;

void Show(const char* text, const char* title, HWND owner = nullptr) {
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, owner);
}

void SetProgressTitle(LONG i, LONG end) {
  if (!gEditorWindows.mainWindow) return;
  wchar_t text[48];
  swprintf(text, 48, L"%ld/%ld", static_cast<long>(i), static_cast<long>(end));
  SetWindowTextW(gEditorWindows.mainWindow, text);
}

std::wstring BoxText(HWND dialog) {
  wchar_t text[kTextRead + 1] = {};
  GetDlgItemTextW(dialog, IDC_TEXT_BOX, text, kTextRead + 1);
  return text;
}

// The text as the run and the preview draw it: transparent, left and top
// aligned, broken only at its own line breaks and cut at the frame's edges.
void DrawTextInFrame(HDC dc, const std::wstring& text, int x, int y, int width, int height) {
  RECT r{x, y, width, height};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, 0);
}

struct FontOnDc {
  FontOnDc(HDC dc, const LOGFONTW& font, COLORREF colour) : dc(dc) {
    SetBkMode(dc, TRANSPARENT);
    font_ = CreateFontIndirectW(&font);
    previous = font_ ? SelectObject(dc, font_) : nullptr;
    SetTextAlign(dc, 0);
    SetTextColor(dc, colour);
  }
  ~FontOnDc() {
    if (previous) SelectObject(dc, previous);
    if (font_) DeleteObject(font_);
  }
  HDC dc;
  HFONT font_ = nullptr;
  HGDIOBJ previous = nullptr;
};

RECT FrameArea() {
  return RECT{0, 0, gTextDrawing.width, gTextDrawing.height};
}

void Repaint(HWND dialog, bool frameOnly) {
  RECT area = FrameArea();
  InvalidateRect(dialog, frameOnly ? &area : nullptr, TRUE);
}

void MoveRight(HWND dialog, int id, int by) {
  HWND item = GetDlgItem(dialog, id);
  RECT r;
  GetWindowRect(item, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(item, nullptr, r.left + by, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The frame at the dialog's top-left, its bar below it, the controls moved
// to its right.
void FitToFrame(HWND dialog) {
  const int w = gTextDrawing.width, h = gTextDrawing.height;
  RECT window;
  GetWindowRect(dialog, &window);
  const int minHeight = h + GetSystemMetrics(SM_CYHSCROLL) + GetSystemMetrics(SM_CYBORDER) +
                        2 * GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
  const int height = std::max<int>(window.bottom - window.top, minHeight);
  SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + w, height,
               SWP_NOMOVE | SWP_NOZORDER);
  MoveWindow(GetDlgItem(dialog, IDC_TEXT_FRAME_BAR), 0, h, w,
             GetSystemMetrics(SM_CYHSCROLL) - GetSystemMetrics(SM_CYEDGE), TRUE);
  for (int id : {IDC_TEXT_BOX, IDC_TEXT_FONT, IDC_TEXT_OK, IDC_TEXT_CANCEL})
    MoveRight(dialog, id, w);
}

bool OpenTextDialog(HWND dialog) {
  gTextDrawing = TextDrawingState{};
  gTextDrawing.font = DefaultTextFont();
  FirstFrameInfo info;
  bool ready = false;
  // A pane larger than any frame: no panning bars are asked for.
  if (!OpenFirstFrameForPreview(dialog, &ready, PreviewPane{0, 0, 1 << 30}, false, &info))
    return false;
  gTextDrawing.width = info.width;
  gTextDrawing.height = info.height;
  HWND bar = GetDlgItem(dialog, IDC_TEXT_FRAME_BAR);
  SetScrollRange(bar, SB_CTL, gRangeDialog.textFirst, gRangeDialog.textLast, FALSE);
  SetScrollPos(bar, SB_CTL, gRangeDialog.textFirst, TRUE);
  gTextDrawing.ready = true;
  SendDlgItemMessageW(dialog, IDC_TEXT_BOX, EM_LIMITTEXT, kTextLimit, 0);
  SetDlgItemTextW(dialog, IDC_TEXT_BOX, L"");
  FitToFrame(dialog);
  return true;
}

void PaintTextDialog(HWND dialog) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog, &ps);
  if (gTextDrawing.ready) {
    PlayerVideo v;
    if (OpenPlayerVideo(&v)) {
      const LONG frame = GetScrollPos(GetDlgItem(dialog, IDC_TEXT_FRAME_BAR), SB_CTL);
      const auto* dib =
          static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(v.frames, frame));
      if (dib)
        PaintPreview(dialog, dib,
                     PreviewPane{0, 0, std::max(gTextDrawing.width, gTextDrawing.height)}, 0, 0);
      else
        Show(kMessageFrameFetchFailed, kTitleFailed);
      ClosePlayerVideo(&v);
    }
    FontOnDc font(dc, gTextDrawing.font, gTextDrawing.colour);
    DrawTextInFrame(dc, BoxText(dialog), gTextDrawing.x, gTextDrawing.y, gTextDrawing.width,
                    gTextDrawing.height);
  }
  EndPaint(dialog, &ps);
}

void ChooseTextFont(HWND dialog) {
  // The chooser works on a copy: it may write into its LOGFONT even when
  // cancelled, and a cancel keeps the font that was set.
  LOGFONTW chosen = gTextDrawing.font;
  CHOOSEFONTW choice{};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = dialog;
  choice.lpLogFont = &chosen;
  choice.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  choice.rgbColors = 0;
  if (ChooseFontW(&choice)) {
    gTextDrawing.font = chosen;
    gTextDrawing.colour = choice.rgbColors;
  }
  Repaint(dialog, false);
}

INT_PTR CALLBACK TextDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      if (!OpenTextDialog(dialog)) EndDialog(dialog, 0);
      return TRUE;
    case WM_PAINT: PaintTextDialog(dialog); return TRUE;
    case WM_LBUTTONDOWN:
      gTextDrawing.x = GET_X_LPARAM(lparam);
      gTextDrawing.y = GET_Y_LPARAM(lparam);
      Repaint(dialog, true);
      return TRUE;
    case WM_HSCROLL: {
      int position = 0;
      HWND bar = reinterpret_cast<HWND>(lparam);
      if (bar && TrackScrollBar(bar, LOWORD(wparam), HIWORD(wparam), &position))
        Repaint(dialog, true);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_TEXT_BOX: Repaint(dialog, false); return TRUE;
        case IDC_TEXT_FONT: ChooseTextFont(dialog); return TRUE;
        case IDC_TEXT_OK: {
          const bool done = DrawTextOnMovie(gTextDrawing.font, gTextDrawing.colour, gTextDrawing.x,
                                            gTextDrawing.y, BoxText(dialog), gRangeDialog.textFirst,
                                            gRangeDialog.textLast);
          if (done) Show(kTextMessageDone, kTextTitleRelieved, dialog);
          EndDialog(dialog, done ? 1 : 0);
          return TRUE;
        }
        case IDC_TEXT_CANCEL:
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      break;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
  }
  return FALSE;
}

}  // namespace

LOGFONTW DefaultTextFont() {
  LOGFONTW f{};
  f.lfHeight = 12;
  f.lfWeight = 400;
  f.lfCharSet = 128;  // Shift-JIS
  f.lfPitchAndFamily = 16;
  const std::wstring face = Widen(kTextDefaultFace);
  wcsncpy(f.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return f;
}

bool RunTextDialog(HWND owner) {
  return RunDialog(GetModuleHandleW(nullptr), IDD_DRAW_TEXT, owner, TextDialogProc) == 1;
}

bool DrawTextOnMovie(const LOGFONTW& font, COLORREF colour, int x, int y, const std::wstring& text,
                     LONG first, LONG last) {
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ownavi::AVIFileInit();
  PAVISTREAM video = nullptr;
  PGETFRAME frames = nullptr;
  OutputMovie* output = nullptr;
  auto release = [&] {
    if (frames) ownavi::AVIStreamGetFrameClose(frames);
    if (video) ownavi::AVIStreamRelease(video);
    ownavi::AVIFileExit();
    bool written = true;
    if (output) {
      written = CloseOutputMovie(output);
      delete output;
    }
    return written;
  };
  auto fail = [&](const char* text, const char* title) {
    if (text) Show(text, title);
    release();
    return false;
  };
  if (ownavi::AVIStreamOpenFromFileW(&video, source.c_str(), streamtypeVIDEO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0) {
    video = nullptr;
    return fail(kMessageOpenFailed, kTitleOh);
  }
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(video, &info, sizeof info) != 0)
    return fail(kMessageStreamInfoFailed, kTitleSerious);
  frames = ownavi::AVIStreamGetFrameOpen(video, nullptr);
  if (!frames) return fail(kMessageNoFrames, kTitleFailed);
  const LONG s = ownavi::AVIStreamStart(video);
  const LONG n = ownavi::AVIStreamLength(video);
  const auto* firstFrame =
      static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames, s));
  if (!firstFrame) return fail(kMessageHeaderFailed, kTitleOh);
  const int width = firstFrame->biWidth;
  const int height = firstFrame->biHeight < 0 ? -firstFrame->biHeight : firstFrame->biHeight;
  output = new OutputMovie();
  HDC dc =
      CreateOutputMovie(output, nullptr, width, height, destination, info.dwScale, info.dwRate);
  if (!dc) return fail(kMessageNoMemoryContext, kTitleOh);

  bool ok = true;
  {
    FontOnDc selected(dc, font, colour);
    for (LONG i = s; i < s + n; ++i) {
      SetProgressTitle(i, s + n);
      const auto* frame =
          static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames, i));
      if (!frame) {
        Show(kMessageFrameFetchFailed, kTitleFailed);
        ok = false;
        break;
      }
      LoadFrameIntoOutput(output, frame);
      if (i >= first && i <= last) DrawTextInFrame(dc, text, x, y, width, height);
      if (!WriteOutputFrame(output)) {
        Show(kMessageWriteFailed, kTitleFailed);
        ok = false;
        break;
      }
    }
  }
  // The file is written out as it closes; a failure then is the write's.
  if (!release() && ok) {
    Show(kMessageWriteFailed, kTitleFailed);
    ok = false;
  }
  return ok;
}
