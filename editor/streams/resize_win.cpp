// "画像のサイズを変える": dialog 114 and the run that scales every frame.
#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>
#include "platform/avi/avi_handles_win.h"

#include <commctrl.h>

#include <cstdio>

#include "common/dialog_win.h"
#include "common/dib_geometry.h"
#include "common/message.h"
#include "common/progress_title_win.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/streams/area_scale.h"
#include "editor/streams/stream_rules.h"
#include "editor/streams/streams_common_win.h"
#include "editor/streams/streams_resource.h"
#include "editor/streams/streams_win.h"

namespace {

void Show(const char* text, const char* title, HWND owner = nullptr) {
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, owner);
}

int32_t FrameHeight(const BITMAPINFOHEADER* frame) {
  return frame->biHeight < 0 ? -frame->biHeight : frame->biHeight;
}

// The pixel rows of a 24-bit frame from the bottom one up, however stored.
Frame24View BottomUpRows(const BITMAPINFOHEADER* frame) {
  auto* pixels = reinterpret_cast<uint8_t*>(const_cast<BITMAPINFOHEADER*>(frame)) +
                 PixelOffset(frame->biBitCount, frame->biCompression, frame->biClrUsed);
  const auto stride = static_cast<ptrdiff_t>(DibStride(frame->biWidth, 24));
  const int32_t height = FrameHeight(frame);
  if (frame->biHeight > 0) return {pixels, frame->biWidth, height, stride};
  return {pixels + (height - 1) * stride, frame->biWidth, height, -stride};
}

// The output movie of one run, closed and destroyed with the run.
struct OutputOwner {
  OutputMovie movie;
  bool open = false;
  bool Close() {
    const bool written = !open || CloseOutputMovie(&movie);
    open = false;
    return written;
  }
  ~OutputOwner() { Close(); }
};

}  // namespace

bool ResizeMovie(uint32_t percent) {
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ScopedAviServices services;
  UniqueAviStream video;
  if (ownavi::AVIStreamOpenFromFileW(video.put(), source.c_str(), streamtypeVIDEO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0) {
    Show(kMessageOpenFailed, kTitleOh);
    return false;
  }
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(video.get(), &info, sizeof info) != 0) {
    Show(kMessageStreamInfoFailed, kTitleSerious);
    return false;
  }
  UniqueGetFrame frames(ownavi::AVIStreamGetFrameOpen(video.get(), nullptr));
  if (!frames) {
    Show(kMessageNoFrames, kTitleFailed);
    return false;
  }
  const LONG start = ownavi::AVIStreamStart(video.get());
  const LONG end = start + ownavi::AVIStreamLength(video.get());
  const auto* first =
      static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames.get(), start));
  if (!first) {
    Show(kMessageHeaderFailed, kTitleOh);
    return false;
  }
  int32_t width = 0, height = 0;
  if (!ResizedSize(first->biWidth, FrameHeight(first), percent, &width, &height)) {
    // A side of no pixels would make an output no reader takes: refused
    // before the file is created.
    Show(percent < 100 ? kMessageResizeTooSmall : kMessageResizeTooLarge, kTitleMayNot);
    return false;
  }
  OutputOwner output;
  HDC dc = CreateOutputMovie(&output.movie, nullptr, width, height, destination, info.dwScale,
                             info.dwRate);
  if (!dc) {
    Show(kMessageNoMemoryContext, kTitleOh);
    return false;
  }
  output.open = true;
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  // 24-bit frames are averaged over the area each output pixel covers, as
  // halftone does, by our own loop: the platform's halftone takes several
  // times longer under Wine. Other depths go through the platform.
  AreaScaler scaler;
  StartAreaScaler(&scaler, first->biWidth, FrameHeight(first), width, height);
  const Frame24View target{output.movie.pixels, width, height,
                           static_cast<ptrdiff_t>(DibStride(width, 24))};
  ProgressTitle progress{gEditorWindows.mainWindow};
  for (LONG i = start; i < end; ++i) {
    ShowProgressTitle(&progress, i == end - 1, [&] {
      char title[32];
      std::snprintf(title, sizeof title, kFrameProgressTitle, static_cast<int>(i),
                    static_cast<int>(end));
      return std::string(title);
    });
    const auto* frame =
        static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames.get(), i));
    if (!frame) {
      Show(kMessageFrameFetchFailed, kTitleFailed);
      return false;
    }
    if (frame->biBitCount == 24 && frame->biCompression == BI_RGB &&
        frame->biWidth == scaler.sourceWidth && FrameHeight(frame) == scaler.sourceHeight) {
      GdiFlush();
      ScaleByArea(&scaler, BottomUpRows(frame), target);
    } else {
      DrawFrameScaled(dc, frame, width, height);
    }
    if (!WriteOutputFrame(&output.movie)) {
      Show(kMessageWriteFailed, kTitleFailed);
      return false;
    }
  }
  frames.reset();
  video.reset();
  UniqueAviStream audio;
  if (ownavi::AVIStreamOpenFromFileW(audio.put(), source.c_str(), streamtypeAUDIO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) == 0 &&
      audio &&
      ShowMessage(kMessageSaveAudio, kTitleByTheWay, MessageButtons::YesNo) == MessageAnswer::Yes) {
    SetMainTitle(kTitleSavingAudio);
    CopyStreamToOutput(&output.movie, audio.get(), -1, -1);
  }
  audio.reset();
  // The file is written out as it closes: a full disk then is a failed write.
  if (!output.Close()) {
    Show(kMessageWriteFailed, kTitleFailed);
    return false;
  }
  return true;
}

namespace {

INT_PTR CALLBACK ResizeDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND upDown = GetDlgItem(dialog, IDC_RESIZE_UPDOWN);
      SendMessageW(upDown, UDM_SETBUDDY,
                   reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_RESIZE_PERCENT)), 0);
      SendMessageW(upDown, UDM_SETRANGE, 0, MAKELPARAM(500, 1));
      SendMessageW(upDown, UDM_SETPOS, 0, MAKELPARAM(100, 0));
      SetDlgItemInt(dialog, IDC_RESIZE_PERCENT, 100, FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_RESIZE_PERCENT:
          if (HIWORD(wparam) == EN_CHANGE) {
            // A typed 0 lies outside the up-down's range, which it reports as
            // an error beside its old position: the box's own number counts then.
            HWND upDown = GetDlgItem(dialog, IDC_RESIZE_UPDOWN);
            const LRESULT reply = SendMessageW(upDown, UDM_GETPOS, 0, 0);
            BOOL number = FALSE;
            const int typed =
                static_cast<int>(GetDlgItemInt(dialog, IDC_RESIZE_PERCENT, &number, TRUE));
            if (static_cast<short>(LOWORD(reply)) <= 0 ||
                (HIWORD(reply) != 0 && number && typed <= 0))
              SendMessageW(upDown, UDM_SETPOS, 0, MAKELPARAM(1, 0));
          }
          return TRUE;
        case IDC_RESIZE_OK:
          if (ResizeMovie(GetDlgItemInt(dialog, IDC_RESIZE_PERCENT, nullptr, FALSE))) {
            Show(kMessageResizeDone, kTitleSmile, dialog);
            EndDialog(dialog, 1);
          }
          return TRUE;
        case IDC_RESIZE_CANCEL:
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
  }
  return FALSE;
}

}  // namespace

bool RunResizeDialog(HWND mainWindow) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  return RunDialog(GetModuleHandleW(nullptr), IDD_RESIZE, mainWindow, ResizeDialogProc) == 1;
}
