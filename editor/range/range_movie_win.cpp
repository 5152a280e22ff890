// The range as a new AVI: the video samples first..last pasted into an
// editable stream and, when the movie has sound, the stretch of sound that
// plays with them, saved with the options the user picks.
#include "editor/range/range_dialog_win.h"

#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>

#include <algorithm>

#include "common/message.h"
#include "editor/commands/messages.h"
#include "editor/editing/save_conventions_win.h"
#include "editor/range/range_rules.h"

RangeStreams::~RangeStreams() {
  for (PAVISTREAM s : {sound, editAudio, editVideo, audio, video})
    if (s) ownavi::AVIStreamRelease(s);
}

bool BuildRangeStreams(const std::wstring& source, LONG first, LONG last, RangeStreams* s) {
  auto fail = [](const char* text) {
    ShowMessage(text, kTitleOh, MessageButtons::Ok, MessageIcon::None, nullptr);
    return false;
  };
  if (ownavi::AVIStreamOpenFromFileW(&s->video, source.c_str(), streamtypeVIDEO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0) {
    s->video = nullptr;
    return fail(kMessageOpenFailed);
  }
  if (ownavi::CreateEditableStream(&s->editVideo, nullptr) != 0) {
    s->editVideo = nullptr;
    return fail(kRangeMessageEditVideoFailed);
  }
  LONG position = 0, length = last - first + 1;
  if (ownavi::EditStreamPaste(s->editVideo, &position, &length, s->video, first,
                              last - first + 1) != 0)
    return fail(kRangeMessagePasteVideoFailed);
  AVISTREAMINFOW videoInfo{};
  ownavi::AVIStreamInfoW(s->video, &videoInfo, sizeof videoInfo);
  ownavi::AVIStreamRelease(s->video);
  s->video = nullptr;
  if (ownavi::AVIStreamOpenFromFileW(&s->audio, source.c_str(), streamtypeAUDIO, 0,
                                     OF_SHARE_DENY_WRITE, nullptr) != 0) {
    s->audio = nullptr;
    return true;
  }
  if (ownavi::CreateEditableStream(&s->editAudio, s->audio) != 0) {
    s->editAudio = nullptr;
    return fail(kRangeMessageEditAudioFailed);
  }
  // The sound that plays with these frames, from the first frame's start to
  // the last one's end, counted in the two time bases without rounding.
  AVISTREAMINFOW soundInfo{};
  ownavi::AVIStreamInfoW(s->audio, &soundInfo, sizeof soundInfo);
  auto soundAt = [&](LONG frame) {
    return SoundSampleAt(frame, videoInfo.dwScale, videoInfo.dwRate, soundInfo.dwScale,
                         soundInfo.dwRate);
  };
  const int64_t soundEnd = int64_t{soundInfo.dwStart} + soundInfo.dwLength;
  LONG a0 = static_cast<LONG>(std::min(soundAt(first), soundEnd));
  LONG count = static_cast<LONG>(std::min(soundAt(last + 1), soundEnd) - a0);
  if (count < 1) return true;  // the sound ends before the range: a silent movie
  if (ownavi::EditStreamCopy(s->editAudio, &a0, &count, &s->sound) != 0 || !s->sound) {
    s->sound = nullptr;
    return fail(kRangeMessageCopyAudioFailed);
  }
  return true;
}

bool ExtractRangeToMovie(LONG first, LONG last) {
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ownavi::AVIFileInit();
  bool saved = false;
  {
    RangeStreams s;
    if (BuildRangeStreams(source, first, last, &s)) {
      PAVISTREAM streams[2] = {s.editVideo, s.sound};
      const int count = s.sound ? 2 : 1;
      SaveOptions options;
      if (ChooseSaveOptions(&options, count, streams)) {
        saved = SaveWithRetry(NameDestination(destination, L".AVI"), count, streams,
                              options.pointers.data(), nullptr);
        FreeSaveOptions(&options);
      }
    }
  }
  ownavi::AVIFileExit();
  return saved;
}
