// The three settings pages: their controls, how they show the settings, and
// what each control changes. The rules of enabling are page_rules.cpp's.
#include <windows.h>

#include <commctrl.h>

#include <iterator>

#include "capture/capture_engine_win.h"
#include "common/dialog_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "recorder/hotkey_text.h"
#include "recorder/messages.h"
#include "recorder/page_rules.h"
#include "recorder/recorder_app_win.h"
#include "recorder/resource.h"
#include "save/folder_browser_win.h"

namespace {
enum Page { kRangePage = 0, kRecordPage = 1, kBehaviourPage = 2 };
enum class Kind { Label, Number, Group, Button, Check, Radio, Line, List, DropDown };
// The largest number a field's spin control offers.
enum class Limit { None, ScreenWidth, ScreenHeight, Sixty };

struct ControlRow {
  Page page;
  int id;
  Kind kind;
  const wchar_t* caption;
  int x, y, width, height;
  int spinId = 0;
  int chars = 0;
  Limit limit = Limit::None;
};

// In each page's listed order; positions in the page's client area.
const ControlRow kControls[] = {
    {kRangePage, IDC_LABEL_TOP_LEFT, Kind::Label, L"左上の座標 (", 4, 8, 76, 14},
    {kRangePage, IDC_RANGE_X, Kind::Number, L"", 80, 5, 52, 18, IDC_SPIN_X, 4, Limit::ScreenWidth},
    {kRangePage, IDC_LABEL_COMMA, Kind::Label, L",", 134, 8, 8, 14},
    {kRangePage, IDC_RANGE_Y, Kind::Number, L"", 142, 5, 52, 18, IDC_SPIN_Y, 4,
     Limit::ScreenHeight},
    {kRangePage, IDC_LABEL_PAREN, Kind::Label, L")", 198, 8, 8, 14},
    {kRangePage, IDC_RANGE_GROUP, Kind::Group, L"", 2, 24, 216, 36},
    {kRangePage, IDC_LABEL_HEIGHT, Kind::Label, L"高さ", 6, 39, 26, 14},
    {kRangePage, IDC_RANGE_HEIGHT, Kind::Number, L"", 32, 36, 52, 18, IDC_SPIN_HEIGHT, 4,
     Limit::ScreenHeight},
    {kRangePage, IDC_LABEL_WIDTH, Kind::Label, L"幅", 88, 39, 14, 14},
    {kRangePage, IDC_RANGE_WIDTH, Kind::Number, L"", 102, 36, 52, 18, IDC_SPIN_WIDTH, 4,
     Limit::ScreenWidth},
    {kRangePage, IDC_SELECT_RANGE, Kind::Button, L"範囲選択", 158, 34, 58, 22},
    {kRangePage, IDC_PICK_BY_CLICK, Kind::Button, L"クリック指定", 136, 140, 80, 20},
    {kRangePage, IDC_FOLLOW_CURSOR, Kind::Check, L"カーソルを中心とする範囲を録画", 4, 64, 212, 16},
    {kRangePage, -1, Kind::Line, L"", 4, 82, 212, 2},
    {kRangePage, IDC_WINDOW_MODE, Kind::Check, L"録画ウィンドを指定", 4, 86, 212, 16},
    {kRangePage, IDC_CLIENT_ONLY, Kind::Check, L"Clientのみ録画", 4, 104, 212, 16},
    {kRangePage, IDC_ACTIVE_WINDOW, Kind::Check, L"アクティブウィンドを録画", 4, 122, 212, 16},
    {kRangePage, IDC_WINDOW_LIST, Kind::List, L"", 4, 162, 212, 36},

    {kRecordPage, IDC_LABEL_SCALE, Kind::Label, L"スケール", 4, 8, 50, 14},
    {kRecordPage, IDC_SCALE, Kind::Number, L"", 54, 5, 40, 18, IDC_SPIN_SCALE, 2, Limit::Sixty},
    {kRecordPage, IDC_LABEL_RATE, Kind::Label, L"レート", 108, 8, 38, 14},
    {kRecordPage, IDC_RATE, Kind::Number, L"", 146, 5, 40, 18, IDC_SPIN_RATE, 2, Limit::Sixty},
    {kRecordPage, IDC_REDUCE_GROUP, Kind::Group, L"縮小率", 2, 26, 216, 38},
    {kRecordPage, IDC_REDUCE_1, Kind::Radio, L"1/1", 8, 42, 48, 16},
    {kRecordPage, IDC_REDUCE_2, Kind::Radio, L"1/2", 60, 42, 48, 16},
    {kRecordPage, IDC_REDUCE_4, Kind::Radio, L"1/4", 112, 42, 48, 16},
    {kRecordPage, IDC_REDUCE_8, Kind::Radio, L"1/8", 164, 42, 48, 16},
    {kRecordPage, IDC_DRAW_CURSOR, Kind::Check, L"カーソルを録画", 4, 70, 108, 16},
    {kRecordPage, IDC_RECORD_SOUND, Kind::Check, L"録音", 116, 70, 50, 16},
    {kRecordPage, IDC_SOUND_FORMAT, Kind::Button, L"音質", 170, 68, 46, 20},
    {kRecordPage, IDC_SAVE_WITH_DIALOG, Kind::Check, L"名前を付けて保存", 4, 90, 200, 16},
    {kRecordPage, IDC_BITMAP_SEQUENCE, Kind::Check, L"ビットマップとして保存", 4, 108, 200, 16},
    {kRecordPage, IDC_USE_DIRECTDRAW, Kind::Check, L"DirectDrawの利用", 4, 126, 200, 16},
    {kRecordPage, IDC_LABEL_TEMP_CODEC, Kind::Label, L"一時ファイルの圧縮 :", 4, 150, 120, 14},
    {kRecordPage, IDC_TEMP_CODEC, Kind::DropDown, L"", 124, 146, 92, 80},

    {kBehaviourPage, IDC_HOTKEY_GROUP, Kind::Group, L"ホットキーの設定", 2, 2, 216, 90},
    {kBehaviourPage, IDC_LABEL_HOTKEY_START, Kind::Label, L"録画", 10, 22, 30, 14},
    {kBehaviourPage, IDC_LABEL_HOTKEY_STOP, Kind::Label, L"停止", 10, 46, 30, 14},
    {kBehaviourPage, IDC_LABEL_HOTKEY_HIDE, Kind::Label, L"隠す", 10, 70, 30, 14},
    {kBehaviourPage, IDC_HOTKEY_START, Kind::Button, L"", 44, 18, 166, 22},
    {kBehaviourPage, IDC_HOTKEY_STOP, Kind::Button, L"", 44, 42, 166, 22},
    {kBehaviourPage, IDC_HOTKEY_HIDE, Kind::Button, L"", 44, 66, 166, 22},
    {kBehaviourPage, IDC_SAVE_FOLDER, Kind::Button, L"保存先フォルダ指定", 4, 98, 212, 22},
    {kBehaviourPage, IDC_TEMP_FOLDER, Kind::Button, L"一時ファイルのフォルダ", 4, 124, 212, 22},
    {kBehaviourPage, IDC_SHOW_PROGRESS, Kind::Check, L"保存状況の表示", 4, 152, 200, 16},
    {kBehaviourPage, IDC_SAVE_AFTER_RECORDING, Kind::Check, L"録画後動画を保存する", 4, 170, 200,
     16},
};

const wchar_t* const kTempCodecNames[] = {L"無し", L"零ハフ圧縮", L"零長圧縮"};
const int kSpinIds[] = {IDC_SPIN_X,      IDC_SPIN_Y,     IDC_SPIN_WIDTH,
                        IDC_SPIN_HEIGHT, IDC_SPIN_SCALE, IDC_SPIN_RATE};
const struct {
  int id;
  uint8_t reduction;
} kReductions[] = {{IDC_REDUCE_1, 1}, {IDC_REDUCE_2, 2}, {IDC_REDUCE_4, 4}, {IDC_REDUCE_8, 8}};

HWND Item(Page page, int id) {
  return GetDlgItem(gRecorderUi.pages[page], id);
}

int LimitValue(Limit limit) {
  switch (limit) {
    case Limit::ScreenWidth: return GetSystemMetrics(SM_CXSCREEN) - 1;
    case Limit::ScreenHeight: return GetSystemMetrics(SM_CYSCREEN) - 1;
    case Limit::Sixty: return 60;
    default: return 0;
  }
}

int32_t* NumberSetting(int id) {
  CaptureSettings& s = gCaptureSettings;
  switch (id) {
    case IDC_RANGE_X: return &s.rangeX;
    case IDC_RANGE_Y: return &s.rangeY;
    case IDC_RANGE_WIDTH: return &s.rangeWidth;
    case IDC_RANGE_HEIGHT: return &s.rangeHeight;
    case IDC_SCALE: return &s.scale;
    case IDC_RATE: return &s.rate;
    default: return nullptr;
  }
}

uint8_t* FlagSetting(int id) {
  CaptureSettings& s = gCaptureSettings;
  switch (id) {
    case IDC_CLIENT_ONLY: return &s.clientOnly;
    case IDC_ACTIVE_WINDOW: return &s.useActiveWindow;
    case IDC_DRAW_CURSOR: return &s.drawCursor;
    case IDC_RECORD_SOUND: return &s.recordSound;
    case IDC_SAVE_WITH_DIALOG: return &gAppSettings.saveWithDialog;
    case IDC_BITMAP_SEQUENCE: return &s.bitmapSequence;
    case IDC_USE_DIRECTDRAW: return &s.useDirectDraw;
    case IDC_SHOW_PROGRESS: return &gAppSettings.showProgress;
    case IDC_SAVE_AFTER_RECORDING: return &gAppSettings.saveAfterRecording;
    default: return nullptr;
  }
}

void SetChecked(Page page, int id, bool checked) {
  SendMessageW(Item(page, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
bool IsChecked(HWND page, int id) {
  return SendMessageW(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ShowNumber(Page page, int id) {
  const int32_t value = *NumberSetting(id);
  SetDlgItemInt(gRecorderUi.pages[page], id, static_cast<UINT>(value), FALSE);
  for (const ControlRow& c : kControls)
    if (c.id == id) SendMessageW(Item(page, c.spinId), UDM_SETPOS32, 0, static_cast<LPARAM>(value));
}

void RefreshEnabling(Page page) {
  const PageState state{gCaptureSettings.captureProc != IdleCaptureProc, gRecorderUi.directDraw};
  for (const ControlRow& c : kControls) {
    if (c.page != page || c.id == -1) continue;
    EnableWindow(Item(page, c.id), PageControlEnabled(c.id, gCaptureSettings, state));
    if (c.spinId)
      EnableWindow(Item(page, c.spinId), PageControlEnabled(c.spinId, gCaptureSettings, state));
  }
}

// Runs a page refresh without the notifications it causes writing back.
template <typename F>
void Refreshing(F&& refresh) {
  const bool was = gRecorderUi.refreshing;
  gRecorderUi.refreshing = true;
  refresh();
  gRecorderUi.refreshing = was;
}

void RefreshRangeNumbers() {
  Refreshing([] {
    for (int id : {IDC_RANGE_X, IDC_RANGE_Y, IDC_RANGE_WIDTH, IDC_RANGE_HEIGHT})
      ShowNumber(kRangePage, id);
  });
}

void RefreshRecordNumbers() {
  Refreshing([] {
    ShowNumber(kRecordPage, IDC_SCALE);
    ShowNumber(kRecordPage, IDC_RATE);
  });
}

// The main window steps aside while the overlay runs, and comes back as if un-minimised.
bool Select(uint8_t mode) {
  HWND main = gRecorderUi.mainWindow;
  ShowWindow(main, SW_HIDE);
  const bool done = RunSelectionOverlay(gRecorderUi.instance, mode);
  ShowWindow(main, SW_RESTORE);
  return done;
}

void PickByClick() {
  if (gCaptureSettings.regionMode != kRegionWindow) return;
  SetCursor(LoadCursorW(gRecorderUi.instance, MAKEINTRESOURCEW(IDC_PICK_WINDOW)));
  const bool done = Select(kSelectWindow);
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
  if (!done) return;
  RefreshRangePage();
  if (gCaptureSettings.regionMode == kRegionWindow && !gRecorderUi.targetListed)
    ShowMessage(kMessageWindowNotListed, kTitleWindowNotListed);
}

// A number field changed: its setting follows, and the range is put right.
void NumberChanged(HWND page, int id) {
  BOOL read = FALSE;
  const UINT value = GetDlgItemInt(page, id, &read, FALSE);
  *NumberSetting(id) = static_cast<int32_t>(read ? value : 0);
  if (NormalizeCaptureRange()) {
    if (page == gRecorderUi.pages[kRangePage])
      RefreshRangeNumbers();
    else
      RefreshRecordNumbers();
  }
}

void BrowseFolderInto(HWND owner, std::string* setting) {
  const std::wstring start = Widen(*setting);
  lstrcpynW(gFolderPath, start.c_str(), kSavePathCapacity);
  BrowseForFolder(owner);
  // Cancelled, the buffer still holds where the browser started.
  *setting = Narrow(gFolderPath);
}

LRESULT PassOn(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallWindowProcW(gRecorderUi.staticProc, page, message, wparam, lparam);
}
}  // namespace

HWND PageOfControl(int id) {
  for (const ControlRow& c : kControls)
    if (c.id == id || (c.spinId && c.spinId == id)) return gRecorderUi.pages[c.page];
  return nullptr;
}

bool CreatePages() {
  RECT area;
  GetClientRect(gRecorderUi.tabs, &area);
  TabCtrl_AdjustRect(gRecorderUi.tabs, FALSE, &area);
  const WNDPROC procs[] = {RangePageProc, RecordPageProc, BehaviourPageProc};
  for (int i = 0; i < 3; ++i) {
    HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_NOTIFY, area.left, area.top,
                                area.right - area.left, area.bottom - area.top, gRecorderUi.tabs,
                                reinterpret_cast<HMENU>(IDC_PAGE), gRecorderUi.instance, nullptr);
    if (!page) return false;
    gRecorderUi.pages[i] = page;
    gRecorderUi.staticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procs[i])));
  }
  for (const ControlRow& c : kControls) {
    HWND parent = gRecorderUi.pages[c.page];
    const wchar_t* cls = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (c.kind) {
      case Kind::Label: cls = L"STATIC"; break;
      case Kind::Number:
        cls = L"EDIT";
        style |= WS_TABSTOP | ES_NUMBER | ES_RIGHT | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case Kind::Group: style |= BS_GROUPBOX; break;
      case Kind::Button: style |= WS_TABSTOP | BS_PUSHBUTTON; break;
      case Kind::Check: style |= WS_TABSTOP | BS_AUTOCHECKBOX; break;
      case Kind::Radio:
        style |= BS_AUTORADIOBUTTON | (c.id == IDC_REDUCE_1 ? WS_GROUP | WS_TABSTOP : 0);
        break;
      case Kind::Line:
        cls = L"STATIC";
        style |= SS_ETCHEDHORZ;
        break;
      case Kind::List:
        cls = L"LISTBOX";
        style |= WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        break;
      case Kind::DropDown:
        cls = L"COMBOBOX";
        style |= WS_TABSTOP | CBS_DROPDOWNLIST;
        break;
    }
    HWND control = CreateWindowExW(exStyle, cls, c.caption, style, c.x, c.y, c.width, c.height,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                   gRecorderUi.instance, nullptr);
    if (!control) return false;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(gRecorderUi.font), FALSE);
    if (c.kind == Kind::Number) {
      SendMessageW(control, EM_LIMITTEXT, c.chars, 0);
      HWND spin = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                  WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT |
                                      UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                  0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.spinId)),
                                  gRecorderUi.instance, nullptr);
      if (!spin) return false;
      SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(control), 0);
      SendMessageW(spin, UDM_SETRANGE32, 0, LimitValue(c.limit));
    }
    if (c.kind == Kind::DropDown)
      for (const wchar_t* name : kTempCodecNames)
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  return true;
}

void RefreshRangePage() {
  Refreshing([] {
    const CaptureSettings& s = gCaptureSettings;
    for (int id : {IDC_RANGE_X, IDC_RANGE_Y, IDC_RANGE_WIDTH, IDC_RANGE_HEIGHT})
      ShowNumber(kRangePage, id);
    // In window mode the cursor check keeps what it showed, for when the mode is left.
    if (s.regionMode != kRegionWindow)
      SetChecked(kRangePage, IDC_FOLLOW_CURSOR, s.regionMode == kRegionCursor);
    SetChecked(kRangePage, IDC_WINDOW_MODE, s.regionMode == kRegionWindow);
    SetChecked(kRangePage, IDC_CLIENT_ONLY, s.clientOnly);
    SetChecked(kRangePage, IDC_ACTIVE_WINDOW, s.useActiveWindow);
  });
  if (gCaptureSettings.regionMode == kRegionWindow) {
    FillWindowList();
    gRecorderUi.targetListed = SelectTargetInWindowList();
    // With no window to list the mode has fallen back to a fixed range.
    if (gCaptureSettings.regionMode != kRegionWindow)
      Refreshing([] { SetChecked(kRangePage, IDC_WINDOW_MODE, false); });
  }
  RefreshEnabling(kRangePage);
}

void RefreshRecordPage() {
  Refreshing([] {
    const CaptureSettings& s = gCaptureSettings;
    ShowNumber(kRecordPage, IDC_SCALE);
    ShowNumber(kRecordPage, IDC_RATE);
    for (const auto& r : kReductions) SetChecked(kRecordPage, r.id, s.reduction == r.reduction);
    for (int id : {IDC_DRAW_CURSOR, IDC_RECORD_SOUND, IDC_SAVE_WITH_DIALOG, IDC_BITMAP_SEQUENCE,
                   IDC_USE_DIRECTDRAW})
      SetChecked(kRecordPage, id, *FlagSetting(id));
    SendMessageW(Item(kRecordPage, IDC_TEMP_CODEC), CB_SETCURSEL, s.tempCodec, 0);
  });
  RefreshEnabling(kRecordPage);
}

void RefreshBehaviourPage() {
  Refreshing([] {
    SetChecked(kBehaviourPage, IDC_SHOW_PROGRESS, gAppSettings.showProgress);
    SetChecked(kBehaviourPage, IDC_SAVE_AFTER_RECORDING, gAppSettings.saveAfterRecording);
  });
  RefreshEnabling(kBehaviourPage);
}

void RefreshPageEnabling() {
  for (Page page : {kRangePage, kRecordPage, kBehaviourPage}) RefreshEnabling(page);
}

void ShowSelectedPage() {
  const int selected = TabCtrl_GetCurSel(gRecorderUi.tabs);
  for (int i = 0; i < 3; ++i) ShowWindow(gRecorderUi.pages[i], i == selected ? SW_SHOW : SW_HIDE);
}

LRESULT CALLBACK RangePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && !gRecorderUi.refreshing) {
    const int id = LOWORD(wparam);
    switch (id) {
      case IDC_RANGE_X:
      case IDC_RANGE_Y:
      case IDC_RANGE_WIDTH:
      case IDC_RANGE_HEIGHT:
        if (HIWORD(wparam) == EN_CHANGE) NumberChanged(page, id);
        break;
      case IDC_FOLLOW_CURSOR:
        gCaptureSettings.regionMode = RegionModeFromChecks(IsChecked(page, IDC_FOLLOW_CURSOR),
                                                           IsChecked(page, IDC_WINDOW_MODE));
        RefreshEnabling(kRangePage);
        break;
      case IDC_WINDOW_MODE:
        gCaptureSettings.regionMode = RegionModeFromChecks(IsChecked(page, IDC_FOLLOW_CURSOR),
                                                           IsChecked(page, IDC_WINDOW_MODE));
        if (gCaptureSettings.regionMode == kRegionWindow) {
          FillWindowList();
          SelectTargetInWindowList();
          if (gCaptureSettings.regionMode != kRegionWindow)
            Refreshing([] { SetChecked(kRangePage, IDC_WINDOW_MODE, false); });
        }
        RefreshEnabling(kRangePage);
        break;
      case IDC_WINDOW_LIST:
        // The entry is read at the start; kept as the target meanwhile.
        if (HIWORD(wparam) == LBN_SELCHANGE) {
          HWND list = GetDlgItem(page, id);
          const LRESULT at = SendMessageW(list, LB_GETCURSEL, 0, 0);
          if (at >= 0) {
            HWND w = reinterpret_cast<HWND>(SendMessageW(list, LB_GETITEMDATA, at, 0));
            gCaptureSettings.targetWindow = w;
            gCaptureEngine.selectedWindow = w;
          }
        }
        break;
      case IDC_CLIENT_ONLY:
      case IDC_ACTIVE_WINDOW:
        *FlagSetting(id) = IsChecked(page, id);
        RefreshEnabling(kRangePage);
        break;
      case IDC_SELECT_RANGE:
        if (Select(kSelectRange)) RefreshRangePage();
        break;
      case IDC_PICK_BY_CLICK: PickByClick(); break;
    }
  }
  return PassOn(page, message, wparam, lparam);
}

LRESULT CALLBACK RecordPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && !gRecorderUi.refreshing) {
    const int id = LOWORD(wparam);
    switch (id) {
      case IDC_SCALE:
      case IDC_RATE:
        if (HIWORD(wparam) == EN_CHANGE) NumberChanged(page, id);
        break;
      case IDC_REDUCE_1:
      case IDC_REDUCE_2:
      case IDC_REDUCE_4:
      case IDC_REDUCE_8:
        for (const auto& r : kReductions)
          if (r.id == id && IsChecked(page, id)) gCaptureSettings.reduction = r.reduction;
        NormalizeCaptureRange();
        break;
      case IDC_DRAW_CURSOR:
      case IDC_SAVE_WITH_DIALOG:
      case IDC_USE_DIRECTDRAW: *FlagSetting(id) = IsChecked(page, id); break;
      case IDC_RECORD_SOUND:
      case IDC_BITMAP_SEQUENCE:
        *FlagSetting(id) = IsChecked(page, id);
        RefreshEnabling(kRecordPage);
        break;
      case IDC_TEMP_CODEC:
        if (HIWORD(wparam) == CBN_SELCHANGE) {
          const LRESULT selected = SendMessageW(GetDlgItem(page, id), CB_GETCURSEL, 0, 0);
          if (selected >= 0 && selected <= 2)
            gCaptureSettings.tempCodec = static_cast<uint8_t>(selected);
        }
        break;
      case IDC_SOUND_FORMAT:
        RunDialog(gRecorderUi.instance, IDD_SOUND_FORMAT, gRecorderUi.mainWindow,
                  SoundFormatDialog);
        break;
    }
  }
  return PassOn(page, message, wparam, lparam);
}

LRESULT CALLBACK BehaviourPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && !gRecorderUi.refreshing) {
    const int id = LOWORD(wparam);
    switch (id) {
      case IDC_SHOW_PROGRESS:
      case IDC_SAVE_AFTER_RECORDING: *FlagSetting(id) = IsChecked(page, id); break;
      case IDC_HOTKEY_START:
      case IDC_HOTKEY_STOP:
      case IDC_HOTKEY_HIDE: EditHotkey(id); break;
      case IDC_SAVE_FOLDER: BrowseFolderInto(page, &gAppSettings.saveFolder); break;
      case IDC_TEMP_FOLDER: BrowseFolderInto(page, &gAppSettings.tempFolder); break;
    }
  }
  return PassOn(page, message, wparam, lparam);
}
