#include "editor/pipeline/output_movie_win.h"

#include <commdlg.h>

#include <cstring>
#include <memory>
#include <new>

#include "common/dib_geometry.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"

EditorWindows gEditorWindows;
UnattendedRun gUnattendedRun;
int gFailOutputWriteAt = -1;

namespace {

// A choice the user made may hold an open compressor and its state; the one a
// scripted run fills in holds nothing, and freeing it would load Video for
// Windows only to do nothing.
void FreeCompressorChoice(COMPVARS* choice) {
  if (choice->hic || choice->lpState || choice->lpbiOut || choice->lpBitsOut || choice->lpBitsPrev)
    ICCompressorFree(choice);
  *choice = COMPVARS{};
}

constexpr wchar_t kOutputStreamName[] = L"GLIMSA:VIDEO";
constexpr UINT kCreateMode = OF_WRITE | OF_CREATE | OF_SHARE_DENY_WRITE;  // 0x1041

MessageAnswer Show(const char* text, const char* title, HWND owner = nullptr,
                   MessageButtons buttons = MessageButtons::Ok) {
  return ShowMessage(text, title, buttons, MessageIcon::None, owner);
}

// The player's file, checked: one is open and it is an AVI.
bool CheckedPlayerFile(std::wstring* source) {
  *source = gUnattendedRun.active ? gUnattendedRun.source : PlayerFileName();
  if (source->empty()) {
    Show(kMessageNoFile, kTitleCannotSay);
    return false;
  }
  if (!HasExtension(*source, L".avi")) {
    Show(kMessageNotAvi, kTitleCannotSay);
    return false;
  }
  return true;
}

bool AskDestination(std::wstring* destination) {
  wchar_t path[kPathChars] = {};
  const std::wstring title = Widen(kSaveDialogTitle);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = gEditorWindows.mainWindow;
  ofn.lpstrFilter = L"avi(*.avi)\0*.avi\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = kPathChars;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = L"AVI";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&ofn)) return false;
  *destination = path;
  return true;
}

const uint8_t* PixelRows(const BITMAPINFOHEADER* frame) {
  return reinterpret_cast<const uint8_t*>(frame) +
         PixelOffset(frame->biBitCount, frame->biCompression, frame->biClrUsed);
}

int32_t Stride24(int32_t width) {
  return static_cast<int32_t>(DibStride(width, 24));
}

BITMAPINFOHEADER Format24(int32_t width, int32_t height) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(Stride24(width) * height);
  return h;
}

void ReleaseStream(PAVISTREAM* stream) {
  if (*stream) ownavi::AVIStreamRelease(*stream);
  *stream = nullptr;
}

}  // namespace

bool HasExtension(const std::wstring& path, const wchar_t* extension) {
  const size_t dot = path.find_last_of(L'.');
  const size_t slash = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
  return _wcsicmp(path.c_str() + dot, extension) == 0;
}

static std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[32768];
  DWORD n = GetFullPathNameW(path.c_str(), 32768, buffer, nullptr);
  return n == 0 || n >= 32768 ? path : std::wstring(buffer, n);
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  if (_wcsicmp(FullPath(a).c_str(), FullPath(b).c_str()) == 0) return true;
  auto identity = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(h, info) != 0;
    CloseHandle(h);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  return identity(a, &ia) && identity(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow &&
         (ia.nFileIndexHigh | ia.nFileIndexLow) != 0;
}

std::wstring PlayerFileName() {
  if (!gEditorWindows.playerWindow) return std::wstring();
  wchar_t name[kPathChars] = {};
  SendMessageW(gEditorWindows.playerWindow, MCIWNDM_GETFILENAMEW, kPathChars,
               reinterpret_cast<LPARAM>(name));
  name[kPathChars - 1] = 0;
  return name;
}

size_t PackedDibBytes(const BITMAPINFOHEADER* frame) {
  const int64_t height = frame->biHeight < 0 ? -int64_t{frame->biHeight} : frame->biHeight;
  return static_cast<size_t>(
      PixelOffset(frame->biBitCount, frame->biCompression, frame->biClrUsed) +
      DibStride(frame->biWidth, frame->biBitCount) * height);
}

bool ChooseSourceAndDestination(std::wstring* source, std::wstring* destination) {
  if (!CheckedPlayerFile(source)) return false;
  for (;;) {
    if (gUnattendedRun.active) {
      *destination = gUnattendedRun.destination;
    } else if (!AskDestination(destination)) {
      return false;
    }
    if (!SameFile(*source, *destination)) return true;
    Show(kMessageSameFile, kTitleMustNot);
    if (gUnattendedRun.active) return false;
  }
}

bool OpenMovieForProcessing(OpenedMovie* movie) {
  *movie = OpenedMovie();
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ownavi::AVIFileInit();
  auto fail = [&] {
    if (movie->frames) ownavi::AVIStreamGetFrameClose(movie->frames);
    ReleaseStream(&movie->audio);
    ReleaseStream(&movie->video);
    ownavi::AVIFileExit();
    *movie = OpenedMovie();
    return false;
  };
  if (ownavi::AVIStreamOpenFromFileW(&movie->video, source.c_str(), streamtypeVIDEO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0) {
    movie->video = nullptr;
    Show(kMessageOpenFailed, kTitleOh);
    return fail();
  }
  if (ownavi::AVIStreamOpenFromFileW(&movie->audio, source.c_str(), streamtypeAUDIO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0)
    movie->audio = nullptr;
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(movie->video, &info, sizeof info) != 0) {
    Show(kMessageStreamInfoFailed, kTitleSerious);
    return fail();
  }
  movie->frames = ownavi::AVIStreamGetFrameOpen(movie->video, nullptr);
  if (!movie->frames) {
    Show(kMessageNoFrames, kTitleFailed);
    return fail();
  }
  movie->first = ownavi::AVIStreamStart(movie->video);
  movie->end = movie->first + ownavi::AVIStreamLength(movie->video);
  movie->firstFrame =
      static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(movie->frames, movie->first));
  LONG size = 0;
  if (ownavi::AVIStreamReadFormat(movie->video, movie->first, nullptr, &size) == 0 &&
      size >= static_cast<LONG>(sizeof(BITMAPINFOHEADER))) {
    movie->format.assign(static_cast<size_t>(size), 0);
    if (ownavi::AVIStreamReadFormat(movie->video, movie->first, movie->format.data(), &size) != 0)
      movie->format.clear();
  }
  const BITMAPINFOHEADER* shape = movie->firstFrame;
  if (!shape) {
    // No frame to measure (a movie of no frames): its format gives the size.
    if (!movie->format.empty())
      shape = reinterpret_cast<const BITMAPINFOHEADER*>(movie->format.data());
    if (!shape || shape->biWidth <= 0 || shape->biHeight == 0) {
      Show(kMessageNoFrames, kTitleFailed);
      return fail();
    }
  }
  const int32_t height = shape->biHeight < 0 ? -shape->biHeight : shape->biHeight;
  movie->output = new OutputMovie();
  if (!OpenOutputMovie(movie->output, nullptr, shape->biWidth, height, destination, info.dwScale,
                       info.dwRate, !gUnattendedRun.active)) {
    delete movie->output;
    movie->output = nullptr;
    return fail();
  }
  if (!movie->firstFrame) movie->firstFrame = shape;
  return true;
}

// The memory DC and the DIB section that hold the output's picture, with
// their messages; on failure nothing of them is left.
static bool AttachOutputBitmap(OutputMovie* movie, HWND owner) {
  auto fail = [&](const char* text) {
    Show(text, kTitleTrouble, owner);
    if (movie->memoryDc) DeleteDC(movie->memoryDc);
    movie->memoryDc = nullptr;
    return false;
  };
  HDC screenDc = GetDC(owner);
  if (!screenDc) return fail(kMessageNoHdc);
  movie->memoryDc = CreateCompatibleDC(screenDc);
  if (!movie->memoryDc) {
    ReleaseDC(owner, screenDc);
    return fail(kMessageNoMemoryDc);
  }
  if (ReleaseDC(owner, screenDc) != 1) return fail(kMessageReleaseDcFailed);
  BITMAPINFOHEADER format = Format24(movie->width, movie->height);
  void* bits = nullptr;
  movie->bitmap = CreateDIBSection(movie->memoryDc, reinterpret_cast<BITMAPINFO*>(&format),
                                   DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!movie->bitmap) return fail(kMessageNoBitmap);
  // A scripted run's picture so far moves into the bitmap.
  if (!movie->memoryPixels.empty())
    std::memcpy(bits, movie->memoryPixels.data(), movie->memoryPixels.size());
  std::vector<uint8_t>().swap(movie->memoryPixels);
  movie->pixels = static_cast<uint8_t*>(bits);
  movie->previousBitmap = SelectObject(movie->memoryDc, movie->bitmap);
  return true;
}

HDC CreateOutputMovie(OutputMovie* movie, HWND owner, int32_t width, int32_t height,
                      const std::wstring& destination, DWORD scale, DWORD rate) {
  return OpenOutputMovie(movie, owner, width, height, destination, scale, rate, true)
             ? movie->memoryDc
             : nullptr;
}

bool OpenOutputMovie(OutputMovie* movie, HWND owner, int32_t width, int32_t height,
                     const std::wstring& destination, DWORD scale, DWORD rate, bool withBitmap) {
  if (movie->file || movie->memoryDc) CloseOutputMovie(movie);
  movie->width = width;
  movie->height = height;
  movie->imageSize = Stride24(width) * height;
  AVISTREAMINFOW header{};
  header.fccType = streamtypeVIDEO;
  header.dwScale = scale;
  header.dwRate = rate;
  header.dwQuality = static_cast<DWORD>(-1);
  header.rcFrame = RECT{0, 0, width, height};
  wcsncpy(header.szName, kOutputStreamName, 63);
  BITMAPINFOHEADER format = Format24(width, height);

  ownavi::AVIFileInit();
  COMPVARS& choice = movie->compressorChoice;
  choice = COMPVARS{};
  choice.cbSize = sizeof choice;
  choice.dwFlags = ICMF_COMPVARS_VALID;
  choice.fccType = ICTYPE_VIDEO;
  choice.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  choice.lQ = ICQUALITY_DEFAULT;
  if (!gUnattendedRun.active &&
      !ICCompressorChoose(nullptr,
                          ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_PREVIEW,
                          &format, nullptr, &choice, nullptr)) {
    ownavi::AVIFileExit();
    return false;
  }
  // Only "Full Frames (Uncompressed)" compresses 24-bit frames under Wine; a
  // choice without a type or handler is written uncompressed.
  if (choice.fccType == 0 || choice.fccHandler == 0)
    choice.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  AVICOMPRESSOPTIONS& options = movie->compressionOptions;
  options = AVICOMPRESSOPTIONS{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = choice.fccHandler;
  options.dwKeyFrameEvery = static_cast<DWORD>(choice.lKey);
  options.dwQuality = static_cast<DWORD>(choice.lQ);
  options.dwBytesPerSecond = static_cast<DWORD>(choice.lDataRate);
  options.dwFlags = (choice.lDataRate > 0 ? AVICOMPRESSF_DATARATE : 0) |
                    (choice.lKey > 0 ? AVICOMPRESSF_KEYFRAMES : 0);
  options.lpParms = choice.lpState;
  options.cbParms = static_cast<DWORD>(choice.cbState);
  header.fccHandler = choice.fccHandler;

  auto fail = [&](const char* text) {
    if (text) Show(text, kTitleTrouble, owner);
    ReleaseStream(&movie->compressedStream);
    ReleaseStream(&movie->rawStream);
    if (movie->file) ownavi::AVIFileRelease(movie->file);
    movie->file = nullptr;
    if (movie->memoryDc) DeleteDC(movie->memoryDc);
    movie->memoryDc = nullptr;
    // The choice may hold an open compressor: freed here, or it would leak.
    FreeCompressorChoice(&movie->compressorChoice);
    ownavi::AVIFileExit();
    return false;
  };
  if (ownavi::AVIFileOpenW(&movie->file, destination.c_str(), kCreateMode, nullptr) != 0) {
    movie->file = nullptr;
    return fail(kMessageSaveOpenFailed);
  }
  gUnattendedRun.outputCreated = gUnattendedRun.active;
  if (ownavi::AVIFileCreateStreamW(movie->file, &movie->rawStream, &header) != 0) {
    movie->rawStream = nullptr;
    return fail(kMessageEditStreamFailed);
  }
  if (ownavi::AVIMakeCompressedStream(&movie->compressedStream, movie->rawStream, &options,
                                      nullptr) != 0) {
    movie->compressedStream = nullptr;
    return fail(kMessageCompressedStreamFailed);
  }
  if (ownavi::AVIStreamSetFormat(movie->compressedStream, 0, &format, sizeof format) != 0)
    return fail(kMessageSetFormatFailed);
  if (!withBitmap) {
    // The picture is plain memory until a frame needs GDI to convert it, so
    // a scripted run of 24-bit frames never starts the display (under Wine
    // that is a tenth of a second of every run).
    movie->memoryPixels.assign(static_cast<size_t>(movie->imageSize), 0);
    movie->pixels = movie->memoryPixels.data();
    return true;
  }
  return AttachOutputBitmap(movie, owner) || fail(nullptr);
}

bool CloseOutputMovie(OutputMovie* movie) {
  const bool open = movie->file || movie->memoryDc || !movie->memoryPixels.empty();
  bool written = true;
  if (movie->file) {
    ownavi::AVIFileTakeCloseResult();  // another file's outcome is not this one's
    ReleaseStream(&movie->compressedStream);
    ReleaseStream(&movie->rawStream);
    ownavi::AVIFileRelease(movie->file);
    written = ownavi::AVIFileTakeCloseResult() == AVIERR_OK;
  }
  ReleaseStream(&movie->compressedStream);
  ReleaseStream(&movie->rawStream);
  movie->file = nullptr;
  if (movie->memoryDc && movie->previousBitmap)
    SelectObject(movie->memoryDc, movie->previousBitmap);
  movie->previousBitmap = nullptr;
  if (movie->bitmap) DeleteObject(movie->bitmap);
  movie->bitmap = nullptr;
  if (movie->memoryDc) DeleteDC(movie->memoryDc);
  movie->memoryDc = nullptr;
  FreeCompressorChoice(&movie->compressorChoice);
  std::vector<uint8_t>().swap(movie->memoryPixels);
  movie->pixels = nullptr;
  movie->framesWritten = 0;
  // Only an output that was made holds a start of the services.
  if (open) ownavi::AVIFileExit();
  return written;
}

HDC LoadFrameIntoOutput(OutputMovie* movie, const BITMAPINFOHEADER* frame) {
  if (!movie->pixels || !frame) return movie->memoryDc;
  if (frame->biBitCount == 24 && frame->biCompression == BI_RGB && frame->biWidth == movie->width &&
      frame->biHeight == movie->height) {
    // The output's own format: SetDIBits would copy these rows unchanged.
    GdiFlush();
    std::memcpy(movie->pixels, PixelRows(frame), static_cast<size_t>(movie->imageSize));
    return movie->memoryDc;
  }
  if (!movie->memoryDc && !AttachOutputBitmap(movie, nullptr)) return nullptr;
  SetDIBits(movie->memoryDc, movie->bitmap, 0, static_cast<UINT>(frame->biHeight), PixelRows(frame),
            reinterpret_cast<const BITMAPINFO*>(frame), DIB_RGB_COLORS);
  return movie->memoryDc;
}

bool WriteOutputFrame(OutputMovie* movie) {
  if (!movie->rawStream || !movie->pixels) return false;
  GdiFlush();
  return WriteOutputPixels(movie, movie->pixels);
}

bool WriteOutputPixels(OutputMovie* movie, const uint8_t* pixels) {
  if (!movie->rawStream || !pixels) return false;
  const LONG position = movie->framesWritten++;
  if (position == gFailOutputWriteAt) return false;
  return ownavi::AVIStreamWrite(movie->compressedStream, position, 1, const_cast<uint8_t*>(pixels),
                                movie->imageSize, AVIIF_KEYFRAME, nullptr, nullptr) == 0;
}

bool CopyStreamToOutput(OutputMovie* movie, PAVISTREAM source, LONG first, LONG last) {
  LONG s = ownavi::AVIStreamStart(source);
  LONG e = s + ownavi::AVIStreamLength(source) - 1;
  if (first > s && first < e) s = first;
  if (last > s && last < e) e = last;
  auto show = [](const char* text) { Show(text, kTitleTroubled); };
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(source, &info, sizeof info) != 0) {
    show(kMessageStreamInfoFailed);
    return false;
  }
  PAVISTREAM target = nullptr;
  if (ownavi::AVIFileCreateStreamW(movie->file, &target, &info) != 0) {
    show(kMessageCreateStreamFailed);
    return false;
  }
  std::unique_ptr<uint8_t[]> buffer;
  LONG capacity = 0;
  auto fail = [&](const char* text) {
    show(text);
    ownavi::AVIStreamRelease(target);
    return false;
  };
  LONG formatSize = 0;
  if (ownavi::AVIStreamReadFormat(source, s, nullptr, &formatSize) != 0 || formatSize <= 0)
    return fail(kMessageFormatSizeFailed);
  std::unique_ptr<uint8_t[]> format(new (std::nothrow) uint8_t[static_cast<size_t>(formatSize)]);
  if (!format || ownavi::AVIStreamReadFormat(source, s, format.get(), &formatSize) != 0)
    return fail(kMessageAllocFailed);
  if (ownavi::AVIStreamSetFormat(target, s, format.get(), formatSize) != 0)
    return fail(kMessageFormatSetFailed);
  LONG d = 0;
  while (s <= e) {
    LONG bytes = 0, samples = 0;
    HRESULT r =
        ownavi::AVIStreamRead(source, s, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples);
    if (r == 0 && (bytes <= 0 || samples <= 0))
      r = ownavi::AVIStreamRead(source, s, 4096, nullptr, 0, &bytes, &samples);
    // A source that offers no sample here would hold the copy in place forever.
    if (r != 0 || bytes <= 0 || samples <= 0) return fail(kMessageStreamReadFailed);
    // A convenient block may reach past the last sample asked for: cut to it.
    if (samples > e - s + 1) {
      bytes = static_cast<LONG>(static_cast<int64_t>(bytes) / samples * (e - s + 1));
      samples = e - s + 1;
    }
    if (bytes > capacity) {
      buffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
      capacity = buffer ? bytes : 0;
      if (!buffer) return fail(kMessageReallocFailed);
    }
    if (ownavi::AVIStreamRead(source, s, samples, buffer.get(), bytes, &bytes, &samples) != 0 ||
        samples <= 0)
      return fail(kMessageStreamReadFailed);
    if (ownavi::AVIStreamWrite(target, d, samples, buffer.get(), bytes, AVIIF_KEYFRAME, nullptr,
                               nullptr) != 0)
      return fail(kMessageStreamWriteFailed);
    s += samples;
    d += samples;
  }
  ownavi::AVIStreamRelease(target);
  return true;
}

bool Require24BitCopy(const BITMAPINFOHEADER* frame, uint8_t** pixelStart, uint8_t** copy,
                      int32_t* stride) {
  if (frame->biBitCount != 24) {
    Show(kMessageOnly24Bit, kTitleSorry);
    return false;
  }
  *pixelStart = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(frame)) + kDibHeaderBytes;
  *stride = Stride24(frame->biWidth);
  if (copy) {
    const size_t bytes =
        static_cast<size_t>(*stride) *
        static_cast<size_t>(frame->biHeight < 0 ? -frame->biHeight : frame->biHeight);
    *copy = new (std::nothrow) uint8_t[bytes];
    if (!*copy) {
      Show(kMessageCopyAllocFailed, kTitleNotGood);
      return false;
    }
    std::memcpy(*copy, *pixelStart, bytes);
  }
  return true;
}

bool Require24BitBuffer(const BITMAPINFOHEADER* frame, uint8_t** buffer, int32_t* stride,
                        int32_t* imageSize) {
  if (frame->biBitCount != 24) {
    Show(kMessageOnly24BitRun, kTitleApology);
    return false;
  }
  *stride = Stride24(frame->biWidth);
  *imageSize = *stride * (frame->biHeight < 0 ? -frame->biHeight : frame->biHeight);
  if (buffer) {
    *buffer = new (std::nothrow) uint8_t[static_cast<size_t>(*imageSize)];
    if (!*buffer) {
      Show(kMessageBufferAllocFailed, kTitleGreatTrouble);
      return false;
    }
  }
  return true;
}

bool GetPlayerFrame(PAVISTREAM* video, PGETFRAME* frames, const BITMAPINFOHEADER** frame) {
  *video = nullptr;
  *frames = nullptr;
  *frame = nullptr;
  std::wstring source;
  if (!CheckedPlayerFile(&source)) return false;
  ownavi::AVIFileInit();
  if (ownavi::AVIStreamOpenFromFileW(video, source.c_str(), streamtypeVIDEO, 0, OF_SHARE_DENY_WRITE,
                                     nullptr) != 0) {
    *video = nullptr;
    Show(kMessageOpenFailed, kTitleOh);
    ownavi::AVIFileExit();
    return false;
  }
  *frames = ownavi::AVIStreamGetFrameOpen(*video, nullptr);
  if (!*frames) {
    Show(kMessageNoFrames, kTitleFailed);
    ReleaseStream(video);
    ownavi::AVIFileExit();
    return false;
  }
  const LONG position =
      static_cast<LONG>(SendMessageW(gEditorWindows.playerWindow, MCIWNDM_GETPOSITIONW, 0, 0));
  const LONG start = ownavi::AVIStreamStart(*video);
  const LONG last = start + ownavi::AVIStreamLength(*video) - 1;
  LONG index = position > start ? position - start : 0;
  if (index > last) index = last;
  *frame = static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(*frames, index));
  return true;
}

namespace {
std::vector<uint8_t> gPreviewFrame;
}

void KeepPreviewFrame(const BITMAPINFOHEADER* frame) {
  gPreviewFrame.clear();
  gPreviewFrame.shrink_to_fit();
  if (!frame) return;
  const size_t bytes = PackedDibBytes(frame);
  const auto* p = reinterpret_cast<const uint8_t*>(frame);
  gPreviewFrame.assign(p, p + bytes);
}

const BITMAPINFOHEADER* KeptPreviewFrame() {
  return gPreviewFrame.empty() ? nullptr
                               : reinterpret_cast<const BITMAPINFOHEADER*>(gPreviewFrame.data());
}

void FreePreviewFrame() {
  gPreviewFrame.clear();
  gPreviewFrame.shrink_to_fit();
}

void DrawFrameScaled(HDC target, const BITMAPINFOHEADER* frame, int width, int height) {
  const int frameHeight = frame->biHeight < 0 ? -frame->biHeight : frame->biHeight;
  HDC memory = CreateCompatibleDC(target);
  if (!memory) return;
  HBITMAP bitmap = CreateCompatibleBitmap(target, frame->biWidth, frameHeight);
  if (bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SetDIBits(memory, bitmap, 0, static_cast<UINT>(frameHeight), PixelRows(frame),
              reinterpret_cast<const BITMAPINFO*>(frame), DIB_RGB_COLORS);
    StretchBlt(target, 0, 0, width, height, memory, 0, 0, frame->biWidth, frameHeight, SRCCOPY);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
}
