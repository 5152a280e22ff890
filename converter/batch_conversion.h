#pragma once
// The converter's unattended way ("/batch"): one temp file to one uncompressed
// AVI beside it, with no dialog or message box; what would have been said
// becomes the file's line. Paths are UTF-8.
#include <string>

#include "save/temp_conversion.h"

// How one file ended, worst last: the exit code of a run is that of its worst file.
enum class BatchStatus {
  Converted = 0,  // everything the temp file and its WAV held is in the AVI
  Partial = 2,    // an AVI was written, but something was left out (said on the line)
  Failed = 1,     // no AVI
};

struct BatchFile {
  std::string tempPath;
  std::string wavPath;  // empty: no companion WAV was found
  std::string aviPath;
  bool deleteAfter = false;
};

struct BatchOutcome {
  BatchStatus status = BatchStatus::Failed;
  std::string line;  // without the line end
};

// Converts, then with deleteAfter removes the temp file and the WAV each only
// when all it held is in the AVI; a half-written AVI is removed.
BatchOutcome ConvertBatchFile(const BatchFile& file);
// The exit code of a run whose files ended so (0 for no files).
int BatchExitCode(BatchStatus worst);
// Keeps the worse of two statuses: Failed over Partial over Converted.
BatchStatus BatchWorse(BatchStatus a, BatchStatus b);
