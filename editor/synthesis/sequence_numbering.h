#pragma once
// Names of a numbered picture sequence, from the name of its first picture:
// the run of "0" characters ending at the last "0" of the base name is where
// the number goes, written with at least as many digits as the run is long.
#include <string>

struct SequenceNumbering {
  std::string firstPath;  // file 0: the first picture itself
  std::string folder;     // drive and folder, with the closing separator; may be empty
  std::string prefix;     // the base name before the run of zeros
  std::string extension;  // with its dot; may be empty
  int digits = 1;         // at least this many digits, zero-padded
};

// False when the base name holds no "0": no sequence can be formed.
bool FormSequenceNumbering(const std::string& firstPath, SequenceNumbering* out);
// File k of the sequence; file 0 is the first file itself.
std::string SequenceFilePath(const SequenceNumbering& sequence, int k);
// The base name (no folder, no extension) of file k.
std::string SequenceFileBase(const SequenceNumbering& sequence, int k);

// Splits a path at its last separator ('\\', '/' or a drive's ':') and its
// extension's dot.
void SplitPath(const std::string& path, std::string* folder, std::string* base,
               std::string* extension);
