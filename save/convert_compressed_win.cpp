#include "save/avi_services_win.h"

#include "save/convert_compressed_win.h"

#include <cstring>

#include "common/dialog_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "save/save_job_win.h"
#include "save/save_messages.h"
#include "save/save_resource.h"
#include "save/save_settings_dialog_win.h"
#include "save/temp_conversion.h"

namespace {
ProgressWindow* gSaveProgress = nullptr;

BOOL CALLBACK SaveProgress(int percent) {
  if (gSaveProgress) gSaveProgress->SetPosition(percent);
  return 0;  // go on
}

void Say(HWND owner, const char* text, const char* title) {
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, owner);
}
}  // namespace

// One single-frame stream made from a 24-bit frame, through global memory as
// a device-independent bitmap would come from the clipboard (which itself is
// not touched).
UniqueAviStream MakeFrameStream(HWND owner, const BITMAPINFOHEADER& header, const uint8_t* pixels) {
  const SIZE_T bytes = sizeof header + header.biSizeImage;
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) {
    Say(owner, kMessageNoGlobalMemory, kTitleTaihenDesuwa);
    return UniqueAviStream();
  }
  UniqueAviStream stream;
  if (void* p = GlobalLock(memory.get())) {
    std::memcpy(p, &header, sizeof header);
    std::memcpy(static_cast<uint8_t*>(p) + sizeof header, pixels, header.biSizeImage);
    GlobalUnlock(memory.get());
    // The stream copies the bitmap: the memory goes when this call ends.
    if (avi::AVIMakeStreamFromClipboard(CF_DIB, memory.get(), stream.put()) != 0 || !stream) {
      stream.reset();
      Say(owner, kMessageNoClipboardStream, kTitleTaihenDesuwa);
    }
  } else {
    Say(owner, kMessageNoGlobalLock, kTitleTaihenDesuwa);
  }
  return stream;
}

namespace {
// The compressed way's frames go into an editable stream, one pasted
// single-frame stream per AVI index.
class EditableStreamSink : public TempFrameSink {
 public:
  EditableStreamSink(HWND owner, SaveJob& job, UniqueAviStream& video, ProgressWindow& progress)
      : owner_(owner), job_(job), video_(video), progress_(progress) {}
  TempFileHeader temp;  // of the file being converted
  int64_t frames = 0;
  bool Begin(const TempFileHeader& h, int64_t frameCount) override {
    if (avi::CreateEditableStream(video_.put(), nullptr) != 0 || !video_) {
      video_.reset();
      Say(owner_, kMessageNoEditStream, kTitleErrorLatin);
      return false;
    }
    job_.streams[0] = video_.get();
    progress_.SetLabel(L"編集用ストリーム作成中");
    temp = h;
    frames = frameCount;
    header_ = BITMAPINFOHEADER{};
    header_.biSize = sizeof header_;
    header_.biWidth = h.width;
    header_.biHeight = h.height;
    header_.biPlanes = 1;
    header_.biBitCount = 24;
    header_.biCompression = BI_RGB;
    header_.biSizeImage = static_cast<DWORD>(DibStride(h.width, 24) * h.height);
    return true;
  }
  bool Put(const uint8_t* frame, int64_t first, int64_t count) override {
    UniqueAviStream single = MakeFrameStream(owner_, header_, frame);
    if (!single) {
      Say(owner_, kMessageNoFrameStream, kTitleAuu);
      return false;
    }
    bool ok = true;
    for (int64_t i = 0; i < count && ok; ++i) {
      LONG position = static_cast<LONG>(first + i), length = 1;
      if (avi::EditStreamPaste(job_.streams[0], &position, &length, single.get(), 0, -1) != 0) {
        Say(owner_, kMessagePasteFailed, kTitleTaihenDesuwa);
        ok = false;
      }
    }
    return ok;
  }
  bool End() override { return true; }
  const BITMAPINFOHEADER& header() const { return header_; }

 private:
  HWND owner_;
  SaveJob& job_;
  UniqueAviStream& video_;
  ProgressWindow& progress_;
  BITMAPINFOHEADER header_{};
};

// What the platform's own options dialog filled into the job's two option
// records (formats, coder states) is the platform's to free.
void FreeChosenOptions(LPAVICOMPRESSOPTIONS* options) {
  avi::AVISaveOptionsFree(2, options);
}
using UniqueChosenOptions = UniqueAny<NullIsInvalid<LPAVICOMPRESSOPTIONS*, FreeChosenOptions>>;
}  // namespace

bool ConvertTempCompressed(const TempConversion& c, ConversionOutcome* outcome) {
  bool* deleteFlag = &outcome->deleteFlag;
  static SaveJob job;
  job = SaveJob{};
  gSaveJob = &job;
  AVICOMPRESSOPTIONS options[2] = {};
  job.compressOptions[0] = &options[0];
  job.compressOptions[1] = &options[1];
  lstrcpynW(job.outputPath, Widen(c.outputPath).c_str(), kSavePathCapacity);
  ScopedAviServices services;
  // The job lends the streams to the save dialog and the save; these own them
  // and release them, after the options and before the services end.
  UniqueAviStream sound, video;
  UniqueChosenOptions chosen(job.compressOptions);

  ProgressWindow progress(c.instance, c.owner, c.showProgress);
  EditableStreamSink sink(c.owner, job, video, progress);
  if (!RunTempConversion(c.tempPath, sink, &progress, c.owner, &outcome->result)) {
    *deleteFlag = job.deleteFlag;
    return false;
  }
  progress.Show(false);
  if (!c.wavPath.empty()) {
    if (avi::AVIStreamOpenFromFileW(sound.put(), Widen(c.wavPath).c_str(), streamtypeAUDIO, 0,
                                    OF_SHARE_DENY_NONE, nullptr) != 0 ||
        !sound) {
      sound.reset();
      Say(c.owner, kMessageNoSoundStream, kTitleTaihenDesuwa);
    } else {
      job.streams[1] = sound.get();
      job.streamCount = 2;
    }
  }
  if (RunDialog(c.instance, IDD_SAVE_SETTINGS, c.owner, SaveSettingsDialog) == 0) {
    *deleteFlag = job.deleteFlag;
    return true;  // cancelled: nothing saved, and that is no failure
  }
  progress.Show(true);
  progress.SetLabel(L"ストリームの保存中");
  progress.SetRange(100);

  // Saved under the chosen drive, folder and name with ".AVI" in place of any
  // extension; that folder becomes the current one.
  std::wstring target = Widen(PathWithAviExtension(Narrow(job.outputPath)));
  size_t slash = target.find_last_of(L"\\/");
  std::wstring file = target;
  if (slash != std::wstring::npos) {
    SetCurrentDirectoryW(target.substr(0, slash + 1).c_str());
    file = target.substr(slash + 1);
  }

  AVISTREAMINFOW info{};
  info.fccType = streamtypeVIDEO;
  info.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  info.dwQuality = 0xFFFFFFFF;
  info.dwScale = static_cast<DWORD>(sink.temp.scale);
  info.dwRate = static_cast<DWORD>(sink.temp.rate);
  info.dwLength = static_cast<DWORD>(sink.frames);
  SetRect(&info.rcFrame, 0, 0, sink.temp.width, sink.temp.height);
  lstrcpynW(info.szName, L"QUILVA VIDEO IMAGE", ARRAYSIZE(info.szName));
  if (avi::EditStreamSetInfoW(job.streams[0], &info, sizeof info) != 0) {
    Say(c.owner, kMessageSetInfoFailed, kTitleErrorLatin);
    *deleteFlag = job.deleteFlag;
    return false;
  }
  gSaveProgress = &progress;
  HRESULT result = avi::AVISaveVW(file.c_str(), nullptr, SaveProgress, job.streamCount, job.streams,
                                  job.compressOptions);
  gSaveProgress = nullptr;
  *deleteFlag = job.deleteFlag;
  if (result != 0) {
    SaveErrorMessage m = SaveResultMessage(static_cast<uint32_t>(result));
    Say(c.owner, m.text, m.title);
    return false;
  }
  outcome->saved = true;
  outcome->soundSaved = job.streamCount == 2;
  return true;
}
