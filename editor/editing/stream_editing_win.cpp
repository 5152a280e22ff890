#include "editor/editing/stream_editing_win.h"

#include "editor/editing/save_conventions_win.h"
#include "editor/pipeline/output_movie_win.h"
#include "platform/avi/avi_handles_win.h"

#include <cstdio>

#include "common/message.h"
#include "editor/commands/messages.h"
#include "editor/pipeline/whole_movie_win.h"

namespace {

constexpr FileDialogRow kPartnerWaveRow{"wav(*.wav)", "*.wav", kPartnerDialogTitle, "WAV"};
constexpr FileDialogRow kPartnerAviRow{"avi(*.avi)", "*.avi", kPartnerDialogTitle, "AVI"};
constexpr FileDialogRow kPastedRow{"avi(*.avi)", "*.avi", kPasteDialogTitle, "AVI"};

MessageAnswer Show(const char* text, const char* title,
                   MessageButtons buttons = MessageButtons::Ok) {
  return ShowMessage(text, title, buttons);
}

// The first stream of the type in the file; the services are started.
bool OpenStream(UniqueAviStream* stream, const std::wstring& path, DWORD type) {
  return ownavi::AVIStreamOpenFromFileW(stream->put(), path.c_str(), type, 0, OF_SHARE_DENY_WRITE,
                                        nullptr) == 0;
}

bool Fail(const char* text, const char* title) {
  Show(text, title);
  return false;
}

void ShowFrameProgress(long done, long total) {
  char text[32];
  std::snprintf(text, sizeof text, kFrameProgressTitle, static_cast<int>(done),
                static_cast<int>(total));
  ShowProgress(text);
}

LONG PlayerPosition() {
  return static_cast<LONG>(SendMessageW(gEditorWindows.playerWindow, MCIWNDM_GETPOSITIONW, 0, 0));
}

int32_t FrameHeight(const BITMAPINFOHEADER* frame) {
  return frame->biHeight < 0 ? -frame->biHeight : frame->biHeight;
}

// The stream (already opened) saved under the name the user chose, with the
// options the user picks: the common end of the commands that save streams.
bool SaveStreams(const std::wstring& chosen, const wchar_t* extension, int count,
                 PAVISTREAM* streams) {
  SaveOptions options;
  if (!ChooseSaveOptions(&options, count, streams)) return false;
  const std::wstring name = NameDestination(chosen, extension);
  const bool saved = SaveWithRetry(name, count, streams, options.pointers.data(),
                                   gEditorWindows.mainWindow, kMainWindowRetry);
  FreeSaveOptions(&options);
  return saved;
}

// Whether CreateOutputMovie gave up because the user cancelled the compressor
// chooser (the choice it prepared is still there) rather than after a failure
// of its own, which clears the choice.
bool ChooserCancelled(const OutputMovie& output) {
  return output.compressorChoice.cbSize != 0;
}

}  // namespace

bool ExtractTrack(bool video) {
  const std::wstring source = PlayerFileName();
  if (source.empty()) return Fail(kMessageNoFile, kTitleCannotSay);
  if (!HasExtension(source, L".avi")) return Fail(kMessageNotAvi, kTitleCannotSay);
  const FileDialogRow& row = video ? kAviDestinationRow : kWaveDestinationRow;
  std::wstring chosen;
  if (!AskSaveDestination(gEditorWindows.mainWindow, row, {source}, &chosen)) return false;
  ScopedAviServices services;
  UniqueAviStream stream;
  if (!OpenStream(&stream, source, video ? streamtypeVIDEO : streamtypeAUDIO))
    return Fail(kMessageOpenFailed, kTitleOh);
  PAVISTREAM streams[] = {stream.get()};
  return SaveStreams(chosen, video ? L".AVI" : L".WAV", 1, streams);
}

bool JoinVideoAndSound() {
  const std::wstring player = PlayerFileName();
  if (player.empty()) return Fail(kMessageNoFile, kTitleCannotSay);
  const bool playerHasAvi = HasExtension(player, L".avi");
  if (!playerHasAvi && !HasExtension(player, L".wav"))
    return Fail(kMessageNotAviOrWave, kTitleCannotSay);
  std::wstring partner;
  if (!AskOpenFile(gEditorWindows.mainWindow, playerHasAvi ? kPartnerWaveRow : kPartnerAviRow,
                   kSaveDialogFlags, &partner))
    return false;
  const std::wstring& avi = playerHasAvi ? player : partner;
  const std::wstring& wave = playerHasAvi ? partner : player;
  std::wstring chosen;
  if (!AskSaveDestination(gEditorWindows.mainWindow, kAviDestinationRow, {player, partner},
                          &chosen))
    return false;
  ScopedAviServices services;
  UniqueAviStream video, sound;
  if (!OpenStream(&video, avi, streamtypeVIDEO)) return Fail(kMessageJoinAviOpenFailed, kTitleOh);
  if (!OpenStream(&sound, wave, streamtypeAUDIO)) return Fail(kMessageJoinWaveOpenFailed, kTitleOh);
  PAVISTREAM streams[] = {video.get(), sound.get()};
  return SaveStreams(chosen, L".AVI", 2, streams);
}

bool PasteMovie() {
  std::wstring pastedPath;
  if (!AskOpenFile(gEditorWindows.mainWindow, kPastedRow, 0, &pastedPath)) return false;
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ScopedAviServices services;
  UniqueAviStream video, edited, pasted;
  if (!OpenStream(&video, source, streamtypeVIDEO)) return Fail(kMessageOpenFailed, kTitleOh);
  if (ownavi::CreateEditableStream(edited.put(), video.get()) != 0)
    return Fail(kMessageEditableFailed, kTitleOh);
  if (!OpenStream(&pasted, pastedPath, streamtypeVIDEO)) return Fail(kMessageOpenFailed, kTitleOh);
  const LONG position = PlayerPosition();
  LONG at = position, length = 0;
  if (ownavi::EditStreamPaste(edited.get(), &at, &length, pasted.get(),
                              ownavi::AVIStreamStart(pasted.get()), -1) == 0) {
    PAVISTREAM streams[] = {edited.get()};
    return SaveStreams(destination, L".AVI", 1, streams);
  }
  // Frames of another size or depth cannot join the stream: redrawn instead.
  return PasteByRedrawing(video.get(), pasted.get(), position, destination);
}

bool PasteByRedrawing(PAVISTREAM source, PAVISTREAM pasted, LONG position,
                      const std::wstring& destination) {
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(source, &info, sizeof info) != 0)
    return Fail(kMessageStreamInfoFailed, kTitleSerious);
  const LONG s = static_cast<LONG>(info.dwStart);
  const LONG sourceEnd = s + static_cast<LONG>(info.dwLength);
  LONG p = position;
  if (p >= sourceEnd) p = sourceEnd - 1;
  // A position before a stream that starts later puts the pasted frames first.
  if (p < s - 1) p = s - 1;
  const LONG pastedStart = ownavi::AVIStreamStart(pasted);
  const LONG pastedEnd = pastedStart + ownavi::AVIStreamLength(pasted);
  const long total = static_cast<long>(info.dwLength) + (pastedEnd - pastedStart);

  UniqueGetFrame frames(ownavi::AVIStreamGetFrameOpen(source, nullptr));
  if (!frames) return Fail(kMessageNoFramesAt[0], kTitleFailed);
  const auto* first =
      static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames.get(), s));
  if (!first) return Fail(kMessageFrameFetchFailed, kTitleFailed);
  const int32_t width = first->biWidth, height = FrameHeight(first);

  OutputMovie output;
  HDC dc =
      CreateOutputMovie(&output, nullptr, width, height, destination, info.dwScale, info.dwRate);
  if (!dc) {
    if (!ChooserCancelled(output)) Show(kMessageNoMemoryContextHandle, kTitleFailed);
    return false;
  }
  long written = 0;
  // One stretch of frames [from, to) of a stream through the output; stretch
  // names it in the messages.
  auto copyStretch = [&](PGETFRAME reader, LONG from, LONG to, int stretch) {
    for (LONG i = from; i < to; ++i) {
      ShowFrameProgress(written, total);
      const auto* frame =
          static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(reader, i));
      if (!frame) return Fail(kMessageFrameFetchFailedAt[stretch], kTitleFailed);
      DrawFrameScaled(dc, frame, width, height);
      if (!WriteOutputFrame(&output)) return Fail(kMessagePasteWriteFailed, kTitleInTrouble);
      ++written;
    }
    return true;
  };
  bool ok = copyStretch(frames.get(), s, p + 1, 0);
  if (ok) {
    UniqueGetFrame pastedFrames(ownavi::AVIStreamGetFrameOpen(pasted, nullptr));
    ok = pastedFrames ? copyStretch(pastedFrames.get(), pastedStart, pastedEnd, 1)
                      : Fail(kMessageNoFramesAt[1], kTitleFailed);
  }
  if (ok) {
    // A reader of its own for the last stretch, as for the others.
    frames.reset(ownavi::AVIStreamGetFrameOpen(source, nullptr));
    ok = frames ? copyStretch(frames.get(), p + 1, sourceEnd, 2)
                : Fail(kMessageNoFramesAt[2], kTitleFailed);
  }
  // The file is written out as it closes: a disk that fills then is a failed write.
  if (!CloseOutputMovie(&output) && ok) ok = Fail(kMessagePasteWriteFailed, kTitleInTrouble);
  return ok;
}

bool BuildHalvedStream(PAVISTREAM video, PAVISTREAM* result) {
  UniqueAviStream halved;
  if (ownavi::CreateEditableStream(halved.put(), nullptr) != 0)
    return Fail(kMessageEditableFailed, kTitleOh);
  const LONG start = ownavi::AVIStreamStart(video);
  const LONG end = start + ownavi::AVIStreamLength(video);
  for (LONG i = start; i < end; i += 2) {
    LONG at = ownavi::AVIStreamLength(halved.get()), length = 0;
    if (ownavi::EditStreamPaste(halved.get(), &at, &length, video, i, 1) != 0)
      return Fail(kMessagePasteSampleFailed, kTitleOh);
  }
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(video, &info, sizeof info) == 0) {
    // Twice the time per frame: half the frames last as long as all did.
    if (info.dwScale <= 0x7FFFFFFFu)
      info.dwScale *= 2;
    else
      info.dwRate = info.dwRate > 1 ? info.dwRate / 2 : 1;
    ownavi::EditStreamSetInfoW(halved.get(), &info, sizeof info);
  }
  *result = halved.release();
  return true;
}

bool HalveFrameCount() {
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ScopedAviServices services;
  UniqueAviStream video, halved;
  if (!OpenStream(&video, source, streamtypeVIDEO)) return Fail(kMessageOpenFailed, kTitleOh);
  if (!BuildHalvedStream(video.get(), halved.put())) return false;
  PAVISTREAM streams[] = {halved.get()};
  const bool saved = SaveStreams(destination, L".AVI", 1, streams);
  if (saved) Show(kMessageDone, kTitleGlad);
  return saved;
}

bool ConvertTo24Bit() {
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ScopedAviServices services;
  UniqueAviStream video, sound;
  if (!OpenStream(&video, source, streamtypeVIDEO)) return Fail(kMessageOpenFailed, kTitleOh);
  OpenStream(&sound, source, streamtypeAUDIO);  // none: the movie is silent
  AVISTREAMINFOW info{};
  if (ownavi::AVIStreamInfoW(video.get(), &info, sizeof info) != 0)
    return Fail(kMessageStreamInfoFailed, kTitleSerious);
  UniqueGetFrame frames(ownavi::AVIStreamGetFrameOpen(video.get(), nullptr));
  if (!frames) return Fail(kMessageNoFrames, kTitleFailed);
  const LONG start = ownavi::AVIStreamStart(video.get());
  const LONG end = start + ownavi::AVIStreamLength(video.get());
  const auto* first =
      static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames.get(), start));
  if (!first) return Fail(kMessageHeaderFailed, kTitleOh);

  OutputMovie output;
  HDC dc = CreateOutputMovie(&output, nullptr, first->biWidth, FrameHeight(first), destination,
                             info.dwScale, info.dwRate);
  if (!dc) {
    if (!ChooserCancelled(output)) Show(kMessageNoMemoryContext, kTitleOh);
    return false;
  }
  bool ok = true;
  for (LONG i = start; i < end && ok; ++i) {
    ShowFrameProgress(i, end);
    const auto* frame =
        static_cast<const BITMAPINFOHEADER*>(ownavi::AVIStreamGetFrame(frames.get(), i));
    if (!frame) {
      ok = Fail(kMessageFrameFetchFailed, kTitleFailed);
      break;
    }
    // Drawn at its own size into the 24-bit bitmap: any depth becomes 24 bits.
    DrawFrameScaled(dc, frame, frame->biWidth, FrameHeight(frame));
    if (!WriteOutputFrame(&output)) ok = Fail(kMessageConvertWriteFailed, kTitleFailed);
  }
  if (ok && sound &&
      Show(kMessageSaveAudio, kTitleByTheWay, MessageButtons::YesNo) == MessageAnswer::Yes) {
    ShowProgress(kTitleSavingAudio);
    CopyStreamToOutput(&output, sound.get(), -1, -1);
  }
  frames.reset();
  if (!CloseOutputMovie(&output) && ok) ok = Fail(kMessageConvertWriteFailed, kTitleFailed);
  if (ok) Show(kMessageDone, kTitleDidIt);
  return ok;
}

bool BuildReversedStream(PAVISTREAM video, PAVISTREAM* result) {
  UniqueAviStream copy, reversed;
  if (ownavi::CreateEditableStream(copy.put(), video) != 0)
    return Fail(kMessageNoEditableStream, kTitleFailed);
  if (ownavi::CreateEditableStream(reversed.put(), nullptr) != 0)
    return Fail(kMessageNoEditableStream, kTitleFailed);
  const LONG start = ownavi::AVIStreamStart(copy.get());
  const LONG end = start + ownavi::AVIStreamLength(copy.get());
  for (LONG i = start; i < end; ++i) {
    // Each frame in turn goes to the front, so the last one ends up first.
    LONG from = i, length = 1;
    UniqueAviStream clip;
    if (ownavi::EditStreamCopy(copy.get(), &from, &length, clip.put()) != 0 || !clip)
      return Fail(kMessageCopyFailed, kTitleFailed);
    LONG at = 0, pastedLength = 0;
    if (ownavi::EditStreamPaste(reversed.get(), &at, &pastedLength, clip.get(),
                                ownavi::AVIStreamStart(clip.get()), -1) != 0)
      return Fail(kMessagePasteFailed, kTitleFailed);
  }
  *result = reversed.release();
  return true;
}

bool ReverseMovie() {
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ScopedAviServices services;
  UniqueAviStream reversed;
  {
    UniqueAviStream video;
    if (!OpenStream(&video, source, streamtypeVIDEO))
      return Fail(kMessageNoStreamFromFile, kTitleFailed);
    if (!BuildReversedStream(video.get(), reversed.put())) return false;
  }
  PAVISTREAM streams[] = {reversed.get()};
  const bool saved = SaveStreams(destination, L".AVI", 1, streams);
  if (saved) Show(kMessageReverseDone, kTitleGladIndeed);
  return saved;
}
