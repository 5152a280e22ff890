// The three system-wide hotkeys with their dialog, and the sound-format dialog.
#include <windows.h>

#include <commctrl.h>

#include "capture/capture_engine_win.h"
#include "capture/sound_recording_win.h"
#include "common/dialog_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "recorder/hotkey_text.h"
#include "recorder/messages.h"
#include "recorder/recorder_app_win.h"
#include "recorder/resource.h"

namespace {
uint16_t* HotkeySetting(int id) {
  switch (id) {
    case IDC_HOTKEY_START: return &gAppSettings.hotkeyStart;
    case IDC_HOTKEY_STOP: return &gAppSettings.hotkeyStop;
    case IDC_HOTKEY_HIDE: return &gAppSettings.hotkeyHide;
    default: return nullptr;
  }
}

// The hotkey ids are the ids of their buttons on the behaviour page.
bool RegisterHotkey(int id) {
  const uint16_t hotkey = *HotkeySetting(id);
  UnregisterHotKey(gRecorderUi.mainWindow, id);
  // A cleared control gives no key at all; some systems would take that as a
  // hotkey that never fires, and the user would not hear that it is gone.
  if ((hotkey & 0xFF) == 0) return false;
  return RegisterHotKey(gRecorderUi.mainWindow, id, HotkeyRegisterModifiers(hotkey), hotkey & 0xFF);
}

void SetHotkeyCaption(int id, const std::string& caption) {
  SetWindowTextW(GetDlgItem(PageOfControl(id), id), Widen(caption).c_str());
}

void EnableStartStopHide(bool start, bool stop, bool hide) {
  const struct {
    int id;
    HWND button;
    bool enabled;
  } items[] = {{ID_START, gRecorderUi.startButton, start},
               {ID_STOP, gRecorderUi.stopButton, stop},
               {ID_MAIN_WINDOW, gRecorderUi.hideButton, hide}};
  for (const auto& item : items) {
    EnableMenuItem(gRecorderUi.trayMenu, item.id,
                   MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    EnableWindow(item.button, item.enabled);
  }
}

INT_PTR CALLBACK HotkeyDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      SendDlgItemMessageW(dialog, IDC_HOTKEY, HKM_SETHOTKEY, *reinterpret_cast<uint16_t*>(lparam),
                          0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_HOTKEY_OK: {
          auto* setting = reinterpret_cast<uint16_t*>(GetWindowLongPtrW(dialog, DWLP_USER));
          *setting =
              static_cast<uint16_t>(SendDlgItemMessageW(dialog, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0));
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDC_HOTKEY_CANCEL:
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      break;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
  }
  return FALSE;
}

// Entry positions of the shown list, into the format table.
SoundFormatList gShownFormats;

uint32_t QueryDefaultDevice() {
  return QueryWaveInFormats(WAVE_MAPPER);
}
}  // namespace

uint32_t (*gSoundFormatQuery)() = QueryDefaultDevice;

void RegisterAllHotkeys() {
  for (int id : {IDC_HOTKEY_START, IDC_HOTKEY_STOP, IDC_HOTKEY_HIDE})
    SetHotkeyCaption(id, RegisterHotkey(id) ? HotkeyText(*HotkeySetting(id)) : kHotkeyNone);
  RefreshBehaviourPage();
}

void EditHotkey(int id) {
  uint16_t* setting = HotkeySetting(id);
  if (!setting) return;
  HWND page = PageOfControl(id);
  EnableStartStopHide(false, false, false);
  const INT_PTR result = RunDialog(gRecorderUi.instance, IDD_HOTKEY, page, HotkeyDialog,
                                   reinterpret_cast<LPARAM>(setting));
  if (result == 1) {
    // A refused combination keeps its new value, tried again at the next start.
    if (RegisterHotkey(id))
      SetHotkeyCaption(id, HotkeyText(*setting));
    else
      ShowMessage(kMessageHotkeyError, kTitleHotkeyError, MessageButtons::Ok, MessageIcon::None,
                  page);
  }
  EnableStartStopHide(true, false, true);
  RefreshBehaviourPage();
}

INT_PTR CALLBACK SoundFormatDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  HWND list = GetDlgItem(dialog, IDC_SOUND_FORMATS);
  switch (message) {
    case WM_INITDIALOG:
      EnableWindow(GetDlgItem(dialog, IDC_SOUND_CANCEL), TRUE);
      gShownFormats = ListSoundFormats(gSoundFormatQuery(), &gCaptureEngine.sound);
      if (gShownFormats.count == 0) {
        EnableWindow(list, FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_SOUND_OK), FALSE);
        ShowMessage(kMessageNoSoundFormat, kTitleNoSoundFormat, MessageButtons::Ok,
                    MessageIcon::None, dialog);
        return TRUE;
      }
      for (int i = 0; i < gShownFormats.count; ++i)
        SendMessageW(
            list, CB_ADDSTRING, 0,
            reinterpret_cast<LPARAM>(Widen(SoundFormatTable[gShownFormats.entry[i]].text).c_str()));
      SendMessageW(list, CB_SETCURSEL, gShownFormats.selected, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_SOUND_OK: {
          const LRESULT at = SendMessageW(list, CB_GETCURSEL, 0, 0);
          if (at >= 0 && at < gShownFormats.count)
            gCaptureEngine.sound = SoundFormatTable[gShownFormats.entry[at]].format;
          EndDialog(dialog, IDC_SOUND_OK);
          return TRUE;
        }
        case IDC_SOUND_CANCEL:
        case IDCANCEL: EndDialog(dialog, IDC_SOUND_CANCEL); return TRUE;
      }
      break;
    case WM_CLOSE: EndDialog(dialog, IDC_SOUND_CANCEL); return TRUE;
  }
  return FALSE;
}
