// "自動分割": the movie cut into parts where a frame's colour sums jump.
#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>
#include "platform/avi/avi_handles_win.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/dib_geometry.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/editing/save_conventions_win.h"
#include "editor/pipeline/whole_movie_win.h"
#include "editor/streams/stream_rules.h"
#include "editor/streams/streams_common_win.h"
#include "editor/streams/streams_win.h"

namespace {

void Show(const char* text, const char* title) {
  ShowMessage(text, title);
}

std::wstring BaseName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/:");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

// Bytes of the frame's pixel rows: from the header's own width and height,
// never from a size field it may misstate.
size_t FrameImageBytes(const BITMAPINFOHEADER* frame) {
  const int64_t height = frame->biHeight < 0 ? -int64_t{frame->biHeight} : frame->biHeight;
  return static_cast<size_t>(DibStride(frame->biWidth, frame->biBitCount) * height);
}

ChannelSums FrameSums(const BITMAPINFOHEADER* frame) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(frame);
  return SumChannels(bytes + PixelOffset(frame->biBitCount, frame->biCompression, frame->biClrUsed),
                     FrameImageBytes(frame));
}

// The stream keeps plain 24-bit rows of the first frame's size, so a stored
// sample is the frame's pixels as they lie.
bool StoredAs24Bit(PAVISTREAM video, LONG start, const BITMAPINFOHEADER& shape) {
  LONG size = 0;
  if (ownavi::AVIStreamReadFormat(video, start, nullptr, &size) != 0 ||
      size < static_cast<LONG>(sizeof(BITMAPINFOHEADER)))
    return false;
  std::vector<uint8_t> format(static_cast<size_t>(size));
  if (ownavi::AVIStreamReadFormat(video, start, format.data(), &size) != 0) return false;
  const auto* stored = reinterpret_cast<const BITMAPINFOHEADER*>(format.data());
  return stored->biCompression == BI_RGB && stored->biBitCount == 24 &&
         stored->biWidth == shape.biWidth && stored->biHeight == shape.biHeight;
}

// The sums of stored frames [first, end), each read straight into a buffer,
// and `taken` set for each frame read whole; a frame the read does not take
// (dropped, unreadable) is left to the frame reader. Sums are those of the
// frame as the reader would hand it over: a short sample padded with black.
// Readers take the frames a few at a time from `next`, so that one slowed
// down by other work on its processor does not hold up the rest.
struct StoredSums {
  LONG first = 0, end = 0;
  size_t imageSize = 0;
  ChannelSums* sums = nullptr;  // [0] is frame `first`
  uint8_t* taken = nullptr;
  volatile LONG next = 0;  // the first frame no reader has taken yet
};

struct StoredSumsReader {
  StoredSums* all = nullptr;
  PAVISTREAM video = nullptr;  // a stream of the reader's own
};

void SumStoredFrames(const StoredSumsReader& reader) {
  constexpr LONG kFramesATake = 8;
  StoredSums& all = *reader.all;
  std::vector<uint8_t> stored(all.imageSize);
  for (;;) {
    const LONG from = InterlockedExchangeAdd(&all.next, kFramesATake);
    if (from >= all.end) return;
    for (LONG m = from; m < std::min(from + kFramesATake, all.end); ++m) {
      LONG bytes = 0;
      if (ownavi::AVIStreamRead(reader.video, m, 1, stored.data(), static_cast<LONG>(all.imageSize),
                                &bytes, nullptr) != 0 ||
          bytes <= 0)
        continue;
      std::memset(stored.data() + bytes, 0, all.imageSize - static_cast<size_t>(bytes));
      all.sums[m - all.first] = SumChannels(stored.data(), all.imageSize);
      all.taken[m - all.first] = 1;
    }
  }
}

DWORD WINAPI SumStoredFramesThread(void* reader) {
  SumStoredFrames(*static_cast<const StoredSumsReader*>(reader));
  return 0;
}

// Reading the file is nearly all of the scan's work, and copies out of the
// system's file cache run side by side: with more than one processor, one
// thread a processor (at most four) reads and sums frames, each through its
// own opening of the file; this thread is one of them.
void SumStoredFramesInParallel(PAVISTREAM video, const std::wstring& path, StoredSums* all) {
  constexpr int kMostReaders = 4;
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const int readers =
      path.empty() ? 1
                   : static_cast<int>(std::min<DWORD>(system.dwNumberOfProcessors, kMostReaders));
  all->next = all->first;
  StoredSumsReader others[kMostReaders];
  UniqueAviStream openings[kMostReaders];
  HANDLE threads[kMostReaders] = {};
  for (int k = 1; k < readers; ++k) {
    if (ownavi::AVIStreamOpenFromFileW(openings[k].put(), path.c_str(), streamtypeVIDEO, 0,
                                       OF_SHARE_DENY_WRITE, nullptr) != 0 ||
        ownavi::AVIStreamStart(openings[k].get()) != ownavi::AVIStreamStart(video) ||
        ownavi::AVIStreamLength(openings[k].get()) != ownavi::AVIStreamLength(video))
      break;
    others[k] = {all, openings[k].get()};
  }
  // Every opening is made before any thread starts reading.
  for (int k = 1; k < readers && others[k].video; ++k)
    threads[k] = CreateThread(nullptr, 0, SumStoredFramesThread, &others[k], 0, nullptr);
  SumStoredFrames({all, video});
  for (HANDLE thread : threads) {
    if (!thread) continue;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
}

}  // namespace

bool FindSceneChanges(PAVISTREAM video, const std::wstring& path, std::vector<int32_t>* scenes) {
  scenes->clear();
  UniqueGetFrame frames(ownavi::AVIStreamGetFrameOpen(video, nullptr));
  if (!frames) {
    Show(kMessageNoFrames, kTitleFailed);
    return false;
  }
  const LONG start = ownavi::AVIStreamStart(video);
  const LONG end = start + ownavi::AVIStreamLength(video);
  const auto* first =
      static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames.get(), start));
  if (!first || first->biBitCount != 24 || first->biCompression != BI_RGB) {
    Show(kMessageOnly24BitRun, kTitleApology);
    return false;
  }
  ChannelSums previous = FrameSums(first);
  // Stored 24-bit frames are read straight into a buffer, as the frame reader
  // would hand them over less two copies of each; a frame the read does not
  // take whole goes through the reader.
  const BITMAPINFOHEADER shape = *first;
  const size_t count = end > start ? static_cast<size_t>(end - start) : 0;
  std::vector<ChannelSums> sums(count);
  std::vector<uint8_t> taken(count);
  if (count > 1 && StoredAs24Bit(video, start, shape)) {
    StoredSums stored;
    stored.first = start + 1;
    stored.end = end;
    stored.imageSize = FrameImageBytes(&shape);
    stored.sums = &sums[1];
    stored.taken = &taken[1];
    SumStoredFramesInParallel(video, path, &stored);
  }
  for (LONG m = start + 1; m < end; ++m) {
    ChannelSums current;
    if (taken[static_cast<size_t>(m - start)]) {
      current = sums[static_cast<size_t>(m - start)];
    } else {
      const auto* frame =
          static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames.get(), m));
      // A later frame of another depth is as unreadable as none.
      if (!frame || frame->biBitCount != 24 || frame->biCompression != BI_RGB) {
        Show(kMessageFrameFetchFailed, kTitleFailed);
        return false;
      }
      current = FrameSums(frame);
    }
    if (StartsScene(previous, current)) scenes->push_back(m);
    previous = current;
  }
  scenes->push_back(end);
  return true;
}

bool SplitAtSceneChanges() {
  SetMainTitle(kTitleCalculating);
  const std::wstring source = PlayerFileName();
  if (source.empty()) {
    Show(kMessageNoFile, kTitleCannotSay);
    return false;
  }
  if (!HasExtension(source, L".avi")) {
    Show(kMessageNotAvi, kTitleCannotSay);
    return false;
  }
  ScopedAviServices services;
  UniqueAviStream video;
  if (ownavi::AVIStreamOpenFromFileW(video.put(), source.c_str(), streamtypeVIDEO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0) {
    Show(kMessageOpenFailed, kTitleOh);
    return false;
  }
  std::vector<int32_t> scenes;
  if (!FindSceneChanges(video.get(), source, &scenes)) return false;
  SetMainTitle(kTitleCalculated);

  SaveOptions options;
  PAVISTREAM streams[1] = {video.get()};
  if (!ChooseSaveOptions(&options, 1, streams)) return false;
  SetMainTitle(kTitleSplitStarted);
  const std::wstring folder = BaseName(source);
  CreateDirectoryW(folder.c_str(), nullptr);  // an existing folder is fine
  bool whole = SetCurrentDirectoryW(folder.c_str()) != 0;
  if (!whole) {
    // Parts written to whatever folder is current would scatter a split
    // among other files: without its folder nothing is cut.
    FreeSaveOptions(&options);
    Show(kMessageSplitPartlyFailed, kTitleUhOh);
    return true;
  }
  const LONG start = ownavi::AVIStreamStart(video.get());
  const LONG end = start + ownavi::AVIStreamLength(video.get());
  const std::vector<SplitPart> parts = PartsFromScenes(scenes, start, end);
  for (size_t k = 0; k < parts.size(); ++k) {
    char name[32];
    std::snprintf(name, sizeof name, kSplitPartName, static_cast<int>(k));
    UniqueAviStream part;
    if (ownavi::CreateEditableStream(part.put(), nullptr) != 0) {
      whole = false;
      continue;
    }
    LONG position = 0, pasted = 0;
    if (ownavi::EditStreamPaste(part.get(), &position, &pasted, video.get(), parts[k].first,
                                parts[k].length) != 0) {
      whole = false;
      continue;
    }
    const std::wstring path = Widen(name);
    PAVISTREAM partStream = part.get();
    if (ownavi::AVISaveVW(path.c_str(), nullptr, ReportSaveProgress, 1, &partStream,
                          options.pointers.data()) != 0 &&
        ownavi::AVISaveVW(path.c_str(), nullptr, ReportSaveProgress, 1, &partStream, nullptr) != 0)
      whole = false;
  }
  SetMainTitle(kTitleSplitEnded);
  FreeSaveOptions(&options);
  if (whole)
    Show(kMessageSplitDone, kTitleGlad);
  else
    Show(kMessageSplitPartlyFailed, kTitleUhOh);
  return true;
}
