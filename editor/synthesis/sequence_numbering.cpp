#include "editor/synthesis/sequence_numbering.h"

void SplitPath(const std::string& path, std::string* folder, std::string* base,
               std::string* extension) {
  const size_t separator = path.find_last_of("\\/:");
  const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) dot = path.size();
  *folder = path.substr(0, nameStart);
  *base = path.substr(nameStart, dot - nameStart);
  *extension = path.substr(dot);
}

bool FormSequenceNumbering(const std::string& firstPath, SequenceNumbering* out) {
  std::string folder, base, extension;
  SplitPath(firstPath, &folder, &base, &extension);
  const size_t last = base.rfind('0');
  if (last == std::string::npos) return false;
  size_t start = last;
  while (start > 0 && base[start - 1] == '0') --start;
  out->firstPath = firstPath;
  out->folder = folder;
  out->prefix = base.substr(0, start);  // whatever followed the last "0" is dropped
  out->extension = extension;
  out->digits = static_cast<int>(last - start + 1);
  return true;
}

// The number is written by itself and joined to the prefix, so a "%" in a
// picture's name stays a plain character.
std::string SequenceFileBase(const SequenceNumbering& sequence, int k) {
  if (k == 0) {
    std::string folder, base, extension;
    SplitPath(sequence.firstPath, &folder, &base, &extension);
    return base;
  }
  std::string number = std::to_string(k);
  if (static_cast<int>(number.size()) < sequence.digits)
    number.insert(0, static_cast<size_t>(sequence.digits) - number.size(), '0');
  return sequence.prefix + number;
}

std::string SequenceFilePath(const SequenceNumbering& sequence, int k) {
  if (k == 0) return sequence.firstPath;
  return sequence.folder + SequenceFileBase(sequence, k) + sequence.extension;
}
