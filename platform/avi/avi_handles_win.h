#pragma once
// Owners (common/handles_win.h) for the handles of the AVI services and of the
// video-compression manager. They sit here rather than in common/: common
// depends on no platform library, these release through our own services in
// namespace ownavi (the ones every program calls, never the platform's
// avifil32), and <vfw.h> may only come after the portable AVI headers.
#include "platform/avi/avi_api_win.h"

#include "common/handles_win.h"

namespace avi_handle_detail {
inline void ReleaseFile(PAVIFILE file) {
  ownavi::AVIFileRelease(file);
}
inline void ReleaseStream(PAVISTREAM stream) {
  ownavi::AVIStreamRelease(stream);
}
inline void CloseFrames(PGETFRAME frames) {
  ownavi::AVIStreamGetFrameClose(frames);
}
inline void CloseCompressor(HIC hic) {
  ICClose(hic);
}
// Our AVIFileInit only counts, so it cannot fail; the guard ends what it started all the same.
inline bool StartServices() {
  ownavi::AVIFileInit();
  return true;
}
inline void EndServices() {
  ownavi::AVIFileExit();
}
}  // namespace avi_handle_detail

// A file may be written out on its last release: release its frame readers and
// streams first (declare the file's owner before theirs).
using UniqueAviFile = UniqueAny<NullIsInvalid<PAVIFILE, avi_handle_detail::ReleaseFile>>;
using UniqueAviStream = UniqueAny<NullIsInvalid<PAVISTREAM, avi_handle_detail::ReleaseStream>>;
using UniqueGetFrame = UniqueAny<NullIsInvalid<PGETFRAME, avi_handle_detail::CloseFrames>>;
using UniqueHic = UniqueAny<NullIsInvalid<HIC, avi_handle_detail::CloseCompressor>>;
// AVIFileInit for a scope, AVIFileExit at its end.
using ScopedAviServices =
    ScopedStartup<avi_handle_detail::StartServices, avi_handle_detail::EndServices>;
