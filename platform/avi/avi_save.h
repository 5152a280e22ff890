#pragma once
// AVISaveV for already-prepared streams: writes every sample of each stream,
// interleaved by time, into a new AVI file, or the first sound stream into a
// WAVE file when the name ends in ".wav". Compression is not done here (the
// Win32 side wraps the streams in compressing ones before it calls this).
#include <functional>
#include <string>
#include <vector>

#include "platform/avi/avi_stream.h"
#include "platform/avi/avi_writer.h"

// The percentage done (0 to 100); a non-zero answer stops the save with
// AVIERR_USERABORT, as the platform's AVISAVECALLBACK does.
using AviSaveCallback = std::function<int(int percent)>;

struct AviSaveOptions {
  OdmlWriterOptions writer;
};

// A failed or stopped save removes the incomplete file.
AviResult AviSave(const std::string& path, const std::vector<AviStreamRef>& streams,
                  const AviSaveCallback& progress, const AviSaveOptions& options = {});
// The same into a sink (tests); wave selects the WAVE form.
AviResult AviSaveToSink(AviSink& sink, bool wave, const std::vector<AviStreamRef>& streams,
                        const AviSaveCallback& progress, const AviSaveOptions& options = {});
// Removes what a failed write left at path when it is an ordinary file (a
// device such as the null one stays).
void AviRemoveFailedOutput(const std::string& path);
