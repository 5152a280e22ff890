#include "editor/filter_dialogs/filter_preview_win.h"

#include <cstring>
#include <vector>

#include "common/dib_geometry.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/filter_dialogs/filter_dialog_ids.h"
#include "editor/pipeline/output_movie_win.h"

namespace {

void Show(const char* text, const char* title, HWND owner = nullptr) {
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, owner);
}

int FrameHeight(const BITMAPINFOHEADER* frame) {
  return frame->biHeight < 0 ? -frame->biHeight : frame->biHeight;
}

const void* FramePixels(const BITMAPINFOHEADER* frame) {
  return reinterpret_cast<const uint8_t*>(frame) +
         PixelOffset(frame->biBitCount, frame->biCompression, frame->biClrUsed);
}

void CloseFrameAccess(PAVISTREAM video, PGETFRAME frames) {
  if (frames) ownavi::AVIStreamGetFrameClose(frames);
  if (video) ownavi::AVIStreamRelease(video);
  ownavi::AVIFileExit();
}

void PlaceBar(HWND dialog, int id, const BarPlacement& bar) {
  HWND window = GetDlgItem(dialog, id);
  if (!window) return;
  if (!bar.visible) {
    ShowWindow(window, SW_HIDE);
    SetScrollRange(window, SB_CTL, 0, 0, TRUE);
    SetScrollPos(window, SB_CTL, 0, TRUE);
    return;
  }
  MoveWindow(window, bar.x, bar.y, bar.width, bar.height, TRUE);
  SetScrollRange(window, SB_CTL, 0, bar.max, TRUE);
  SetScrollPos(window, SB_CTL, 0, TRUE);
  ShowWindow(window, SW_SHOW);
}

}  // namespace

bool OpenFirstFrameForPreview(HWND dialog, bool* ready, const PreviewPane& pane, bool demand24,
                              FirstFrameInfo* info) {
  FirstFrameInfo ignored;
  if (!info) info = &ignored;
  *info = FirstFrameInfo{};
  info->failure = FirstFrameInfo::Failure::Other;
  const std::wstring path = PlayerFileName();
  if (path.empty()) {
    Show(kMessageNoFile, kTitleCannotSay);
    info->failure = FirstFrameInfo::Failure::NoFile;
    return false;
  }
  if (!HasExtension(path, L".avi")) {
    Show(kMessageNotAviPreview, kTitleCannotSay);
    info->failure = FirstFrameInfo::Failure::NotAvi;
    return false;
  }
  ownavi::AVIFileInit();
  PAVISTREAM video = nullptr;
  if (ownavi::AVIStreamOpenFromFileW(&video, path.c_str(), streamtypeVIDEO, 0, OF_SHARE_DENY_WRITE,
                                     nullptr) != 0) {
    Show(kMessageCannotProcessPolite, kTitleSorryBut);
    CloseFrameAccess(nullptr, nullptr);
    return false;
  }
  PGETFRAME frames = ownavi::AVIStreamGetFrameOpen(video, nullptr);
  if (!frames) {
    Show(kMessageCannotProcess, kTitleApologies, dialog);
    CloseFrameAccess(video, nullptr);
    return false;
  }
  const auto* frame = static_cast<const BITMAPINFOHEADER*>(
      ownavi::AVIStreamGetFrame(frames, ownavi::AVIStreamStart(video)));
  bool ok = false;
  if (!frame) {
    Show(kMessageCannotProcessPlain, kTitleSorry);
  } else if (demand24 && frame->biBitCount != 24) {
    Show(kMessageOnly24Bit, kTitleSorry);
  } else {
    SetupPreviewScrollBars(dialog, frame, pane);
    info->failure = FirstFrameInfo::Failure::None;
    info->width = frame->biWidth;
    info->height = FrameHeight(frame);
    *ready = true;
    ok = true;
  }
  CloseFrameAccess(video, frames);
  return ok;
}

void SetupPreviewScrollBars(HWND dialog, const BITMAPINFOHEADER* frame, const PreviewPane& pane) {
  const PanBars bars = PlanPanBars(frame->biWidth, FrameHeight(frame), pane);
  PlaceBar(dialog, IDC_PAN_VERTICAL, bars.vertical);
  PlaceBar(dialog, IDC_PAN_HORIZONTAL, bars.horizontal);
}

bool PaintPreview(HWND dialog, const BITMAPINFOHEADER* frame, const PreviewPane& pane, int panX,
                  int panY) {
  if (!frame) return false;
  const int height = FrameHeight(frame);
  const PaneSource s =
      PlanPaneSource(frame->biWidth, height, frame->biHeight < 0, pane, panX, panY);
  HDC dc = GetDC(dialog);
  if (!dc) return true;
  SetDIBitsToDevice(dc, pane.x, pane.y, s.width, s.height, s.srcX, s.srcY, 0, height,
                    FramePixels(frame), reinterpret_cast<const BITMAPINFO*>(frame), DIB_RGB_COLORS);
  ReleaseDC(dialog, dc);
  return true;
}

void PaintThumbnail(HWND window, const BITMAPINFOHEADER* frame, int x, int y, int side) {
  const int height = FrameHeight(frame);
  const ThumbSize t = ThumbnailSize(frame->biWidth, height, side);
  HDC dc = GetDC(window);
  if (!dc) return;
  const int previous = SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, x, y, t.width, t.height, 0, 0, frame->biWidth, height, FramePixels(frame),
                reinterpret_cast<const BITMAPINFO*>(frame), DIB_RGB_COLORS, SRCCOPY);
  SetStretchBltMode(dc, previous);
  ReleaseDC(window, dc);
}

bool TrackScrollBar(HWND bar, int request, int thumb, int* position) {
  const int before = GetScrollPos(bar, SB_CTL);
  int min = 0, max = 0;
  GetScrollRange(bar, SB_CTL, &min, &max);
  const int after = TrackedPosition(before, request, thumb, min, max);
  *position = after;
  if (after == before) return false;
  SetScrollPos(bar, SB_CTL, after, TRUE);
  return true;
}

int PanX(HWND dialog) {
  return GetScrollPos(GetDlgItem(dialog, IDC_PAN_HORIZONTAL), SB_CTL);
}

int PanY(HWND dialog) {
  return GetScrollPos(GetDlgItem(dialog, IDC_PAN_VERTICAL), SB_CTL);
}

bool RunPreview(HWND dialog, const FrameFilter& filter, const PreviewPane& pane, int panX,
                int panY) {
  PAVISTREAM video = nullptr;
  PGETFRAME frames = nullptr;
  const BITMAPINFOHEADER* frame = nullptr;
  if (!GetPlayerFrame(&video, &frames, &frame)) return false;
  bool ok = false;
  if (!frame) {
    Show(kMessageCannotProcessPlain, kTitleSorry);
  } else {
    // Filtered in a copy of the packed frame: the reader's buffer belongs to
    // the decoder, and the copy is what is kept for panning.
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame);
    std::vector<uint8_t> packed(bytes, bytes + PackedDibBytes(frame));
    uint8_t* work = nullptr;
    uint8_t* pixelStart = nullptr;
    int32_t stride = 0;
    FrameShape shape;
    const bool haveWork =
        !FilterUsesWorkBuffer(filter) || Require24BitCopy(frame, &pixelStart, &work, &stride);
    if (haveWork && MakeBottomUp(packed.data(), packed.size()) &&
        ReadFrameShape(packed.data(), packed.size(), &shape)) {
      FilterRun run;
      ok = StartFilterRun(&run, filter, shape, work) &&
           ApplyFrameFilter(&run, packed.data(), packed.size());
    }
    delete[] work;
    if (ok) {
      KeepPreviewFrame(reinterpret_cast<const BITMAPINFOHEADER*>(packed.data()));
      PaintPreview(dialog, KeptPreviewFrame(), pane, panX, panY);
    }
  }
  CloseFrameAccess(video, frames);
  return ok;
}
