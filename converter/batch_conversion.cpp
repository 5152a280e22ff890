#include "converter/batch_conversion.h"

#include "common/file.h"
#include "common/message.h"

namespace {
// Messages of a batch run become the reason on the file's line.
MessageAnswer CollectMessage(const MessageRequest& request, void* context) {
  auto* reason = static_cast<std::string*>(context);
  if (!reason->empty()) *reason += " / ";
  *reason += request.text;
  return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

std::string Remark(const std::string& text) {
  return " (" + text + ")";
}
}  // namespace

BatchOutcome ConvertBatchFile(const BatchFile& file) {
  BatchOutcome outcome;
  if (FileExists(file.aviPath)) {
    outcome.line = "FAILED " + file.tempPath + ": " + file.aviPath + " already exists";
    return outcome;
  }
  std::string reason;
  MessageHandlerSlot previous = SetMessageHandler({CollectMessage, &reason});
  TempConversionResult result;
  bool ok, soundSaved;
  {
    AviWriterSink sink(file.aviPath, file.wavPath, WavReadMode::Streamed);
    ok = RunTempConversion(file.tempPath, sink, nullptr, nullptr, &result);
    soundSaved = sink.HasSound();
  }
  SetMessageHandler(previous);
  if (!ok) {
    FileRemove(file.aviPath);  // no half-written movie is left behind
    outcome.line =
        "FAILED " + file.tempPath + ": " + (reason.empty() ? "conversion failed" : reason);
    return outcome;
  }

  outcome.status = BatchStatus::Converted;
  outcome.line = "OK " + file.tempPath + " -> " + file.aviPath;
  const bool soundGiven = !file.wavPath.empty();
  if (soundGiven && soundSaved) {
    outcome.line += Remark("with sound");
  } else if (soundGiven) {
    // The WAV's own words say why; the movie went on without it.
    outcome.line += Remark("sound refused: " + (reason.empty() ? "no usable sound" : reason));
    outcome.status = BatchStatus::Partial;
  }
  const std::string remark = TempConversionRemark(result);
  if (!remark.empty()) {
    outcome.line += Remark(remark);
    outcome.status = BatchStatus::Partial;
  }
  if (file.deleteAfter) {
    if (TempConversionWhole(result)) {
      FileRemove(file.tempPath);
    } else {
      outcome.line += Remark("temp file kept");
    }
    if (soundGiven && soundSaved) {
      FileRemove(file.wavPath);
    } else if (soundGiven) {
      outcome.line += Remark("WAV kept");
    }
  }
  return outcome;
}

BatchStatus BatchWorse(BatchStatus a, BatchStatus b) {
  auto rank = [](BatchStatus s) {
    return s == BatchStatus::Failed ? 2 : s == BatchStatus::Partial ? 1 : 0;
  };
  return rank(a) >= rank(b) ? a : b;
}

int BatchExitCode(BatchStatus worst) {
  return static_cast<int>(worst);
}
