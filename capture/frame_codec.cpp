#include "capture/frame_codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "common/file.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILVA_CODEC_SSE2 1
#endif

namespace {

// Coded bytes go through a chunk of this size, so the stream sees one large
// fwrite instead of one per group, and the decoders read in large pieces.
constexpr size_t kChunk = 32768;

uint64_t LoadU64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

void XorU64(uint8_t* into, const uint8_t* with) {
  uint64_t v = LoadU64(into) ^ LoadU64(with);
  std::memcpy(into, &v, 8);
}

bool HasZeroByte(uint64_t v) {
  return ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0;
}

// Flag bits run from the most significant bit for the first byte, while byte
// masks from comparisons run from the least significant; this turns one into the other.
constexpr std::array<uint8_t, 256> MakeReverseTable() {
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int r = 0;
    for (int b = 0; b < 8; ++b)
      if (v & (1 << b)) r |= 0x80 >> b;
    table[v] = static_cast<uint8_t>(r);
  }
  return table;
}
constexpr std::array<uint8_t, 256> kReverseBits = MakeReverseTable();

// Bit j set when byte j of the 64 differs.
uint64_t ChangedMask64(const uint8_t* a, const uint8_t* b) {
#ifdef QUILVA_CODEC_SSE2
  uint64_t equal = 0;
  for (int k = 0; k < 4; ++k) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * k));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * k));
    equal |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))))
             << (16 * k);
  }
  return ~equal;
#else
  uint64_t changed = 0;
  for (int j = 0; j < 64; ++j)
    if (a[j] != b[j]) changed |= uint64_t{1} << j;
  return changed;
#endif
}

// Length of the unchanged stretch at the start of a and b, at most limit;
// readable (at least limit) bytes may be looked at.
size_t CountUnchanged(const uint8_t* a, const uint8_t* b, size_t limit, size_t readable) {
  size_t n = 0;
#ifdef QUILVA_CODEC_SSE2
  auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  while (limit - n >= 64) {
    __m128i e = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(load(a + n), load(b + n)),
                                            _mm_cmpeq_epi8(load(a + n + 16), load(b + n + 16))),
                              _mm_and_si128(_mm_cmpeq_epi8(load(a + n + 32), load(b + n + 32)),
                                            _mm_cmpeq_epi8(load(a + n + 48), load(b + n + 48))));
    if (_mm_movemask_epi8(e) != 0xFFFF) break;
    n += 64;
  }
  while (readable - n >= 16) {
    unsigned equal =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(a + n), load(b + n))));
    // Bytes beyond the limit count as equal: the stretch is cut there anyway.
    if (limit - n < 16) equal |= 0xFFFFu << (limit - n);
    if ((equal & 0xFFFF) != 0xFFFF) return n + static_cast<size_t>(std::countr_zero(~equal));
    if (limit - n <= 16) return limit;
    n += 16;
  }
#endif
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// A 256-entry table instead of a popcount call (no popcnt in the baseline ISA).
constexpr std::array<uint8_t, 256> MakeBitCountTable() {
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v)
    table[v] = static_cast<uint8_t>(std::popcount(static_cast<unsigned>(v)));
  return table;
}
constexpr std::array<uint8_t, 256> kBitCount = MakeBitCountTable();

// True when all 128 bytes are equal.
bool Unchanged128(const uint8_t* a, const uint8_t* b) {
#ifdef QUILVA_CODEC_SSE2
  auto diff = [&](int k) {
    return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * k)),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * k)));
  };
  __m128i any =
      _mm_or_si128(_mm_or_si128(_mm_or_si128(diff(0), diff(1)), _mm_or_si128(diff(2), diff(3))),
                   _mm_or_si128(_mm_or_si128(diff(4), diff(5)), _mm_or_si128(diff(6), diff(7))));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF;
#else
  return std::memcmp(a, b, 128) == 0;
#endif
}

// Coded bytes gathered before they go to the stream.
struct CodedSink {
  explicit CodedSink(std::FILE* s) : stream(s) {}
  std::FILE* stream;
  size_t used = 0;
  bool ok = true;
  uint8_t bytes[kChunk];

  uint8_t* Room(size_t n) {
    if (kChunk - used < n) Flush();
    return bytes + used;
  }
  // Also false when the stream failed earlier: bytes it took may be lost.
  bool Flush() {
    if (ok && used) ok = FileWriteAll(stream, bytes, used);
    used = 0;
    return ok && !std::ferror(stream);
  }
};

// Coded bytes read ahead from the stream, but never beyond what the frame
// being decoded is known to own: the next record starts right behind it.
struct CodedSource {
  explicit CodedSource(std::FILE* s) : stream(s) {}
  std::FILE* stream;
  size_t pos = 0;
  size_t end = 0;
  uint8_t bytes[kChunk];

  size_t Available() const { return end - pos; }
  // Tops the buffer up to `owned` bytes (capped at the chunk), owned being a
  // lower bound of the coded bytes still left in this frame.
  void Fill(size_t owned) {
    if (pos) {
      std::memmove(bytes, bytes + pos, end - pos);
      end -= pos;
      pos = 0;
    }
    size_t want = std::min(owned, kChunk);
    while (end < want) {
      size_t got = std::fread(bytes + end, 1, want - end, stream);
      if (got == 0) break;
      end += got;
    }
  }
};

}  // namespace

bool EncodeFlagXor(const uint8_t* current, const uint8_t* previous, size_t length,
                   std::FILE* stream) {
  CodedSink sink(stream);
  size_t i = 0;
  // 64 bytes (eight groups) at a time: one comparison decides an unchanged
  // stretch; inside changed areas whole-group differences go out as one word.
  while (length - i >= 64) {
    uint8_t* out = sink.Room(8 * 9);
    if (!sink.ok) return false;
    if (length - i >= 128 && Unchanged128(current + i, previous + i)) {
      std::memset(out, 0, 16);
      sink.used += 16;
      i += 128;
      continue;
    }
    uint64_t changed = ChangedMask64(current + i, previous + i);
    if (changed == 0) {
      std::memset(out, 0, 8);
      sink.used += 8;
      i += 64;
      continue;
    }
    for (int g = 0; g < 8; ++g, i += 8) {
      unsigned mask = static_cast<unsigned>(changed >> (8 * g)) & 0xFF;
      *out++ = kReverseBits[mask];
      if (mask == 0xFF) {
        uint64_t d = LoadU64(current + i) ^ LoadU64(previous + i);
        std::memcpy(out, &d, 8);
        out += 8;
      } else {
        while (mask) {
          int j = std::countr_zero(mask);
          *out++ = static_cast<uint8_t>(current[i + j] ^ previous[i + j]);
          mask &= mask - 1;
        }
      }
    }
    sink.used = static_cast<size_t>(out - sink.bytes);
  }
  while (i < length) {
    uint8_t* out = sink.Room(9);
    if (!sink.ok) return false;
    size_t n = std::min<size_t>(8, length - i);
    uint8_t flag = 0;
    uint8_t* x = out + 1;
    for (size_t j = 0; j < n; ++j) {
      uint8_t d = static_cast<uint8_t>(current[i + j] ^ previous[i + j]);
      if (d) {
        flag |= static_cast<uint8_t>(0x80 >> j);
        *x++ = d;
      }
    }
    *out = flag;
    sink.used = static_cast<size_t>(x - sink.bytes);
    i += n;
  }
  return sink.Flush();
}

bool EncodeRunXor(const uint8_t* current, const uint8_t* previous, size_t length,
                  std::FILE* stream) {
  CodedSink sink(stream);
  size_t p = 0;
  while (p < length) {
    uint8_t* group = sink.Room(9);
    if (!sink.ok) return false;
    // Eight changed bytes in a row: the group is the flag 0 and the eight differences.
    if (length - p >= 8) {
      uint64_t d = LoadU64(current + p) ^ LoadU64(previous + p);
      if (!HasZeroByte(d)) {
        group[0] = 0;
        std::memcpy(group + 1, &d, 8);
        sink.used += 9;
        p += 8;
        continue;
      }
    }
    uint8_t flag = 0;
    // Tokens behind the end of the frame carry no meaning; they are written as 0.
    std::memset(group + 1, 0, 8);
    for (int k = 0; k < 8 && p < length; ++k) {
      uint8_t d = static_cast<uint8_t>(current[p] ^ previous[p]);
      ++p;
      if (d) {
        group[1 + k] = d;
      } else {
        // A run token counts the unchanged bytes behind the first: 255 stands for 256.
        flag |= static_cast<uint8_t>(0x80 >> k);
        size_t more = CountUnchanged(current + p, previous + p, std::min<size_t>(255, length - p),
                                     length - p);
        group[1 + k] = static_cast<uint8_t>(more);
        p += more;
      }
    }
    group[0] = flag;
    sink.used += 9;
  }
  return sink.Flush();
}

bool DecodeFlagXor(std::FILE* stream, uint8_t* buffer, size_t length) {
  CodedSource source(stream);
  size_t q = 0;
  while (q < length) {
    // Every group still to come has at least its flag byte.
    if (source.Available() == 0) {
      source.Fill((length - q + 7) / 8);
      if (source.Available() == 0) return false;
    }
    while (length - q >= 64 && source.Available() >= 8 && LoadU64(source.bytes + source.pos) == 0) {
      source.pos += 8;
      q += 64;
    }
    // Inside a changed area every byte differs: groups of a 0xFF flag and eight
    // bytes follow each other at a fixed distance.
    while (length - q >= 8 && source.Available() >= 9 && source.bytes[source.pos] == 0xFF) {
      XorU64(buffer + q, source.bytes + source.pos + 1);
      source.pos += 9;
      q += 8;
    }
    if (q >= length || source.Available() == 0) continue;
    uint8_t flag = source.bytes[source.pos];
    size_t n = std::min<size_t>(8, length - q);
    // Bits of positions behind the end of the frame are not followed by a byte.
    unsigned valid = flag & (0xFF00u >> n) & 0xFF;
    size_t need = 1 + size_t{kBitCount[valid]};
    if (source.Available() < need) {
      source.Fill(need + (length - q + 7) / 8 - 1);
      if (source.Available() < need) {
        // The stream ends inside this group: what did arrive still counts.
        const uint8_t* x = source.bytes + source.pos + 1;
        size_t have = source.Available() - 1;
        for (size_t i = 0; i < n && have; ++i) {
          if (valid & (0x80u >> i)) {
            buffer[q + i] ^= *x++;
            --have;
          }
        }
        return false;
      }
    }
    const uint8_t* x = source.bytes + source.pos + 1;
    if (valid == 0xFF) {
      XorU64(buffer + q, x);
    } else {
      // One step per changed byte rather than one per position.
      unsigned positions = kReverseBits[valid];
      while (positions) {
        buffer[q + static_cast<size_t>(std::countr_zero(positions))] ^= *x++;
        positions &= positions - 1;
      }
    }
    source.pos += need;
    q += n;
  }
  return true;
}

bool DecodeRunXor(std::FILE* stream, uint8_t* buffer, size_t length) {
  CodedSource source(stream);
  size_t q = 0;
  while (q < length) {
    if (source.Available() < 9) {
      // A group covers at most 8 × 256 bytes, so this many groups are still ours.
      source.Fill((length - q + 2047) / 2048 * 9);
      if (source.Available() < 9) return false;
    }
    const uint8_t* group = source.bytes + source.pos;
    source.pos += 9;
    if (group[0] == 0 && length - q >= 8) {
      XorU64(buffer + q, group + 1);
      q += 8;
      continue;
    }
    for (int k = 0; k < 8 && q < length; ++k) {
      uint8_t token = group[1 + k];
      if (group[0] & (0x80 >> k))
        q += std::min<size_t>(size_t{token} + 1, length - q);
      else
        buffer[q++] ^= token;
    }
  }
  return true;
}

bool EncodeFlagXor_ref(const uint8_t* current, const uint8_t* previous, size_t length,
                       std::FILE* stream) {
  size_t p = 0;
  while (p < length) {
    uint8_t group[9];
    size_t used = 1;
    group[0] = 0;
    for (int i = 0; i < 8 && p < length; ++i, ++p) {
      uint8_t d = static_cast<uint8_t>(current[p] ^ previous[p]);
      if (d) {
        group[0] |= static_cast<uint8_t>(0x80 >> i);
        group[used++] = d;
      }
    }
    if (!FileWriteAll(stream, group, used)) return false;
  }
  return true;
}

bool EncodeRunXor_ref(const uint8_t* current, const uint8_t* previous, size_t length,
                      std::FILE* stream) {
  size_t p = 0;
  while (p < length) {
    uint8_t group[9] = {};
    for (int k = 0; k < 8 && p < length; ++k) {
      uint8_t d = static_cast<uint8_t>(current[p] ^ previous[p]);
      ++p;
      if (d) {
        group[1 + k] = d;
      } else {
        group[0] |= static_cast<uint8_t>(1 << (7 - k));
        int count = 0;
        while (p < length && current[p] == previous[p] && count < 255) {
          ++count;
          ++p;
        }
        group[1 + k] = static_cast<uint8_t>(count);
      }
    }
    if (!FileWriteAll(stream, group, 9)) return false;
  }
  return true;
}

bool DecodeFlagXor_ref(std::FILE* stream, uint8_t* buffer, size_t length) {
  size_t q = 0;
  while (q < length) {
    int flag = std::fgetc(stream);
    if (flag == EOF) return false;
    for (int i = 0; i < 8 && q < length; ++i, ++q) {
      if (flag & (0x80 >> i)) {
        int d = std::fgetc(stream);
        if (d == EOF) return false;
        buffer[q] ^= static_cast<uint8_t>(d);
      }
    }
  }
  return true;
}

bool DecodeRunXor_ref(std::FILE* stream, uint8_t* buffer, size_t length) {
  size_t q = 0;
  while (q < length) {
    uint8_t group[9];
    if (std::fread(group, 1, 9, stream) != 9) return false;
    for (int k = 0; k < 8 && q < length; ++k) {
      if (group[0] & (0x80 >> k))
        q = std::min(length, q + group[1 + k] + 1);
      else
        buffer[q++] ^= group[1 + k];
    }
  }
  return true;
}

FrameEncoder SelectFrameEncoder(uint8_t codec) {
  switch (codec) {
    case kTempCodecFlagXor: return EncodeFlagXor;
    case kTempCodecRunXor: return EncodeRunXor;
    default: return nullptr;
  }
}

FrameDecoder SelectFrameDecoder(uint8_t codec) {
  switch (codec) {
    case kTempCodecFlagXor: return DecodeFlagXor;
    case kTempCodecRunXor: return DecodeRunXor;
    default: return nullptr;
  }
}
