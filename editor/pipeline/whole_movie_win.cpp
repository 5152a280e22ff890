#include "editor/pipeline/whole_movie_win.h"

#include "editor/pipeline/output_movie_win.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "common/dib_geometry.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/pipeline/filter_command.h"

namespace {

// Standard error of the scripted mode: the console the editor was started
// from, or whatever the caller redirected it to (UTF-8 bytes). Which of the two
// is found once: asking a handle that is no console costs a round trip to the
// Wine server.
void WriteError(const std::string& utf8) {
  static const struct Stream {
    HANDLE handle;
    bool console;
  } stream = [] {
    AttachConsole(ATTACH_PARENT_PROCESS);
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return Stream{handle,
                  handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)};
  }();
  if (!stream.handle || stream.handle == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (stream.console) {
    const std::wstring wide = Widen(utf8 + "\r\n");
    WriteConsoleW(stream.handle, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const std::string bytes = utf8 + "\r\n";
  WriteFile(stream.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

MessageAnswer Ask(const char* text, const char* title, MessageButtons buttons) {
  return ShowMessage(text, title, buttons);
}

// Scripted mode: every message goes to standard error; the one question (the
// sound) is answered yes.
MessageAnswer UnattendedMessage(const MessageRequest& request, void*) {
  WriteError(request.title + ": " + request.text);
  return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

// Bytes of each stored frame when the stream holds plain bitmaps, else 0.
size_t StoredImageBytes(const std::vector<uint8_t>& format) {
  if (format.size() < sizeof(BITMAPINFOHEADER)) return 0;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(format.data());
  if (h->biCompression != BI_RGB && h->biCompression != BI_BITFIELDS) return 0;
  const int64_t height = h->biHeight < 0 ? -int64_t{h->biHeight} : h->biHeight;
  return static_cast<size_t>(DibStride(h->biWidth, h->biBitCount) * height);
}

// A stored frame shorter than its picture is damaged: the reader would hand it
// out padded with black. An empty sample is a dropped frame, which repeats the
// one before it.
bool StoredFrameWhole(PAVISTREAM video, LONG i, size_t imageBytes) {
  if (imageBytes == 0) return true;
  LONG bytes = 0;
  return ownavi::AVIStreamRead(video, i, 1, nullptr, 0, &bytes, nullptr) == 0 &&
         (bytes == 0 || static_cast<size_t>(bytes) >= imageBytes);
}

// Writes the run's frames on a second thread, so that writing one frame
// overlaps fetching and filtering the next. Two slots, each a packed 24-bit
// bitmap (header, then the output's pixels): the loop fills a free one, either
// by reading a stored frame straight into it or by copying the output bitmap,
// and goes on. A failed write stops the writer; the frames queued behind it are
// dropped, as the loop would never have made them.
class FrameWriter {
 public:
  static constexpr size_t kHeader = sizeof(BITMAPINFOHEADER);

  explicit FrameWriter(OutputMovie* output) : output_(output) {
    for (auto& slot : slots_) slot.resize(kHeader + static_cast<size_t>(output->imageSize));
    thread_ = CreateThread(nullptr, 0, Main, this, 0, nullptr);
  }
  ~FrameWriter() { Finish(); }
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // The next slot to fill, once the writer has let go of it; null once a
  // write has failed. Commit hands it over.
  uint8_t* NextSlot() {
    if (!thread_) return failed_ ? nullptr : slots_[0].data();
    AcquireSRWLockExclusive(&lock_);
    while (queued_ - done_ == kSlots && !failed_)
      SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    const bool failed = failed_;
    const int slot = queued_ % kSlots;
    ReleaseSRWLockExclusive(&lock_);
    return failed ? nullptr : slots_[slot].data();
  }

  // Queues the slot NextSlot gave; false once a write has failed.
  bool Commit() {
    if (!thread_) {  // no second thread to be had: written here
      if (!failed_ && !WriteOutputPixels(output_, slots_[0].data() + kHeader)) failed_ = true;
      return !failed_;
    }
    AcquireSRWLockExclusive(&lock_);
    ++queued_;
    WakeAllConditionVariable(&changed_);
    const bool failed = failed_;
    ReleaseSRWLockExclusive(&lock_);
    return !failed;
  }

  // Queues the output bitmap's pixels.
  bool Queue() {
    uint8_t* slot = NextSlot();
    if (!slot) return false;
    GdiFlush();
    std::memcpy(slot + kHeader, output_->pixels, static_cast<size_t>(output_->imageSize));
    return Commit();
  }

  // Waits until every queued frame is written; false when a write failed.
  bool Finish() {
    if (thread_) {
      AcquireSRWLockExclusive(&lock_);
      stopping_ = true;
      WakeAllConditionVariable(&changed_);
      ReleaseSRWLockExclusive(&lock_);
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    return !failed_;
  }

 private:
  static constexpr int kSlots = 2;

  static DWORD WINAPI Main(void* self) {
    static_cast<FrameWriter*>(self)->Run();
    return 0;
  }

  void Run() {
    AcquireSRWLockExclusive(&lock_);
    for (;;) {
      while (done_ == queued_ && !stopping_)
        SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
      if (done_ == queued_) break;
      const int slot = done_ % kSlots;
      ReleaseSRWLockExclusive(&lock_);
      const bool ok = WriteOutputPixels(output_, slots_[slot].data() + kHeader);
      AcquireSRWLockExclusive(&lock_);
      ++done_;
      if (!ok) {
        failed_ = true;
        done_ = queued_;
      }
      WakeAllConditionVariable(&changed_);
      if (failed_) break;
    }
    ReleaseSRWLockExclusive(&lock_);
  }

  OutputMovie* output_;
  std::vector<uint8_t> slots_[kSlots];
  HANDLE thread_ = nullptr;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  int queued_ = 0, done_ = 0;
  bool failed_ = false, stopping_ = false;
};

// When the stream stores plain 24-bit frames of the output's own size, a
// stored frame needs no decoding: a bottom-up one is read straight into the
// writer's slot and filtered there; a top-down one (as ffmpeg stores them) is
// read aside and its rows laid into the slot bottom-up, one copy instead of
// the frame reader's copy, the turn and two more copies. The header is the
// first frame's, as the filters see it from the frame reader.
struct StoredFrameReader {
  bool active = false;
  bool topDown = false;
  std::vector<uint8_t> aside;  // a top-down frame as stored
};

void StartStoredFrameReader(StoredFrameReader* reader, const OpenedMovie& m, size_t storedImage) {
  if (!m.firstFrame || m.format.size() < sizeof(BITMAPINFOHEADER)) return;
  const auto* stored = reinterpret_cast<const BITMAPINFOHEADER*>(m.format.data());
  const BITMAPINFOHEADER* f = m.firstFrame;
  const int64_t storedHeight = stored->biHeight < 0 ? -int64_t{stored->biHeight} : stored->biHeight;
  reader->active = stored->biBitCount == 24 && stored->biCompression == BI_RGB &&
                   f->biSize == sizeof(BITMAPINFOHEADER) && f->biBitCount == 24 &&
                   f->biCompression == BI_RGB && f->biWidth == m.output->width &&
                   f->biHeight == m.output->height && stored->biWidth == f->biWidth &&
                   storedHeight == f->biHeight &&
                   storedImage == static_cast<size_t>(m.output->imageSize);
  reader->topDown = reader->active && stored->biHeight < 0;
  if (reader->topDown) reader->aside.resize(storedImage);
}

// Reads sample i into the slot; false for anything but a whole frame (a
// dropped or damaged one goes through the frame reader instead).
bool ReadStoredFrame(StoredFrameReader* reader, const OpenedMovie& m, LONG i, uint8_t* slot) {
  std::memcpy(slot, m.firstFrame, FrameWriter::kHeader);
  uint8_t* pixels = slot + FrameWriter::kHeader;
  const LONG size = m.output->imageSize;
  LONG bytes = 0;
  if (ownavi::AVIStreamRead(m.video, i, 1, reader->topDown ? reader->aside.data() : pixels, size,
                            &bytes, nullptr) != 0 ||
      bytes != size)
    return false;
  if (reader->topDown) {
    const size_t stride = static_cast<size_t>(DibStride(m.output->width, 24));
    const uint8_t* from = reader->aside.data() + static_cast<size_t>(size);
    for (int32_t y = 0; y < m.output->height; ++y, pixels += stride)
      std::memcpy(pixels, from -= stride, stride);
  }
  return true;
}

std::string Progress(long i, long end) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld/%ld", i, end);
  return text;
}

// A frame's number: in the main window's title, or in the scripted mode on
// standard error as often as a title would be shown (nobody reads more, and
// each line costs a write).
void ShowFrameProgress(long i, long end) {
  if (!gUnattendedRun.active) {
    ShowProgress(Progress(i, end));
  } else if (ProgressTitleDue(&gUnattendedRun.progress, GetTickCount(), i + 1 == end)) {
    WriteError(Progress(i, end));
  }
}

}  // namespace

// A run's progress goes into the main window's title. The loop pumps no
// messages (a user could start another command in the middle), so the caption
// is repainted at once instead, at most every 50 ms: WM_NCPAINT is handled
// synchronously and lets no input through.
void ShowProgress(const std::string& text) {
  if (gUnattendedRun.active) {
    WriteError(text);
    return;
  }
  HWND window = gEditorWindows.mainWindow;
  if (!window) return;
  SetWindowTextW(window, Widen(text).c_str());
  static DWORD lastPaint = 0;
  const DWORD now = GetTickCount();
  if (now - lastPaint >= 50) {
    lastPaint = now;
    RedrawWindow(window, nullptr, nullptr,
                 RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
  }
}

bool ProcessWholeMovie(const FrameFilter& filter) {
  OpenedMovie m;
  if (!OpenMovieForProcessing(&m)) return false;
  auto closeSource = [&] {
    ownavi::AVIStreamGetFrameClose(m.frames);
    ownavi::AVIStreamRelease(m.video);
    ownavi::AVIFileExit();
  };
  auto closeOutput = [&] {
    const bool written = CloseOutputMovie(m.output);
    delete m.output;
    m.output = nullptr;
    return written;
  };

  std::unique_ptr<uint8_t[]> work;
  if (FilterNeeds24Bits(filter)) {
    uint8_t* buffer = nullptr;
    int32_t stride = 0, imageSize = 0;
    if (!Require24BitBuffer(m.firstFrame, FilterUsesWorkBuffer(filter) ? &buffer : nullptr, &stride,
                            &imageSize)) {
      if (m.audio) ownavi::AVIStreamRelease(m.audio);
      closeSource();
      closeOutput();
      return false;
    }
    work.reset(buffer);
  }
  FilterRun run;
  FrameShape shape;
  // Without frames the first "frame" is the stream's format, which only gives the size.
  if (m.firstFrame != reinterpret_cast<const BITMAPINFOHEADER*>(m.format.data()))
    MakeBottomUp(reinterpret_cast<uint8_t*>(const_cast<BITMAPINFOHEADER*>(m.firstFrame)),
                 PackedDibBytes(m.firstFrame));
  const bool shaped = ReadFrameShape(reinterpret_cast<const uint8_t*>(m.firstFrame),
                                     sizeof(BITMAPINFOHEADER), &shape) &&
                      StartFilterRun(&run, filter, shape, work.get());

  const size_t storedImage = StoredImageBytes(m.format);
  StoredFrameReader stored;
  if (shaped) StartStoredFrameReader(&stored, m, storedImage);
  const size_t slotBytes = FrameWriter::kHeader + static_cast<size_t>(m.output->imageSize);
  bool success = true;
  FrameWriter writer(m.output);
  for (LONG i = m.first; i < m.end; ++i) {
    ShowFrameProgress(i, m.end);
    if (stored.active) {
      uint8_t* slot = writer.NextSlot();
      if (!slot) break;
      if (ReadStoredFrame(&stored, m, i, slot) && ApplyFrameFilter(&run, slot, slotBytes)) {
        if (!writer.Commit()) break;
        continue;
      }
    }
    auto* frame = static_cast<BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(m.frames, i));
    // A damaged frame, or one of another size or depth than the first, is as
    // unusable as none.
    if (frame) MakeBottomUp(reinterpret_cast<uint8_t*>(frame), PackedDibBytes(frame));
    if (!frame || !shaped || !StoredFrameWhole(m.video, i, storedImage) ||
        !ApplyFrameFilter(&run, reinterpret_cast<uint8_t*>(frame), PackedDibBytes(frame))) {
      // The frames before this one are written first; a write that failed
      // among them ended the run there.
      if (writer.Finish()) Ask(kMessageFrameFetchFailed, kTitleFailed, MessageButtons::Ok);
      success = false;
      break;
    }
    LoadFrameIntoOutput(m.output, frame);
    if (!writer.Queue()) break;
  }
  if (!writer.Finish()) {
    Ask(kMessageFrameWriteFailed, kTitleOhNo, MessageButtons::Ok);
    success = false;
  }
  work.reset();

  if (m.audio) {
    if (Ask(kMessageSaveAudio, kTitleByTheWay, MessageButtons::YesNo) == MessageAnswer::Yes) {
      ShowProgress(kTitleSavingAudio);
      CopyStreamToOutput(m.output, m.audio, -1, -1);
    }
    ownavi::AVIStreamRelease(m.audio);
  }
  // The file is written out as it closes: a disk that fills then must not be
  // followed by the words that all went well.
  if (!closeOutput() && success) {
    Ask(kMessageFrameWriteFailed, kTitleOhNo, MessageButtons::Ok);
    success = false;
  }
  closeSource();
  if (success) Ask(kMessageDone, kTitleGlad, MessageButtons::Ok);
  return success;
}

BOOL CALLBACK ReportSaveProgress(int percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", percent);
  ShowProgress(text);
  return 0;
}

bool ProcessRgbCorrection(uint8_t ratioR, uint8_t ratioG, uint8_t ratioB, bool invertR,
                          bool invertG, bool invertB) {
  FrameFilter f;
  f.kind = FilterKind::Rgb;
  f.ratio[0] = ratioR, f.ratio[1] = ratioG, f.ratio[2] = ratioB;
  f.invert[0] = invertR, f.invert[1] = invertG, f.invert[2] = invertB;
  return ProcessWholeMovie(f);
}

bool ProcessYCrCbCorrection(uint8_t yPercent, uint8_t crPercent, uint8_t cbPercent) {
  FrameFilter f;
  f.kind = FilterKind::YCrCb;
  f.ycrcb[0] = yPercent, f.ycrcb[1] = crPercent, f.ycrcb[2] = cbPercent;
  return ProcessWholeMovie(f);
}

bool ProcessContrast(int32_t k) {
  FrameFilter f;
  f.kind = FilterKind::Contrast;
  f.contrast = k;
  return ProcessWholeMovie(f);
}

bool ProcessGamma(uint8_t s) {
  FrameFilter f;
  f.kind = FilterKind::Gamma;
  f.gamma = s;
  return ProcessWholeMovie(f);
}

bool ProcessGrayscale() {
  FrameFilter f;
  f.kind = FilterKind::Grayscale;
  return ProcessWholeMovie(f);
}

bool ProcessPale() {
  FrameFilter f;
  f.kind = FilterKind::Pale;
  return ProcessWholeMovie(f);
}

bool ProcessNeighbourhood(DialogKind kind, uint8_t strength) {
  FrameFilter f;
  f.kind = FilterKind::Neighbourhood;
  f.neighbourhoodKind = kind;
  f.strength = strength;
  return ProcessWholeMovie(f);
}

bool ProcessEdgeExtraction(uint8_t threshold, uint8_t edgeOperator, bool sharpenFirst) {
  FrameFilter f;
  f.kind = FilterKind::Edge;
  f.threshold = threshold;
  f.edgeOperator = edgeOperator;
  f.sharpenFirst = sharpenFirst;
  return ProcessWholeMovie(f);
}

bool ProcessLightSource(const LightAnimationSettings& settings) {
  FrameFilter f;
  f.kind = FilterKind::Light;
  f.light = settings;
  return ProcessWholeMovie(f);
}

bool ProcessCustomFilter(const int8_t coefficients[9], uint8_t strength, uint8_t baseRed,
                         uint8_t baseGreen, uint8_t baseBlue) {
  FrameFilter f;
  f.kind = FilterKind::Custom;
  for (int i = 0; i < 9; ++i) f.coefficients[i] = coefficients[i];
  f.customStrength = strength;
  f.base[0] = baseRed, f.base[1] = baseGreen, f.base[2] = baseBlue;
  return ProcessWholeMovie(f);
}

int RunFilterCommand(const std::vector<std::string>& arguments) {
  FilterCommand command;
  std::string error;
  if (!ParseFilterCommand(arguments, &command, &error)) {
    WriteError(error);
    return 2;
  }
  const MessageHandlerSlot previous = SetMessageHandler({UnattendedMessage, nullptr});
  gUnattendedRun = UnattendedRun();
  gUnattendedRun.active = true;
  gUnattendedRun.source = Widen(command.input);
  gUnattendedRun.destination = Widen(command.output);
  const bool done = ProcessWholeMovie(command.filter);
  // A failed run leaves no half-written movie behind (one it never got to
  // create, such as an existing file it refused, stays untouched).
  if (!done && gUnattendedRun.outputCreated) DeleteFileW(gUnattendedRun.destination.c_str());
  gUnattendedRun = UnattendedRun();
  SetMessageHandler(previous);
  return done ? 0 : 1;
}
