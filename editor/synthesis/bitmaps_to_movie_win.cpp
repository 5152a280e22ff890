// Dialog 102 and the movie made of a numbered bitmap sequence.
#include <memory>
#include <new>

#include "common/dialog_win.h"
#include "common/file.h"
#include "common/message.h"
#include "common/progress_title_win.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/synthesis/sequence_numbering.h"
#include "editor/synthesis/synthesis_common_win.h"
#include "editor/synthesis/synthesis_resource.h"
#include "editor/synthesis/synthesis_win.h"

namespace {
bool Opens(const std::string& path) {
  return FileOpen(path, "rb") != nullptr;
}

// Files 1, 2, ... are probed until one does not open; a later number that
// does exist means the user left a gap, and is told where the movie will end.
int CountSequence(const std::wstring& firstPath) {
  SequenceNumbering sequence;
  if (!FormSequenceNumbering(Narrow(firstPath), &sequence)) return 0;
  int count = 1;
  while (count < 0x7FFFFFFE && Opens(SequenceFilePath(sequence, count))) ++count;
  if (FileExists(SequenceFilePath(sequence, count + 1))) {
    const std::string missing = SequenceFileBase(sequence, count) + sequence.extension;
    ShowMessage(MessageWithPath(kMessageSequenceGap, missing), kTitleOops);
  }
  return count;
}

void BrowseFirstBitmap(HWND dialog) {
  std::wstring path;
  if (!AskOpenPath(GetWindow(dialog, GW_OWNER), Widen(kFirstBitmapDialogTitle).c_str(),
                   L"bmp(*0.bmp)\0*0.bmp\0", nullptr, 0, &path))
    return;
  SetDlgItemTextW(dialog, IDC_FIRST_BITMAP, path.c_str());
  SetDlgItemInt(dialog, IDC_BITMAP_COUNT, static_cast<UINT>(CountSequence(path)), FALSE);
}

void ConfirmBitmapsDialog(HWND dialog) {
  wchar_t path[MAX_PATH] = L"";
  GetDlgItemTextW(dialog, IDC_FIRST_BITMAP, path, MAX_PATH);
  BOOL ok = FALSE;
  const UINT seconds = GetDlgItemInt(dialog, IDC_MOVIE_SECONDS, &ok, FALSE);
  const UINT count = GetDlgItemInt(dialog, IDC_BITMAP_COUNT, nullptr, FALSE);
  if (!Opens(Narrow(path))) {
    ShowMessage(kMessageOddPath, kTitleTrouble);
    return;
  }
  if (!ok || seconds == 0) {
    ShowMessage(kMessageOddLength, kTitleMayNot);
    return;
  }
  BitmapsToMovie(path, seconds, static_cast<int>(count), dialog);
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK BitmapsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemInt(dialog, IDC_MOVIE_SECONDS, 0, FALSE);
      SetDlgItemInt(dialog, IDC_BITMAP_COUNT, 0, FALSE);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_BROWSE_FIRST_BITMAP: BrowseFirstBitmap(dialog); return TRUE;
        case IDC_BITMAPS_CONFIRM: ConfirmBitmapsDialog(dialog); return TRUE;
        case IDC_BITMAPS_CANCEL:
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
  }
  return FALSE;
}

// Puts the dialog's own title back however the run ends.
struct TitleRestorer {
  HWND dialog;
  ~TitleRestorer() {
    if (dialog) SetWindowTextW(dialog, Widen(kBitmapsDialogTitle).c_str());
  }
};
}  // namespace

INT_PTR RunBitmapsToMovieDialog(HWND mainWindow) {
  return RunDialog(GetModuleHandleW(nullptr), IDD_BITMAPS_TO_MOVIE, mainWindow, BitmapsDialogProc);
}

bool BitmapsToMovie(const std::wstring& firstPath, unsigned seconds, int count, HWND dialog) {
  SequenceNumbering sequence;
  if (!FormSequenceNumbering(Narrow(firstPath), &sequence) || count <= 0) return false;
  BitmapFormat format;
  {
    UniqueFile first = FileOpen(sequence.firstPath, "rb");
    if (!first) {
      ShowMessage(kMessageFirstOpenFailed, kTitleTrouble);
      return false;
    }
    const BitmapProblem problem = ReadBitmapFormat(first.get(), &format);
    if (problem != BitmapProblem::None) {
      ShowMessage(BitmapProblemText(problem, firstPath), kTitleTrouble);
      return false;
    }
  }
  // Every picture is one frame of the first picture's layout (stride x height);
  // bytes a file has past them are not part of the frame.
  std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[format.imageSize]);
  if (!pixels) {
    ShowMessage(kMessageMemoryFailed, kTitleApology);
    return false;
  }

  ScopedAviServices services;
  CompressorChoice choice;
  if (!ChooseCompressor(format.format.data(), ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE, &choice))
    return false;
  if (!WriteSequenceMovie(sequence, format, seconds, count, &choice.options, dialog, pixels.get()))
    return false;
  ShowMessage(kMessageDone, kTitleGlad);
  return true;
}

bool WriteSequenceMovie(const SequenceNumbering& sequence, const BitmapFormat& format,
                        unsigned seconds, int count, AVICOMPRESSOPTIONS* options, HWND dialog,
                        uint8_t* pixels) {
  // Beside the pictures, where the design's current directory after browsing would put it.
  const std::wstring destination = Widen(sequence.folder) + L"RESULT.AVI";
  AVISTREAMINFOW info =
      SynthesisStreamInfo(mmioFOURCC('D', 'I', 'B', ' '), seconds, static_cast<DWORD>(count),
                          static_cast<DWORD>(count), format.width, format.height);
  SynthesisMovie movie;
  const SynthesisMovieTexts texts = {{kMessageDestinationFailed, kTitleOops},
                                     {kMessageStreamFailed, kTitleOops},
                                     {kMessageCompressStreamFailed, kTitleOops},
                                     {kMessageFormatFailed, kTitleOops}};
  if (!OpenSynthesisMovie(&movie, destination, &info, format.format.data(),
                          static_cast<LONG>(format.format.size()), options, texts))
    return false;

  TitleRestorer restorer{dialog};
  ProgressTitle progress{dialog};
  for (int i = 0; i < count; ++i) {
    ShowProgressTitle(&progress, i == count - 1, [&] {
      return MessageWithPath(kBitmapProgressTitle, SequenceFileBase(sequence, i));
    });
    UniqueFile picture = FileOpen(SequenceFilePath(sequence, i), "rb");
    if (!picture) {
      CloseSynthesisMovie(&movie);  // the frames so far stay a playable movie
      ShowMessage(kMessagePictureOpenFailed, kTitleOhNo);
      return false;
    }
    if (!ReadBitmapPixels(picture.get(), format, pixels, nullptr)) {
      CloseSynthesisMovie(&movie);
      ShowMessage(kMessageSeekFailed, kTitleTrouble);
      return false;
    }
    if (ownavi::AVIStreamWrite(movie.target(), i, 1, pixels, static_cast<LONG>(format.imageSize),
                               AVIIF_KEYFRAME, nullptr, nullptr) != 0) {
      CloseSynthesisMovie(&movie);
      ShowMessage(kMessageFrameWriteFailed, kTitleOhNo);
      return false;
    }
  }
  // The file is written out here, before the news.
  if (!CloseSynthesisMovie(&movie)) {
    ShowMessage(kMessageFrameWriteFailed, kTitleOhNo);
    return false;
  }
  return true;
}
