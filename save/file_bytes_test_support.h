#pragma once
// Whole files as bytes, for the writer's tests.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/file.h"

using Bytes = std::vector<uint8_t>;

inline Bytes ReadWhole(const std::string& path) {
  UniqueFile file = FileOpen(path, "rb");
  Bytes out;
  if (!file) return out;
  uint8_t piece[65536];
  size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file.get())) > 0)
    out.insert(out.end(), piece, piece + got);
  return out;
}
