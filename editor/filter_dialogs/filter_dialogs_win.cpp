#include "editor/filter_dialogs/filter_dialogs_win.h"

#include "editor/filter_dialogs/filter_preview_win.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/dialog_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/commands/resource.h"
#include "editor/filter_dialogs/filter_dialog_ids.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/light_source.h"
#include "editor/pipeline/whole_movie_win.h"

FilterDialogState gFilterDialogs;

namespace {

void Show(const char* text, const char* title, HWND owner) {
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, owner);
}

std::string BoxText(HWND dialog, int id) {
  wchar_t text[32] = {};
  GetDlgItemTextW(dialog, id, text, 32);
  return Narrow(text);
}

// A value box as a number; a box that does not hold one counts as 0.
int BoxNumber(HWND dialog, int id, bool isSigned = false) {
  int value = 0;
  if (!ParseBoxNumber(BoxText(dialog, id), isSigned, &value)) return 0;
  return value;
}

void SetBox(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, Widen(text).c_str());
}

void SetBar(HWND dialog, int id, int min, int max, int position) {
  HWND bar = GetDlgItem(dialog, id);
  SetScrollRange(bar, SB_CTL, min, max, FALSE);
  SetScrollPos(bar, SB_CTL, position, TRUE);
}

void LimitBox(HWND dialog, int id, int characters) {
  SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, characters, 0);
}

bool Checked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// A bar that moves a parameter writes its position into its box.
struct BarBox {
  int bar, box;
};

// The scroll handling every previewing dialog shares. Returns true when a
// parameter bar moved (the caller repaints); a pan is repainted here.
bool HandleScroll(HWND dialog, WPARAM wparam, LPARAM lparam, const PreviewPane& pane,
                  const BarBox* pairs, int pairCount, int boxOffset = 0) {
  HWND bar = reinterpret_cast<HWND>(lparam);
  if (!bar) return false;
  const int id = GetDlgCtrlID(bar);
  int position = 0;
  if (!TrackScrollBar(bar, LOWORD(wparam), HIWORD(wparam), &position)) return false;
  if (id == IDC_PAN_HORIZONTAL || id == IDC_PAN_VERTICAL) {
    const BITMAPINFOHEADER* kept = KeptPreviewFrame();
    if (kept) {
      PaintPreview(dialog, kept, pane, PanX(dialog), PanY(dialog));
      return false;
    }
    return true;
  }
  for (int i = 0; i < pairCount; ++i)
    if (pairs[i].bar == id) {
      SetBox(dialog, pairs[i].box, std::to_string(position + boxOffset));
      return true;
    }
  return false;
}

// The paint cycle validates and erases first, then the pane is drawn on top,
// so the system's background never covers a fresh preview.
template <typename Preview>
void PaintCycle(HWND dialog, Preview preview) {
  PAINTSTRUCT ps;
  BeginPaint(dialog, &ps);
  EndPaint(dialog, &ps);
  preview();
}

void EndWith(HWND dialog, bool success) {
  EndDialog(dialog, success ? 1 : 0);
}

// ---- 104 "RGB補正" and 107 "YCrCb補正": three bars, each with its box ----

constexpr BarBox kRgbBars[] = {
    {IDC_RGB_BAR_R, IDC_RGB_BOX_R}, {IDC_RGB_BAR_G, IDC_RGB_BOX_G}, {IDC_RGB_BAR_B, IDC_RGB_BOX_B}};
constexpr int kRgbInverts[] = {IDC_RGB_INVERT_R, IDC_RGB_INVERT_G, IDC_RGB_INVERT_B};

constexpr BarBox kYCrCbBars[] = {{IDC_YCC_BAR_Y, IDC_YCC_BOX_Y},
                                 {IDC_YCC_BAR_CR, IDC_YCC_BOX_CR},
                                 {IDC_YCC_BAR_CB, IDC_YCC_BOX_CB}};

FrameFilter RgbFilter(HWND d) {
  FrameFilter f;
  f.kind = FilterKind::Rgb;
  for (int i = 0; i < 3; ++i) {
    f.ratio[i] = ClampToByte(BoxNumber(d, kRgbBars[i].box));
    f.invert[i] = Checked(d, kRgbInverts[i]);
  }
  return f;
}

FrameFilter YCrCbFilter(HWND d) {
  FrameFilter f;
  f.kind = FilterKind::YCrCb;
  for (int i = 0; i < 3; ++i) f.ycrcb[i] = ClampToByte(BoxNumber(d, kYCrCbBars[i].box));
  return f;
}

bool ProcessRgb(const FrameFilter& f) {
  return ProcessRgbCorrection(f.ratio[0], f.ratio[1], f.ratio[2], f.invert[0], f.invert[1],
                              f.invert[2]);
}

bool ProcessYCrCb(const FrameFilter& f) {
  return ProcessYCrCbCorrection(f.ycrcb[0], f.ycrcb[1], f.ycrcb[2]);
}

// What tells the two dialogs apart; their handling is the same.
struct ThreeBarDialog {
  bool* ready;
  const PreviewPane& pane;
  const BarBox* bars;
  const int* inverts;  // check boxes that change the preview; null for none
  int maximum;
  int start;
  const char* startText;
  FrameFilter (*filter)(HWND);
  bool (*process)(const FrameFilter&);
};

const ThreeBarDialog kRgbDialog{&gFilterDialogs.rgbReady,
                                kRgbPane,
                                kRgbBars,
                                kRgbInverts,
                                255,
                                255,
                                "255",
                                RgbFilter,
                                ProcessRgb};
const ThreeBarDialog kYCrCbDialog{&gFilterDialogs.ycrcbReady,
                                  kYCrCbPane,
                                  kYCrCbBars,
                                  nullptr,
                                  200,
                                  100,
                                  "100",
                                  YCrCbFilter,
                                  ProcessYCrCb};

void ThreeBarPreview(const ThreeBarDialog& t, HWND d) {
  if (!*t.ready) return;
  *t.ready = RunPreview(d, t.filter(d), t.pane, PanX(d), PanY(d));
}

INT_PTR ThreeBarDialogProc(const ThreeBarDialog& t, HWND d, UINT message, WPARAM wparam,
                           LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      *t.ready = false;
      if (!OpenFirstFrameForPreview(d, t.ready, t.pane, false)) {
        EndWith(d, false);
        return TRUE;
      }
      for (int i = 0; i < 3; ++i) {
        LimitBox(d, t.bars[i].box, 3);
        SetBar(d, t.bars[i].bar, 0, t.maximum, t.start);
        SetBox(d, t.bars[i].box, t.startText);
      }
      return TRUE;
    case WM_PAINT: PaintCycle(d, [&t, d] { ThreeBarPreview(t, d); }); return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (HandleScroll(d, wparam, lparam, t.pane, t.bars, 3)) ThreeBarPreview(t, d);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      for (int i = 0; t.inverts && i < 3; ++i) {
        if (id == t.inverts[i]) {
          ThreeBarPreview(t, d);
          return TRUE;
        }
      }
      switch (id) {
        case IDC_CONFIRM:
          if (t.process(t.filter(d))) EndWith(d, true);
          return TRUE;
        case IDC_CANCEL:
        case IDCANCEL: EndWith(d, false); return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE: EndWith(d, false); return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK RgbDialogProc(HWND d, UINT message, WPARAM wparam, LPARAM lparam) {
  return ThreeBarDialogProc(kRgbDialog, d, message, wparam, lparam);
}

INT_PTR CALLBACK YCrCbDialogProc(HWND d, UINT message, WPARAM wparam, LPARAM lparam) {
  return ThreeBarDialogProc(kYCrCbDialog, d, message, wparam, lparam);
}

// ---- 106, the single-strength filters ----

const StrengthDialogRow* CurrentStrengthRow() {
  return FindStrengthDialogRow(static_cast<int>(gFilterDialogs.kind));
}

FrameFilter StrengthFilter(HWND d, const StrengthDialogRow& row) {
  FrameFilter f;
  const int value = BoxNumber(d, IDC_STRENGTH_BOX, row.isSigned);
  switch (row.kind) {
    case DialogKind::Contrast:
      f.kind = FilterKind::Contrast;
      f.contrast = value;
      break;
    case DialogKind::Gamma:
      f.kind = FilterKind::Gamma;
      f.gamma = ClampToByte(value);
      break;
    default:
      f.kind = FilterKind::Neighbourhood;
      f.neighbourhoodKind = row.kind;
      f.strength = ClampToByte(value);
      break;
  }
  return f;
}

void StrengthPreview(HWND d) {
  if (!gFilterDialogs.strengthReady) return;
  const StrengthDialogRow* row = CurrentStrengthRow();
  if (!row) {
    Show(kMessageUnexpected, kTitleError, d);
    EndWith(d, false);
    return;
  }
  if (row->busyTitle) SetWindowTextW(d, Widen(kTitleBusyPreview).c_str());
  RunPreview(d, StrengthFilter(d, *row), kStrengthPane, PanX(d), PanY(d));
  if (row->busyTitle) SetWindowTextW(d, Widen(row->title).c_str());
}

INT_PTR CALLBACK StrengthDialogProc(HWND d, UINT message, WPARAM wparam, LPARAM lparam) {
  const StrengthDialogRow* row = CurrentStrengthRow();
  switch (message) {
    case WM_INITDIALOG:
      gFilterDialogs.strengthReady = false;
      if (!row) {
        Show(kMessageUnexpected, kTitleError, d);
        EndWith(d, false);
        return TRUE;
      }
      SetWindowTextW(d, Widen(row->title).c_str());
      if (!OpenFirstFrameForPreview(d, &gFilterDialogs.strengthReady, kStrengthPane,
                                    row->needs24Bits)) {
        EndWith(d, false);
        return TRUE;
      }
      LimitBox(d, IDC_STRENGTH_BOX, row->boxLimit);
      SetBar(d, IDC_STRENGTH_BAR, row->min, row->max, row->start);
      SetBox(d, IDC_STRENGTH_BOX, StrengthBoxText(*row, row->start));
      return TRUE;
    case WM_PAINT: PaintCycle(d, [d] { StrengthPreview(d); }); return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const BarBox bar{IDC_STRENGTH_BAR, IDC_STRENGTH_BOX};
      if (HandleScroll(d, wparam, lparam, kStrengthPane, &bar, 1, row ? row->boxOffset : 0))
        StrengthPreview(d);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_STRENGTH_CONFIRM: {
          if (!row) return TRUE;
          const FrameFilter f = StrengthFilter(d, *row);
          bool done = false;
          if (f.kind == FilterKind::Contrast)
            done = ProcessContrast(f.contrast);
          else if (f.kind == FilterKind::Gamma)
            done = ProcessGamma(f.gamma);
          else
            done = ProcessNeighbourhood(row->kind, f.strength);
          if (done) EndWith(d, true);
          return TRUE;
        }
        case IDC_STRENGTH_CANCEL:
        case IDCANCEL: EndWith(d, false); return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndWith(d, false); return TRUE;
  }
  return FALSE;
}

// ---- 108 "輪郭の抽出" ----

FrameFilter EdgeFilter(HWND d) {
  FrameFilter f;
  f.kind = FilterKind::Edge;
  f.threshold = ClampToByte(BoxNumber(d, IDC_STRENGTH_BOX));
  f.edgeOperator = Checked(d, IDC_EDGE_DIFFERENCE) ? 0 : Checked(d, IDC_EDGE_ROBERTS) ? 1 : 2;
  f.sharpenFirst = Checked(d, IDC_EDGE_SHARPEN);
  return f;
}

void EdgePreview(HWND d) {
  if (!gFilterDialogs.edgeReady) return;
  RunPreview(d, EdgeFilter(d), kEdgePane, PanX(d), PanY(d));
}

INT_PTR CALLBACK EdgeDialogProc(HWND d, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      gFilterDialogs.edgeReady = false;
      if (!OpenFirstFrameForPreview(d, &gFilterDialogs.edgeReady, kEdgePane, true)) {
        EndWith(d, false);
        return TRUE;
      }
      LimitBox(d, IDC_STRENGTH_BOX, 3);
      SetBar(d, IDC_STRENGTH_BAR, 0, 255, 50);
      SetBox(d, IDC_STRENGTH_BOX, "50");
      CheckRadioButton(d, IDC_EDGE_DIFFERENCE, IDC_EDGE_SOBEL, IDC_EDGE_DIFFERENCE);
      return TRUE;
    case WM_PAINT: PaintCycle(d, [d] { EdgePreview(d); }); return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const BarBox bar{IDC_STRENGTH_BAR, IDC_STRENGTH_BOX};
      if (HandleScroll(d, wparam, lparam, kEdgePane, &bar, 1)) EdgePreview(d);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_EDGE_DIFFERENCE:
        case IDC_EDGE_ROBERTS:
        case IDC_EDGE_SOBEL:
        case IDC_EDGE_SHARPEN: EdgePreview(d); return TRUE;
        case IDC_STRENGTH_CONFIRM: {
          const FrameFilter f = EdgeFilter(d);
          if (ProcessEdgeExtraction(f.threshold, f.edgeOperator, f.sharpenFirst)) EndWith(d, true);
          return TRUE;
        }
        case IDC_STRENGTH_CANCEL:
        case IDCANCEL: EndWith(d, false); return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndWith(d, false); return TRUE;
  }
  return FALSE;
}

// ---- 113 "カスタムフィルタ" ----

constexpr int kCoefficientBoxes[9] = {IDC_CUSTOM_C1, IDC_CUSTOM_C2, IDC_CUSTOM_C3,
                                      IDC_CUSTOM_C4, IDC_CUSTOM_C5, IDC_CUSTOM_C6,
                                      IDC_CUSTOM_C7, IDC_CUSTOM_C8, IDC_CUSTOM_C9};
constexpr int kEmbossButtons[8] = {IDC_CUSTOM_EMBOSS_TL, IDC_CUSTOM_EMBOSS_T, IDC_CUSTOM_EMBOSS_TR,
                                   IDC_CUSTOM_EMBOSS_L,  IDC_CUSTOM_EMBOSS_R, IDC_CUSTOM_EMBOSS_BL,
                                   IDC_CUSTOM_EMBOSS_B,  IDC_CUSTOM_EMBOSS_BR};
constexpr BarBox kCustomBars[] = {{IDC_CUSTOM_BAR_R, IDC_CUSTOM_BOX_R},
                                  {IDC_CUSTOM_BAR_G, IDC_CUSTOM_BOX_G},
                                  {IDC_CUSTOM_BAR_B, IDC_CUSTOM_BOX_B},
                                  {IDC_CUSTOM_STRENGTH_BAR, IDC_CUSTOM_STRENGTH_BOX}};

void ShowCoefficients(HWND d) {
  for (int i = 0; i < 9; ++i) {
    SetBox(d, kCoefficientBoxes[i], std::to_string(gFilterDialogs.coefficients[i]));
    SendDlgItemMessageW(d, IDC_CUSTOM_UPDOWN1 + i, UDM_SETPOS32, 0, gFilterDialogs.coefficients[i]);
  }
}

FrameFilter CustomFilter(HWND d) {
  FrameFilter f;
  f.kind = FilterKind::Custom;
  for (int i = 0; i < 9; ++i) f.coefficients[i] = gFilterDialogs.coefficients[i];
  f.customStrength = ClampToByte(BoxNumber(d, IDC_CUSTOM_STRENGTH_BOX));
  f.base[0] = ClampToByte(BoxNumber(d, IDC_CUSTOM_BOX_R));
  f.base[1] = ClampToByte(BoxNumber(d, IDC_CUSTOM_BOX_G));
  f.base[2] = ClampToByte(BoxNumber(d, IDC_CUSTOM_BOX_B));
  return f;
}

void CustomPreview(HWND d) {
  if (!gFilterDialogs.customReady) return;
  gFilterDialogs.customReady = RunPreview(d, CustomFilter(d), kCustomPane, PanX(d), PanY(d));
}

void SetBaseColour(HWND d, const uint8_t rgb[3]) {
  for (int i = 0; i < 3; ++i) SetBox(d, kCustomBars[i].box, std::to_string(rgb[i]));
  for (int i = 0; i < 3; ++i) SetScrollPos(GetDlgItem(d, kCustomBars[i].bar), SB_CTL, rgb[i], TRUE);
}

void ApplyPreset(HWND d, int buttonId) {
  const bool baseToo = Checked(d, IDC_CUSTOM_BASE_TOO);
  if (buttonId == IDC_CUSTOM_RANDOM) {
    uint8_t rgb[3] = {};
    DrawRandomCoefficients(gFilterDialogs.coefficients, baseToo ? rgb : nullptr);
    if (baseToo) SetBaseColour(d, rgb);
  } else {
    const CustomFilterPreset* preset = FindCustomFilterPreset(buttonId);
    if (!preset) return;
    if (baseToo) {
      const uint8_t rgb[3] = {preset->base, preset->base, preset->base};
      SetBaseColour(d, rgb);
    }
    for (int i = 0; i < 9; ++i) gFilterDialogs.coefficients[i] = preset->coefficients[i];
  }
  ShowCoefficients(d);
  CustomPreview(d);
}

INT_PTR CALLBACK CustomDialogProc(HWND d, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      static constexpr int8_t kIdentity[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
      for (int i = 0; i < 9; ++i) gFilterDialogs.coefficients[i] = kIdentity[i];
      gFilterDialogs.customReady = false;
      if (!OpenFirstFrameForPreview(d, &gFilterDialogs.customReady, kCustomPane, false)) {
        EndWith(d, false);
        return TRUE;
      }
      for (int i = 0; i < 3; ++i) {
        LimitBox(d, kCustomBars[i].box, 3);
        SetBar(d, kCustomBars[i].bar, 0, 255, 0);
        SetBox(d, kCustomBars[i].box, "0");
      }
      LimitBox(d, IDC_CUSTOM_STRENGTH_BOX, 2);
      SetBar(d, IDC_CUSTOM_STRENGTH_BAR, 1, 50, 1);
      SetBox(d, IDC_CUSTOM_STRENGTH_BOX, "1");
      for (int i = 0; i < 9; ++i) {
        LimitBox(d, kCoefficientBoxes[i], 3);
        HWND upDown = GetDlgItem(d, IDC_CUSTOM_UPDOWN1 + i);
        SendMessageW(upDown, UDM_SETBUDDY,
                     reinterpret_cast<WPARAM>(GetDlgItem(d, kCoefficientBoxes[i])), 0);
        SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(-10), 10);
      }
      ShowCoefficients(d);
      for (int id : kEmbossButtons) SendDlgItemMessageW(d, id, BM_SETSTATE, 0, 0);
      return TRUE;
    }
    case WM_PAINT: PaintCycle(d, [d] { CustomPreview(d); }); return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
      if (id >= IDC_CUSTOM_UPDOWN1 && id < IDC_CUSTOM_UPDOWN1 + 9) {
        // An arrow click sets its own coefficient; the stored values stay the
        // one source the boxes are written from.
        const int i = id - IDC_CUSTOM_UPDOWN1;
        const int position =
            static_cast<int>(SendMessageW(reinterpret_cast<HWND>(lparam), UDM_GETPOS32, 0, 0));
        gFilterDialogs.coefficients[i] = static_cast<int8_t>(position < -10  ? -10
                                                             : position > 10 ? 10
                                                                             : position);
        ShowCoefficients(d);
        CustomPreview(d);
        return TRUE;
      }
      if (HandleScroll(d, wparam, lparam, kCustomPane, kCustomBars, 4)) CustomPreview(d);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      for (int button : kEmbossButtons)
        if (id == button) {
          for (int other : kEmbossButtons) SendDlgItemMessageW(d, other, BM_SETSTATE, 0, 0);
          SendDlgItemMessageW(d, id, BM_SETSTATE, 1, 0);
          ApplyPreset(d, id);
          return TRUE;
        }
      switch (id) {
        case IDC_CUSTOM_LAPLACE4:
        case IDC_CUSTOM_LAPLACE8:
        case IDC_CUSTOM_RANDOM: ApplyPreset(d, id); return TRUE;
        case IDC_CUSTOM_HELP: Show(kMessageCustomHelp, kTitleHelp, d); return TRUE;
        case IDC_CONFIRM: {
          const FrameFilter f = CustomFilter(d);
          if (ProcessCustomFilter(f.coefficients, f.customStrength, f.base[0], f.base[1],
                                  f.base[2]))
            EndWith(d, true);
          return TRUE;
        }
        case IDC_CANCEL:
        case IDCANCEL: EndWith(d, false); return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE: EndWith(d, false); return TRUE;
  }
  return FALSE;
}

// ---- 109 "光源" ----

constexpr BarBox kLightBars[] = {{IDC_LIGHT_BAR_R, IDC_LIGHT_BOX_R},
                                 {IDC_LIGHT_BAR_G, IDC_LIGHT_BOX_G},
                                 {IDC_LIGHT_BAR_B, IDC_LIGHT_BOX_B},
                                 {IDC_LIGHT_STRENGTH_BAR, IDC_LIGHT_STRENGTH_BOX}};
constexpr PreviewPane kNoPane{0, 0, 0};
constexpr int kThumbSide = 128;
constexpr int kMarkerReach = 5;

ThumbnailRect LightThumb() {
  const FilterDialogState& g = gFilterDialogs;
  return {g.thumbLeft, g.thumbTop, g.thumbWidth, g.thumbHeight};
}

void EnableLightControls(HWND d) {
  const bool rgb = Checked(d, IDC_LIGHT_RGB_VARIES);
  const bool strength = Checked(d, IDC_LIGHT_STRENGTH_VARIES);
  const bool position = Checked(d, IDC_LIGHT_POSITION_VARIES);
  for (int id :
       {IDC_LIGHT_RGB_PERIOD, IDC_LIGHT_RGB_MODE0, IDC_LIGHT_RGB_MODE1, IDC_LIGHT_RGB_MODE2})
    EnableWindow(GetDlgItem(d, id), rgb);
  for (int id : {IDC_LIGHT_STRENGTH_PERIOD, IDC_LIGHT_STRENGTH_MODE0, IDC_LIGHT_STRENGTH_MODE1,
                 IDC_LIGHT_STRENGTH_MODE2})
    EnableWindow(GetDlgItem(d, id), strength);
  EnableWindow(GetDlgItem(d, IDC_LIGHT_POSITION_PERIOD), position);
}

void DrawMarker(HDC dc, int x, int y, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  Rectangle(dc, x - kMarkerReach, y - kMarkerReach, x + kMarkerReach, y + kMarkerReach);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

// The lit player frame as a thumbnail; nothing is kept for panning.
bool LightPreview(HWND d) {
  const FilterDialogState& g = gFilterDialogs;
  PAVISTREAM video = nullptr;
  PGETFRAME frames = nullptr;
  const BITMAPINFOHEADER* frame = nullptr;
  if (!GetPlayerFrame(&video, &frames, &frame)) return false;
  uint8_t* start = nullptr;
  int32_t stride = 0;
  bool ok = false;
  if (frame && Require24BitCopy(frame, &start, nullptr, &stride)) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame);
    std::vector<uint8_t> packed(bytes, bytes + PackedDibBytes(frame));
    FrameShape shape;
    if (MakeBottomUp(packed.data(), packed.size()) &&
        ReadFrameShape(packed.data(), packed.size(), &shape)) {
      const FramePoint p =
          MapMarkerToFrame(g.lightX, g.lightY, LightThumb(), shape.width, shape.height);
      const FrameView pixels{packed.data() + kDibHeaderBytes, shape.width, shape.height,
                             static_cast<ptrdiff_t>(stride)};
      ok = ApplyLightSource(
          pixels, p.x, p.y, LightReach(BoxNumber(d, IDC_LIGHT_STRENGTH_BOX), shape.width),
          ClampToByte(BoxNumber(d, IDC_LIGHT_BOX_R)), ClampToByte(BoxNumber(d, IDC_LIGHT_BOX_G)),
          ClampToByte(BoxNumber(d, IDC_LIGHT_BOX_B)));
      if (ok)
        PaintThumbnail(d, reinterpret_cast<const BITMAPINFOHEADER*>(packed.data()), g.thumbLeft,
                       g.thumbTop, kThumbSide);
    }
  }
  if (frames) ownavi::AVIStreamGetFrameClose(frames);
  if (video) ownavi::AVIStreamRelease(video);
  ownavi::AVIFileExit();
  return ok;
}

void LightPaint(HWND d) {
  const FilterDialogState& g = gFilterDialogs;
  if (!g.lightReady) return;
  HDC dc = GetDC(d);
  if (!dc) return;
  // The band around the thumbnail, where old markers were.
  const int l = g.thumbLeft, t = g.thumbTop, r = l + g.thumbWidth, b = t + g.thumbHeight;
  const RECT band[4] = {{l - kMarkerReach, t - kMarkerReach, l, b + kMarkerReach},
                        {r, t - kMarkerReach, r + kMarkerReach, b + kMarkerReach},
                        {l, t - kMarkerReach, r, t},
                        {l, b, r, b + kMarkerReach}};
  for (const RECT& rect : band) FillRect(dc, &rect, GetSysColorBrush(COLOR_MENU));
  LightPreview(d);
  DrawMarker(dc, g.lightX, g.lightY, RGB(0, 255, 0));
  if (Checked(d, IDC_LIGHT_POSITION_VARIES)) {
    DrawMarker(dc, g.endX, g.endY, RGB(255, 0, 0));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, g.lightX, g.lightY, nullptr);
    LineTo(dc, g.endX, g.endY);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  ReleaseDC(d, dc);
}

void MoveDraggedMarker(int x, int y) {
  FilterDialogState& g = gFilterDialogs;
  int* mx = g.drag == 1 ? &g.lightX : &g.endX;
  int* my = g.drag == 1 ? &g.lightY : &g.endY;
  if (x >= g.thumbLeft && x <= g.thumbLeft + g.thumbWidth) *mx = x;
  if (y >= g.thumbTop && y <= g.thumbTop + g.thumbHeight) *my = y;
}

bool Near(int x, int y, int mx, int my) {
  return std::abs(x - mx) <= kMarkerReach && std::abs(y - my) <= kMarkerReach;
}

int CheckedMode(HWND d, int first, int second) {
  return Checked(d, first) ? 0 : Checked(d, second) ? 1 : 2;
}

// A period box holds at least 2; an empty box is left for the user to fill.
int PeriodOf(HWND d, int box) {
  const int period = BoxNumber(d, box);
  return period < 2 ? 2 : period;
}

LightAnimationSettings LightSettings(HWND d) {
  const FilterDialogState& g = gFilterDialogs;
  LightAnimationSettings s;
  s.markerX = g.lightX, s.markerY = g.lightY;
  s.red = ClampToByte(BoxNumber(d, IDC_LIGHT_BOX_R));
  s.green = ClampToByte(BoxNumber(d, IDC_LIGHT_BOX_G));
  s.blue = ClampToByte(BoxNumber(d, IDC_LIGHT_BOX_B));
  s.strength = ClampToByte(BoxNumber(d, IDC_LIGHT_STRENGTH_BOX));
  s.rgbPeriod = Checked(d, IDC_LIGHT_RGB_VARIES) ? PeriodOf(d, IDC_LIGHT_RGB_PERIOD) : 0;
  s.rgbMode = CheckedMode(d, IDC_LIGHT_RGB_MODE0, IDC_LIGHT_RGB_MODE1);
  s.strengthPeriod =
      Checked(d, IDC_LIGHT_STRENGTH_VARIES) ? PeriodOf(d, IDC_LIGHT_STRENGTH_PERIOD) : 0;
  s.strengthMode = CheckedMode(d, IDC_LIGHT_STRENGTH_MODE0, IDC_LIGHT_STRENGTH_MODE1);
  const bool moved = g.lightX != g.endX || g.lightY != g.endY;
  s.positionPeriod =
      Checked(d, IDC_LIGHT_POSITION_VARIES) && moved ? PeriodOf(d, IDC_LIGHT_POSITION_PERIOD) : 0;
  s.endX = g.endX, s.endY = g.endY;
  s.thumb = LightThumb();
  return s;
}

INT_PTR CALLBACK LightDialogProc(HWND d, UINT message, WPARAM wparam, LPARAM lparam) {
  FilterDialogState& g = gFilterDialogs;
  switch (message) {
    case WM_INITDIALOG: {
      g.lightX = g.lightY = g.endX = g.endY = 74;
      g.drag = 0;
      g.lightReady = false;
      FirstFrameInfo info;
      if (!OpenFirstFrameForPreview(d, &g.lightReady, kNoPane, true, &info)) {
        // Without a movie the dialog stays, without a thumbnail; anything
        // wrong with the movie itself closes it.
        if (info.failure == FirstFrameInfo::Failure::Other) {
          EndWith(d, false);
          return TRUE;
        }
      } else {
        const ThumbnailRect t = ComputeThumbnailRect(info.width, info.height);
        g.thumbLeft = t.left, g.thumbTop = t.top, g.thumbWidth = t.width, g.thumbHeight = t.height;
        g.frameWidth = info.width, g.frameHeight = info.height;
      }
      for (const BarBox& b : kLightBars) LimitBox(d, b.box, 3);
      for (int i = 0; i < 3; ++i) {
        SetBar(d, kLightBars[i].bar, 0, 255, 255);
        SetBox(d, kLightBars[i].box, "255");
      }
      SetBar(d, IDC_LIGHT_STRENGTH_BAR, 0, 255, 50);
      SetBox(d, IDC_LIGHT_STRENGTH_BOX, "50");
      for (int id : {IDC_LIGHT_RGB_PERIOD, IDC_LIGHT_STRENGTH_PERIOD, IDC_LIGHT_POSITION_PERIOD})
        SetBox(d, id, "50");
      CheckRadioButton(d, IDC_LIGHT_RGB_MODE0, IDC_LIGHT_RGB_MODE2, IDC_LIGHT_RGB_MODE0);
      CheckRadioButton(d, IDC_LIGHT_STRENGTH_MODE0, IDC_LIGHT_STRENGTH_MODE2,
                       IDC_LIGHT_STRENGTH_MODE0);
      EnableLightControls(d);
      return TRUE;
    }
    case WM_PAINT: PaintCycle(d, [d] { LightPaint(d); }); return TRUE;
    case WM_LBUTTONDOWN: {
      const int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
      if (Near(x, y, g.lightX, g.lightY))
        g.drag = 1;
      else if (Near(x, y, g.endX, g.endY) && Checked(d, IDC_LIGHT_POSITION_VARIES))
        g.drag = 2;
      else
        return TRUE;
      MoveDraggedMarker(x, y);
      return TRUE;
    }
    case WM_MOUSEMOVE:
      if (g.drag) {
        MoveDraggedMarker(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        LightPaint(d);
      }
      return TRUE;
    case WM_LBUTTONUP: g.drag = 0; return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (HandleScroll(d, wparam, lparam, kNoPane, kLightBars, 4)) LightPaint(d);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_LIGHT_RGB_PERIOD:
        case IDC_LIGHT_STRENGTH_PERIOD:
        case IDC_LIGHT_POSITION_PERIOD: {
          int period = 0;
          if (HIWORD(wparam) == EN_CHANGE &&
              ParseBoxNumber(BoxText(d, LOWORD(wparam)), false, &period) && period <= 1)
            SetBox(d, LOWORD(wparam), "2");
          return TRUE;
        }
        case IDC_LIGHT_POSITION_VARIES:
          LightPaint(d);
          EnableLightControls(d);
          return TRUE;
        case IDC_LIGHT_RGB_VARIES:
        case IDC_LIGHT_STRENGTH_VARIES: EnableLightControls(d); return TRUE;
        case IDC_CONFIRM:
          if (ProcessLightSource(LightSettings(d))) EndWith(d, true);
          return TRUE;
        case IDC_CANCEL:
        case IDCANCEL: EndWith(d, false); return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndWith(d, false); return TRUE;
  }
  return FALSE;
}

struct DialogRoute {
  int command;
  int templateId;
  DLGPROC proc;
  int kind;  // stored for dialog 106, or -1
};

constexpr DialogRoute kRoutes[] = {
    {ID_RGB, IDD_RGB, RgbDialogProc, -1},
    {ID_YCRCB, IDD_YCRCB, YCrCbDialogProc, -1},
    {ID_CONTRAST, IDD_STRENGTH, StrengthDialogProc, static_cast<int>(DialogKind::Contrast)},
    {ID_GAMMA, IDD_STRENGTH, StrengthDialogProc, static_cast<int>(DialogKind::Gamma)},
    {ID_BLUR, IDD_STRENGTH, StrengthDialogProc, static_cast<int>(DialogKind::Blur)},
    {ID_MEDIAN, IDD_STRENGTH, StrengthDialogProc, static_cast<int>(DialogKind::Median)},
    {ID_UNSHARP, IDD_STRENGTH, StrengthDialogProc, static_cast<int>(DialogKind::UnsharpMask)},
    {ID_WATERCOLOUR, IDD_STRENGTH, StrengthDialogProc, static_cast<int>(DialogKind::Watercolour)},
    {ID_EDGE, IDD_EDGE, EdgeDialogProc, -1},
    {ID_LIGHT, IDD_LIGHT, LightDialogProc, -1},
    {ID_CUSTOM, IDD_CUSTOM, CustomDialogProc, -1},
};

}  // namespace

bool RunFilterDialog(HWND owner, int commandId) {
  // The custom dialog's up-down controls.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  for (const DialogRoute& r : kRoutes) {
    if (r.command != commandId) continue;
    if (r.kind >= 0) gFilterDialogs.kind = static_cast<DialogKind>(r.kind);
    return RunDialog(GetModuleHandleW(nullptr), r.templateId, owner, r.proc) == 1;
  }
  return false;
}

bool RunRgbDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_RGB);
}
bool RunYCrCbDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_YCRCB);
}
bool RunContrastDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_CONTRAST);
}
bool RunGammaDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_GAMMA);
}
bool RunBlurDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_BLUR);
}
bool RunMedianDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_MEDIAN);
}
bool RunUnsharpMaskDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_UNSHARP);
}
bool RunWatercolourDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_WATERCOLOUR);
}
bool RunEdgeDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_EDGE);
}
bool RunLightDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_LIGHT);
}
bool RunCustomDialog() {
  return RunFilterDialog(gEditorWindows.mainWindow, ID_CUSTOM);
}
