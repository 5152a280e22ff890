// The range as a new AVI: the video samples first..last pasted into an
// editable stream and, when the movie has sound, the stretch of sound that
// plays with them, saved with the options the user picks.
#include "editor/range/range_dialog_win.h"

#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>

#include "common/message.h"
#include "editor/commands/messages.h"
#include "editor/editing/save_conventions_win.h"

namespace {

void Show(const char* text) {
  ShowMessage(text, kTitleOh, MessageButtons::Ok, MessageIcon::None, nullptr);
}

struct RangeStreams {
  PAVISTREAM video = nullptr;      // the source's
  PAVISTREAM audio = nullptr;      // the source's
  PAVISTREAM editVideo = nullptr;  // the range
  PAVISTREAM editAudio = nullptr;  // the whole sound, editable
  PAVISTREAM sound = nullptr;      // the stretch of it
  ~RangeStreams() {
    for (PAVISTREAM s : {sound, editAudio, editVideo, audio, video})
      if (s) ownavi::AVIStreamRelease(s);
  }
};

}  // namespace

bool ExtractRangeToMovie(LONG first, LONG last) {
  std::wstring source, destination;
  if (!ChooseSourceAndDestination(&source, &destination)) return false;
  ownavi::AVIFileInit();
  bool saved = false;
  {
    RangeStreams s;
    auto fail = [&](const char* text) {
      Show(text);
      return false;
    };
    auto build = [&]() -> bool {
      if (ownavi::AVIStreamOpenFromFileW(&s.video, source.c_str(), streamtypeVIDEO, 0,
                                         OF_SHARE_DENY_WRITE, nullptr) != 0) {
        s.video = nullptr;
        return fail(kMessageOpenFailed);
      }
      if (ownavi::CreateEditableStream(&s.editVideo, nullptr) != 0) {
        s.editVideo = nullptr;
        return fail(kRangeMessageEditVideoFailed);
      }
      LONG position = 0, length = last - first + 1;
      if (ownavi::EditStreamPaste(s.editVideo, &position, &length, s.video, first,
                                  last - first + 1) != 0)
        return fail(kRangeMessagePasteVideoFailed);
      // The sound that plays with these frames: from the first frame's start
      // to the end of the last one.
      const LONG from = ownavi::AVIStreamSampleToTime(s.video, first);
      const LONG to = ownavi::AVIStreamSampleToTime(s.video, last + 1);
      ownavi::AVIStreamRelease(s.video);
      s.video = nullptr;
      if (ownavi::AVIStreamOpenFromFileW(&s.audio, source.c_str(), streamtypeAUDIO, 0,
                                         OF_SHARE_DENY_WRITE, nullptr) != 0) {
        s.audio = nullptr;
        return true;
      }
      if (ownavi::CreateEditableStream(&s.editAudio, s.audio) != 0) {
        s.editAudio = nullptr;
        return fail(kRangeMessageEditAudioFailed);
      }
      LONG a0 = ownavi::AVIStreamTimeToSample(s.audio, from);
      LONG count = ownavi::AVIStreamTimeToSample(s.audio, to) - a0;
      if (count < 1) count = 1;
      if (ownavi::EditStreamCopy(s.editAudio, &a0, &count, &s.sound) != 0 || !s.sound) {
        s.sound = nullptr;
        return fail(kRangeMessageCopyAudioFailed);
      }
      return true;
    };
    if (build()) {
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
