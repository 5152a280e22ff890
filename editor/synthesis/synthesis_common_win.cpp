#include "editor/synthesis/synthesis_common_win.h"

#include <commdlg.h>

#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"

namespace {
bool AskPath(bool save, HWND owner, const wchar_t* title, const wchar_t* filter,
             const wchar_t* defaultExt, DWORD flags, std::wstring* path) {
  wchar_t buffer[MAX_PATH] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title;
  ofn.lpstrDefExt = defaultExt;
  ofn.Flags = flags;
  if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
  *path = buffer;
  return true;
}
}  // namespace

bool AskOpenPath(HWND owner, const wchar_t* title, const wchar_t* filter, const wchar_t* defaultExt,
                 DWORD flags, std::wstring* path) {
  return AskPath(false, owner, title, filter, defaultExt, flags, path);
}

bool AskSavePath(HWND owner, const wchar_t* title, const wchar_t* filter, const wchar_t* defaultExt,
                 DWORD flags, std::wstring* path) {
  return AskPath(true, owner, title, filter, defaultExt, flags, path);
}

CompressorChoice::~CompressorChoice() {
  if (chosen) ICCompressorFree(&vars);
}

bool ChooseCompressor(const void* format, UINT flags, CompressorChoice* choice) {
  COMPVARS& cv = choice->vars;
  cv = COMPVARS{};
  cv.cbSize = sizeof cv;
  cv.dwFlags = ICMF_COMPVARS_VALID;
  cv.fccType = ICTYPE_VIDEO;
  cv.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  cv.lQ = ICQUALITY_DEFAULT;
  if (!ICCompressorChoose(nullptr, flags, const_cast<void*>(format), nullptr, &cv, nullptr))
    return false;
  choice->chosen = true;
  AVICOMPRESSOPTIONS& o = choice->options;
  o = AVICOMPRESSOPTIONS{};
  o.fccType = streamtypeVIDEO;
  o.fccHandler = cv.fccHandler;
  o.dwKeyFrameEvery = cv.lKey;
  o.dwQuality = static_cast<DWORD>(cv.lQ);
  o.dwBytesPerSecond = cv.lDataRate;
  if (cv.lDataRate > 0) o.dwFlags |= AVICOMPRESSF_DATARATE;
  if (cv.lKey > 0) o.dwFlags |= AVICOMPRESSF_KEYFRAMES;
  o.lpParms = cv.lpState;
  o.cbParms = static_cast<DWORD>(cv.cbState);
  return true;
}

AVISTREAMINFOW SynthesisStreamInfo(DWORD handler, DWORD scale, DWORD rate, DWORD length, int width,
                                   int height) {
  AVISTREAMINFOW info{};
  info.fccType = streamtypeVIDEO;
  info.fccHandler = handler;
  info.dwScale = scale;
  info.dwRate = rate;
  info.dwLength = length;
  info.dwQuality = static_cast<DWORD>(-1);
  info.rcFrame = RECT{0, 0, width, height};
  lstrcpyW(info.szName, L"GLIMSA:VIDEO");
  return info;
}

bool OpenSynthesisMovie(SynthesisMovie* movie, const std::wstring& path, AVISTREAMINFOW* info,
                        const void* format, LONG formatSize, AVICOMPRESSOPTIONS* options,
                        const SynthesisMovieTexts& texts) {
  if (ownavi::AVIFileOpenW(movie->file.put(), path.c_str(),
                           OF_WRITE | OF_CREATE | OF_SHARE_DENY_WRITE, nullptr) != 0) {
    ShowText(texts.fileOpen);
    return false;
  }
  if (ownavi::AVIFileCreateStreamW(movie->file.get(), movie->raw.put(), info) != 0) {
    ShowText(texts.createStream);
    return false;
  }
  if (options && ownavi::AVIMakeCompressedStream(movie->compressed.put(), movie->raw.get(), options,
                                                 nullptr) != 0) {
    ShowText(texts.compressedStream);
    return false;
  }
  if (ownavi::AVIStreamSetFormat(movie->target(), 0, const_cast<void*>(format), formatSize) != 0) {
    ShowText(texts.setFormat);
    return false;
  }
  return true;
}

bool CloseSynthesisMovie(SynthesisMovie* movie) {
  if (!movie->file) return true;
  ownavi::AVIFileTakeCloseResult();  // another file's outcome is not this one's
  movie->compressed.reset();
  movie->raw.reset();
  movie->file.reset();
  return ownavi::AVIFileTakeCloseResult() == AVIERR_OK;
}

std::string BitmapProblemText(BitmapProblem problem, const std::wstring& path) {
  const char* pattern = kMessageBitmapHeader;
  switch (problem) {
    case BitmapProblem::None:
    case BitmapProblem::BadHeader: break;
    case BitmapProblem::NotBitmap: pattern = kMessageNotBitmap; break;
    case BitmapProblem::Truncated: pattern = kMessageBitmapTruncated; break;
    case BitmapProblem::BadSize: pattern = kMessageBitmapSize; break;
    case BitmapProblem::BadDepth: pattern = kMessageBitmapDepth; break;
    case BitmapProblem::Compressed: pattern = kMessageBitmapCompressed; break;
    case BitmapProblem::TableTooLarge: pattern = kMessageBitmapTable; break;
  }
  return MessageWithPath(pattern, Narrow(path));
}

void ShowText(const MessageText& text, HWND owner) {
  ShowMessage(text.text, text.title, MessageButtons::Ok, MessageIcon::None, owner);
}
