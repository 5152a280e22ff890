// "情報を変更する": dialog 103 edits the headers of the player's file's video
// and sound streams and saves a copy that carries them.
#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>
#include "platform/avi/avi_handles_win.h"

#include <cwchar>

#include "common/dialog_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/editing/save_conventions_win.h"
#include "editor/filter_dialogs/filter_preview_win.h"
#include "editor/streams/streams_common_win.h"
#include "editor/streams/streams_resource.h"
#include "editor/streams/streams_win.h"

namespace {

constexpr int kQualityChars = 5;
constexpr int kNameChars = 63;
constexpr int kQualityBarEnd = 10001;  // position = quality + 1

// One column of the dialog: which edits hold which header fields.
struct StreamColumn {
  int priority, scale, rate, start, name, compress;
};
constexpr StreamColumn kVideoColumn{IDC_INFO_VIDEO_PRIORITY, IDC_INFO_VIDEO_SCALE,
                                    IDC_INFO_VIDEO_RATE,     IDC_INFO_VIDEO_START,
                                    IDC_INFO_VIDEO_NAME,     IDC_INFO_VIDEO_COMPRESS};
constexpr StreamColumn kAudioColumn{IDC_INFO_AUDIO_PRIORITY, IDC_INFO_AUDIO_SCALE,
                                    IDC_INFO_AUDIO_RATE,     IDC_INFO_AUDIO_START,
                                    IDC_INFO_AUDIO_NAME,     IDC_INFO_AUDIO_COMPRESS};
constexpr int kVideoOnlyControls[] = {IDC_INFO_VIDEO_QUALITY, IDC_INFO_QUALITY_BAR,
                                      IDC_INFO_VIDEO_LEFT,    IDC_INFO_VIDEO_TOP,
                                      IDC_INFO_VIDEO_RIGHT,   IDC_INFO_VIDEO_BOTTOM};
constexpr int kRectControls[] = {IDC_INFO_VIDEO_LEFT, IDC_INFO_VIDEO_TOP, IDC_INFO_VIDEO_RIGHT,
                                 IDC_INFO_VIDEO_BOTTOM};

// The dialog's state from its start to its end.
struct StreamInfoDialog {
  std::wstring file;
  bool servicesStarted = false;
  PAVISTREAM video = nullptr;
  PAVISTREAM audio = nullptr;
  AVISTREAMINFOW videoInfo{};
  AVISTREAMINFOW audioInfo{};
  SaveOptions videoOptions;
  SaveOptions audioOptions;
  bool saved = false;
};
StreamInfoDialog gStreamInfo;

void Show(const char* text, const char* title, HWND owner) {
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, owner);
}

// Frees the options, releases the streams and ends the AVI services, then
// the dialog.
void EndStreamInfo(HWND dialog, INT_PTR result) {
  FreeSaveOptions(&gStreamInfo.videoOptions);
  FreeSaveOptions(&gStreamInfo.audioOptions);
  if (gStreamInfo.video) ownavi::AVIStreamRelease(gStreamInfo.video);
  if (gStreamInfo.audio) ownavi::AVIStreamRelease(gStreamInfo.audio);
  gStreamInfo.video = gStreamInfo.audio = nullptr;
  if (gStreamInfo.servicesStarted) ownavi::AVIFileExit();
  gStreamInfo.servicesStarted = false;
  EndDialog(dialog, result);
}

void ShowColumn(HWND dialog, const StreamColumn& c, const AVISTREAMINFOW& info) {
  SetDlgItemInt(dialog, c.priority, info.wPriority, FALSE);
  SetDlgItemInt(dialog, c.scale, info.dwScale, FALSE);
  SetDlgItemInt(dialog, c.rate, info.dwRate, FALSE);
  SetDlgItemInt(dialog, c.start, info.dwStart, FALSE);
  wchar_t name[kNameChars + 1] = {};
  wcsncpy(name, info.szName, kNameChars);
  SetDlgItemTextW(dialog, c.name, name);
}

void EnableColumn(HWND dialog, const StreamColumn& c, bool enable, bool video) {
  for (int id : {c.priority, c.scale, c.rate, c.start, c.name, c.compress})
    EnableWindow(GetDlgItem(dialog, id), enable);
  if (video)
    for (int id : kVideoOnlyControls) EnableWindow(GetDlgItem(dialog, id), enable);
}

void ReadColumn(HWND dialog, const StreamColumn& c, AVISTREAMINFOW* info) {
  info->wPriority = static_cast<WORD>(GetDlgItemInt(dialog, c.priority, nullptr, FALSE));
  info->dwScale = GetDlgItemInt(dialog, c.scale, nullptr, FALSE);
  info->dwRate = GetDlgItemInt(dialog, c.rate, nullptr, FALSE);
  info->dwStart = GetDlgItemInt(dialog, c.start, nullptr, FALSE);
  wchar_t name[64] = {};
  GetDlgItemTextW(dialog, c.name, name, 64);
  std::memset(info->szName, 0, sizeof info->szName);
  wcsncpy(info->szName, name, 63);
}

bool OpenStreams(HWND dialog) {
  gStreamInfo.file = PlayerFileName();
  if (gStreamInfo.file.empty()) {
    Show(kMessageNoFile, kTitleCannotSay, dialog);
    return false;
  }
  if (!HasExtension(gStreamInfo.file, L".avi") && !HasExtension(gStreamInfo.file, L".wav")) {
    Show(kMessageNotProcessable, kTitleCannotSay, dialog);
    return false;
  }
  ownavi::AVIFileInit();
  gStreamInfo.servicesStarted = true;
  const wchar_t* file = gStreamInfo.file.c_str();
  if (ownavi::AVIStreamOpenFromFileW(&gStreamInfo.video, file, streamtypeVIDEO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0)
    gStreamInfo.video = nullptr;
  if (ownavi::AVIStreamOpenFromFileW(&gStreamInfo.audio, file, streamtypeAUDIO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0)
    gStreamInfo.audio = nullptr;
  if (gStreamInfo.video && ownavi::AVIStreamInfoW(gStreamInfo.video, &gStreamInfo.videoInfo,
                                                  sizeof gStreamInfo.videoInfo) != 0) {
    Show(kMessageVideoInfoFailed, kTitleOh, dialog);
    return false;
  }
  if (gStreamInfo.audio && ownavi::AVIStreamInfoW(gStreamInfo.audio, &gStreamInfo.audioInfo,
                                                  sizeof gStreamInfo.audioInfo) != 0) {
    Show(kMessageAudioInfoFailed, kTitleOh, dialog);
    return false;
  }
  return true;
}

void Start(HWND dialog) {
  gStreamInfo = StreamInfoDialog();
  ClearSaveOptions(&gStreamInfo.videoOptions, 1);
  ClearSaveOptions(&gStreamInfo.audioOptions, 1);
  SendDlgItemMessageW(dialog, IDC_INFO_VIDEO_QUALITY, EM_LIMITTEXT, kQualityChars, 0);
  SendDlgItemMessageW(dialog, IDC_INFO_VIDEO_NAME, EM_LIMITTEXT, kNameChars, 0);
  SendDlgItemMessageW(dialog, IDC_INFO_AUDIO_NAME, EM_LIMITTEXT, kNameChars, 0);
  SetScrollRange(GetDlgItem(dialog, IDC_INFO_QUALITY_BAR), SB_CTL, 0, kQualityBarEnd, FALSE);
  if (!OpenStreams(dialog)) {
    EndStreamInfo(dialog, 0);
    return;
  }
  if (gStreamInfo.video) {
    const AVISTREAMINFOW& v = gStreamInfo.videoInfo;
    ShowColumn(dialog, kVideoColumn, v);
    const int quality = static_cast<int>(v.dwQuality);
    SetDlgItemInt(dialog, IDC_INFO_VIDEO_QUALITY, static_cast<UINT>(quality), TRUE);
    SetScrollPos(GetDlgItem(dialog, IDC_INFO_QUALITY_BAR), SB_CTL, quality + 1, TRUE);
    const LONG sides[] = {v.rcFrame.left, v.rcFrame.top, v.rcFrame.right, v.rcFrame.bottom};
    for (int i = 0; i < 4; ++i)
      SetDlgItemInt(dialog, kRectControls[i], static_cast<UINT>(sides[i]), FALSE);
  }
  if (gStreamInfo.audio) ShowColumn(dialog, kAudioColumn, gStreamInfo.audioInfo);
  EnableColumn(dialog, kVideoColumn, gStreamInfo.video != nullptr, true);
  EnableColumn(dialog, kAudioColumn, gStreamInfo.audio != nullptr, false);
}

void ChooseOptions(PAVISTREAM stream, SaveOptions* options) {
  FreeSaveOptions(options);
  if (!ChooseSaveOptions(options, 1, &stream)) ClearSaveOptions(options, 1);
}

void Save(HWND dialog) {
  UniqueAviStream videoCopy, audioCopy;
  auto copy = [&](PAVISTREAM stream, AVISTREAMINFOW* info, UniqueAviStream* out) {
    if (!stream) return true;
    if (ownavi::CreateEditableStream(out->put(), stream) != 0) {
      Show(kMessageEditableFailed, kTitleTrouble, dialog);
      return false;
    }
    if (ownavi::EditStreamSetInfoW(out->get(), info, sizeof *info) != 0) {
      Show(kMessageInfoSetFailed, kTitleTrouble, dialog);
      return false;
    }
    return true;
  };
  if (gStreamInfo.video) {
    AVISTREAMINFOW& v = gStreamInfo.videoInfo;
    ReadColumn(dialog, kVideoColumn, &v);
    v.dwQuality = static_cast<DWORD>(
        static_cast<int>(GetDlgItemInt(dialog, IDC_INFO_VIDEO_QUALITY, nullptr, TRUE)));
    LONG* sides[] = {&v.rcFrame.left, &v.rcFrame.top, &v.rcFrame.right, &v.rcFrame.bottom};
    for (int i = 0; i < 4; ++i)
      *sides[i] = static_cast<LONG>(GetDlgItemInt(dialog, kRectControls[i], nullptr, FALSE));
  }
  if (gStreamInfo.audio) ReadColumn(dialog, kAudioColumn, &gStreamInfo.audioInfo);
  if (!copy(gStreamInfo.video, &gStreamInfo.videoInfo, &videoCopy) ||
      !copy(gStreamInfo.audio, &gStreamInfo.audioInfo, &audioCopy)) {
    audioCopy.reset();
    videoCopy.reset();
    EndStreamInfo(dialog, 0);
    return;
  }
  const bool withVideo = gStreamInfo.video != nullptr;
  const FileDialogRow row = withVideo
                                ? FileDialogRow{"avi(*.avi)", "*.avi", kBurnSaveDialogTitle, "AVI"}
                                : FileDialogRow{"wav(*.wav)", "*.wav", kBurnSaveDialogTitle, "WAV"};
  std::wstring chosen;
  if (AskSaveDestination(dialog, row, {gStreamInfo.file}, &chosen)) {
    const std::wstring name = NameDestination(chosen, withVideo ? L".AVI" : L".WAV");
    PAVISTREAM streams[2];
    AVICOMPRESSOPTIONS* options[2];
    int count = 0;
    if (videoCopy) {
      streams[count] = videoCopy.get();
      options[count++] = gStreamInfo.videoOptions.pointers[0];
    }
    if (audioCopy) {
      streams[count] = audioCopy.get();
      options[count++] = gStreamInfo.audioOptions.pointers[0];
    }
    if (SaveWithRetry(name, count, streams, options, dialog, kStreamInfoRetry)) {
      gStreamInfo.saved = true;
      Show(kMessageInfoSaved, kTitleRelieved, dialog);
    }
  }
  audioCopy.reset();
  videoCopy.reset();
  EndStreamInfo(dialog, gStreamInfo.saved ? 1 : 0);
}

INT_PTR CALLBACK StreamInfoDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: Start(dialog); return TRUE;
    case WM_HSCROLL: {
      HWND bar = reinterpret_cast<HWND>(lparam);
      int position = 0;
      if (bar == GetDlgItem(dialog, IDC_INFO_QUALITY_BAR) &&
          TrackScrollBar(bar, LOWORD(wparam), HIWORD(wparam), &position))
        SetDlgItemInt(dialog, IDC_INFO_VIDEO_QUALITY, static_cast<UINT>(position - 1), TRUE);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_INFO_VIDEO_SCALE:
        case IDC_INFO_VIDEO_RATE:
        case IDC_INFO_AUDIO_SCALE:
        case IDC_INFO_AUDIO_RATE:
          // A stream of scale or rate 0 has no time: 0 becomes 1 at once.
          if (HIWORD(wparam) == EN_CHANGE &&
              GetDlgItemInt(dialog, LOWORD(wparam), nullptr, FALSE) == 0)
            SetDlgItemInt(dialog, LOWORD(wparam), 1, FALSE);
          return TRUE;
        case IDC_INFO_VIDEO_COMPRESS:
          ChooseOptions(gStreamInfo.video, &gStreamInfo.videoOptions);
          return TRUE;
        case IDC_INFO_AUDIO_COMPRESS:
          ChooseOptions(gStreamInfo.audio, &gStreamInfo.audioOptions);
          return TRUE;
        case IDC_INFO_HELP: Show(kMessageStreamInfoHelp, kTitleStreamInfoHelp, dialog); return TRUE;
        case IDC_INFO_SAVE: Save(dialog); return TRUE;
        case IDC_INFO_CANCEL:
        case IDCANCEL: EndStreamInfo(dialog, 0); return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndStreamInfo(dialog, 0); return TRUE;
  }
  return FALSE;
}

}  // namespace

bool RunStreamInfoDialog(HWND mainWindow) {
  return RunDialog(GetModuleHandleW(nullptr), IDD_STREAM_INFO, mainWindow, StreamInfoDialogProc) ==
         1;
}
