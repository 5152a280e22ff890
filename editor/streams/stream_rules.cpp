#include "editor/streams/stream_rules.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <array>

#include <emmintrin.h>
#define QUILVA_SCENE_SSE2 1
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define QUILVA_SCENE_AVX2 1
#endif

ChannelSumOptions channelSumOptions;

namespace {

// Bytes in whole triplets: the one or two bytes left over at the end belong to
// no channel.
size_t TripletBytes(size_t imageSize) {
  return imageSize / 3 * 3;
}

void AddTriplets(const uint8_t* p, size_t bytes, uint64_t sums[3]) {
  for (size_t i = 0; i < bytes; i += 3) {
    sums[0] += p[i];
    sums[1] += p[i + 1];
    sums[2] += p[i + 2];
  }
}

#ifdef QUILVA_SCENE_SSE2
// 48 bytes are 16 whole triplets, so byte j of every 48-byte block belongs to
// channel j % 3. Within one block the bytes of a channel fill each of the 16
// byte lanes exactly once across its three vectors, so masking and merging
// them gives one vector per channel, whose 16 bytes psadbw adds into two
// 64-bit lanes that no frame a file can hold overflows.
size_t AddBlocks(const uint8_t* p, size_t bytes, uint64_t sums[3]) {
  // maskBytes[v][c]: the lanes of vector v of a block that hold channel c.
  static constexpr auto maskBytes = [] {
    std::array<std::array<std::array<uint8_t, 16>, 3>, 3> m{};
    for (int v = 0; v < 3; ++v)
      for (int c = 0; c < 3; ++c)
        for (int j = 0; j < 16; ++j) m[v][c][j] = (16 * v + j) % 3 == c ? 0xFF : 0;
    return m;
  }();
  __m128i mask[3][3];
  for (int v = 0; v < 3; ++v)
    for (int c = 0; c < 3; ++c)
      mask[v][c] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(maskBytes[v][c].data()));
  const __m128i zero = _mm_setzero_si128();
  __m128i total[3] = {zero, zero, zero};
  size_t i = 0;
  for (; i + 48 <= bytes; i += 48) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32));
    for (int k = 0; k < 3; ++k) {
      const __m128i channel =
          _mm_or_si128(_mm_or_si128(_mm_and_si128(a, mask[0][k]), _mm_and_si128(b, mask[1][k])),
                       _mm_and_si128(c, mask[2][k]));
      total[k] = _mm_add_epi64(total[k], _mm_sad_epu8(channel, zero));
    }
  }
  for (int k = 0; k < 3; ++k) {
    alignas(16) uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total[k]);
    sums[k] += lanes[0] + lanes[1];
  }
  return i;
}
#endif

#ifdef QUILVA_SCENE_AVX2
// 96 bytes are 32 whole triplets, so byte j of vector v of a block belongs to
// channel (32v + j) % 3, that is (2v + j) % 3. Every lane holds one channel's
// byte in exactly one of the three vectors, so two blends gather a channel's
// 32 bytes into one vector for vpsadbw: a fifth of the SSE2 loop's time.
[[gnu::target("avx2")]] size_t AddBlocksAvx2(const uint8_t* p, size_t bytes, uint64_t sums[3]) {
  // laneBytes[r]: the lanes j with (j + r) % 3 == 0.
  static constexpr auto laneBytes = [] {
    std::array<std::array<uint8_t, 32>, 3> m{};
    for (int r = 0; r < 3; ++r)
      for (int j = 0; j < 32; ++j) m[r][j] = (j + r) % 3 == 0 ? 0xFF : 0;
    return m;
  }();
  __m256i lanes[3];
  for (int r = 0; r < 3; ++r)
    lanes[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(laneBytes[r].data()));
  const __m256i zero = _mm256_setzero_si256();
  __m256i total[3] = {zero, zero, zero};
  size_t i = 0;
  for (; i + 96 <= bytes; i += 96) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 64));
    for (int k = 0; k < 3; ++k) {
      // Channel k lies where (2v + j) % 3 == k: r = (3 - k), (5 - k), (4 - k) mod 3.
      __m256i channel = _mm256_and_si256(a, lanes[(3 - k) % 3]);
      channel = _mm256_blendv_epi8(channel, b, lanes[(5 - k) % 3]);
      channel = _mm256_blendv_epi8(channel, c, lanes[(4 - k) % 3]);
      total[k] = _mm256_add_epi64(total[k], _mm256_sad_epu8(channel, zero));
    }
  }
  for (int k = 0; k < 3; ++k) {
    alignas(32) uint64_t sum[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(sum), total[k]);
    sums[k] += sum[0] + sum[1] + sum[2] + sum[3];
  }
  return i;
}
#endif

}  // namespace

ChannelSums SumChannels(const uint8_t* pixels, size_t imageSize) {
  // Summed in 64 bits; the 32-bit sums are these as they wrap.
  uint64_t sums[3] = {0, 0, 0};
  const size_t bytes = TripletBytes(imageSize);
  size_t done = 0;
#ifdef QUILVA_SCENE_AVX2
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2 && channelSumOptions.allowAvx2) done = AddBlocksAvx2(pixels, bytes, sums);
#endif
    // Blocks are whole triplets, so what one loop leaves starts with a blue byte.
#ifdef QUILVA_SCENE_SSE2
  done += AddBlocks(pixels + done, bytes - done, sums);
#endif
  AddTriplets(pixels + done, bytes - done, sums);
  return {static_cast<uint32_t>(sums[0]), static_cast<uint32_t>(sums[1]),
          static_cast<uint32_t>(sums[2])};
}

bool StartsScene(const ChannelSums& previous, const ChannelSums& current) {
  auto changed = [](uint32_t before, uint32_t now) {
    return now < (before >> 1) || (now >> 1) > before;
  };
  return changed(previous.blue, current.blue) || changed(previous.green, current.green) ||
         changed(previous.red, current.red);
}

std::vector<SplitPart> PartsFromScenes(const std::vector<int32_t>& scenes, int32_t start,
                                       int32_t end) {
  std::vector<SplitPart> parts;
  // From sample 0 a movie that starts later would have no first part: no
  // sample before its start can be copied.
  int32_t t = start;
  for (int32_t u : scenes) {
    if (t >= end) t = end - 1;
    // The last entry is the end: a length of -1 takes the rest of the stream.
    if (u >= end) u = t - 1;
    parts.push_back({t, u - t});
    t = u;
  }
  return parts;
}

bool ResizedSize(int32_t width, int32_t height, uint32_t percent, int32_t* newWidth,
                 int32_t* newHeight) {
  if (width <= 0 || height <= 0) return false;
  const uint64_t w = uint64_t{percent} * static_cast<uint64_t>(width) / 100;
  const uint64_t h = uint64_t{percent} * static_cast<uint64_t>(height) / 100;
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  *newWidth = static_cast<int32_t>(w);
  *newHeight = static_cast<int32_t>(h);
  return true;
}
