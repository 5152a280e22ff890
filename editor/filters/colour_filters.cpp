#include "editor/filters/colour_filters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/bytes.h"
#include "common/dib_geometry.h"

ColourKernelOptions colourKernelOptions;

namespace {

// Truncates toward zero after clamping to 0..255; the clamp comes first so that
// no out-of-range double is ever converted.
inline int ClampToInt(double v) {
  v = v > 0.0 ? v : 0.0;
  v = v < 255.0 ? v : 255.0;
  return static_cast<int>(v);
}
inline uint8_t ClampTruncate(double v) {
  return static_cast<uint8_t>(ClampToInt(v));
}

// Walks the region DepthDispatch chose. An op supplies Entry (a colour-table
// entry), Pixels (one row of 3- or 4-byte pixels) and Word (a 5-5-5 pixel).
template <class Op>
void Visit(const DibLayout& layout, uint8_t* frame, Op& op) {
  uint8_t* base = frame + layout.offset;
  switch (layout.kind) {
    case DibPixels::Table:
      for (size_t i = 0; i < layout.count; ++i) op.Entry(base + 4 * i);
      break;
    case DibPixels::Rgb555:
      for (int y = 0; y < layout.height; ++y) {
        uint8_t* row = base + y * layout.stride;
        for (int x = 0; x < layout.width; ++x) {
          // Bit 15 is always written as 0 whatever the source held.
          PutU16(row + 2 * x, static_cast<uint16_t>(op.Word(GetU16(row + 2 * x)) & 0x7fff));
        }
      }
      break;
    case DibPixels::Rgb24:
      for (int y = 0; y < layout.height; ++y) op.Pixels(base + y * layout.stride, layout.width, 3);
      break;
    case DibPixels::Rgb32:
      for (int y = 0; y < layout.height; ++y) op.Pixels(base + y * layout.stride, layout.width, 4);
      break;
    case DibPixels::None: break;
  }
}

template <class Op>
bool RunColourKernel(uint8_t* frame, size_t frameSize, Op& op) {
  DibLayout layout;
  if (!DepthDispatch(frame, frameSize, &layout)) return false;
  Visit(layout, frame, op);
  return true;
}

inline int Red5(uint16_t w) {
  return (w >> 10) & 31;
}
inline int Green5(uint16_t w) {
  return (w >> 5) & 31;
}
inline int Blue5(uint16_t w) {
  return w & 31;
}
inline uint16_t Word555(int r5, int g5, int b5) {
  return static_cast<uint16_t>(r5 << 10 | g5 << 5 | b5);
}

// Kernels whose channels change independently: one table per channel for the
// 8-bit values and one for the 5-bit values of 16-bit pixels.
struct ChannelTables {
  uint8_t blue[256], green[256], red[256];
  uint8_t blue5[32], green5[32], red5[32];

  // 5-bit values enter an 8-bit rule as c5 * 8 and leave shifted right by 3.
  void Derive5BitTables() {
    for (int v = 0; v < 32; ++v) {
      blue5[v] = blue[v * 8] >> 3;
      green5[v] = green[v * 8] >> 3;
      red5[v] = red[v * 8] >> 3;
    }
  }
  void Entry(uint8_t* p) const {
    p[0] = blue[p[0]];
    p[1] = green[p[1]];
    p[2] = red[p[2]];
  }
  void Pixels(uint8_t* row, int width, int step) const {
    for (int x = 0; x < width; ++x, row += step) Entry(row);
  }
  uint16_t Word(uint16_t w) const {
    return Word555(red5[Red5(w)], green5[Green5(w)], blue5[Blue5(w)]);
  }
};

// Table lookups cost a load per byte; where the rule is plain integer
// arithmetic, the 24 and 32-bit rows are computed instead, as whole vectors of
// bytes, with one coefficient per byte laid out in the pixel's pattern (blue,
// green, red, and for 32 bits a fourth byte whose coefficient leaves it as it was).
// The pattern repeats every 12 bytes (four 3-byte or three 4-byte pixels), so
// one block of it, laid out from a pixel boundary, serves a row of any width.
struct ArithmeticRows {
  static constexpr size_t kBlock = 12 * 256;  // a 1024-pixel 24-bit row in one go

  enum Rule { kScale, kContrast };

  ChannelTables tables;  // colour tables and 16-bit pixels
  Rule rule;
  int coefficient[4];  // blue, green, red, fourth byte
  uint8_t flip[4];     // XOR after scaling: 255 inverts a channel
  // The block is laid out as far as the rows need it, at the first row.
  int patternStep = 0;  // pixel size it is laid out for
  size_t patternBytes = 0;
  int16_t blockCoefficient[kBlock];
  uint8_t blockFlip[kBlock];

  ArithmeticRows(const ChannelTables& t, Rule r, const int (&c)[4], const uint8_t (&x)[4])
      : tables(t), rule(r) {
    std::copy(c, c + 4, coefficient);
    std::copy(x, x + 4, flip);
  }
  void Entry(uint8_t* p) const { tables.Entry(p); }
  uint16_t Word(uint16_t w) const { return tables.Word(w); }
  void Pixels(uint8_t* row, int width, int step) {
    const size_t n = static_cast<size_t>(width) * step;
    const size_t need = std::min(kBlock, n);
    if (patternStep != step || patternBytes < need) {
      patternStep = step;
      patternBytes = need;
      for (size_t b = 0; b < need; ++b) {
        blockCoefficient[b] = static_cast<int16_t>(coefficient[b % step]);
        blockFlip[b] = flip[b % step];
      }
    }
    for (size_t b0 = 0; b0 < n; b0 += kBlock) Run(row + b0, std::min(kBlock, n - b0));
  }
  void Run(uint8_t* __restrict p, size_t n) const {
    const int16_t* __restrict c = blockCoefficient;
    const uint8_t* __restrict x = blockFlip;
    if (rule == kScale) {
      for (size_t b = 0; b < n; ++b) {
        p[b] = static_cast<uint8_t>(static_cast<uint16_t>(p[b] * c[b]) >> 8 ^ x[b]);
      }
    } else {
      for (size_t b = 0; b < n; ++b) {
        // k * (c - 128) / 128 truncating toward zero; |k| <= 255 keeps it in 16 bits.
        const int16_t t = static_cast<int16_t>(c[b] * static_cast<int16_t>(p[b] - 128));
        const int16_t q = static_cast<int16_t>((t + ((t >> 15) & 127)) >> 7);
        const int v = p[b] + q;
        p[b] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
};

// Products of a channel value with a constant, as doubles; a table entry holds
// exactly the product the formula would compute, so lookups change no result.
struct ProductTable {
  double value[256];
  explicit ProductTable(double factor) {
    for (int i = 0; i < 256; ++i) value[i] = factor * i;
  }
  double operator[](int i) const { return value[i]; }
};

// Rows of 3- or 4-byte pixels in chunks: each chunk's channels are gathered
// into arrays, so that the arithmetic over them (`body(p, n, b, g, r)`, which
// also stores the chunk at p) runs on whole vectors.
constexpr int kRowChunk = 128;
template <int kStep, class Body>
[[gnu::always_inline]] inline void InChunks(uint8_t* row, int width, Body&& body) {
  uint8_t b[kRowChunk], g[kRowChunk], r[kRowChunk];
  for (int x0 = 0; x0 < width; x0 += kRowChunk) {
    const int n = std::min(kRowChunk, width - x0);
    uint8_t* p = row + static_cast<size_t>(x0) * kStep;
    for (int i = 0; i < n; ++i) {
      b[i] = p[i * kStep];
      g[i] = p[i * kStep + 1];
      r[i] = p[i * kStep + 2];
    }
    body(p, n, b, g, r);
  }
}

// YCrCb correction of one row. The order of every sum and product is part of
// the result (truncation turns a last-bit difference into a whole step), and
// no pass fuses a multiply with an add.
template <int kStep>
[[gnu::always_inline]] inline void YCrCbRowBody(uint8_t* row, int width, double y, double cr,
                                                double cb) {
  InChunks<kStep>(row, width,
                  [&](uint8_t* p, int n, const uint8_t* b, const uint8_t* g, const uint8_t* r) {
                    int ob[kRowChunk], og[kRowChunk], orr[kRowChunk];
                    for (int i = 0; i < n; ++i) {
                      const double R = r[i], G = g[i], B = b[i];
                      const double yp = y * (0.299 * R + 0.587 * G + 0.114 * B);
                      const double crp = cr * (0.5 * R - 0.419 * G - 0.081 * B);
                      const double cbp = cb * (0.5 * B - (0.332 * G + 0.169 * R));
                      orr[i] = ClampToInt((1.402 * crp + yp) * 0.01);
                      og[i] = ClampToInt((yp - 0.714 * crp - 0.344 * cbp) * 0.01);
                      ob[i] = ClampToInt((1.772 * cbp + yp) * 0.01);
                    }
                    for (int i = 0; i < n; ++i) {
                      p[i * kStep] = static_cast<uint8_t>(ob[i]);
                      p[i * kStep + 1] = static_cast<uint8_t>(og[i]);
                      p[i * kStep + 2] = static_cast<uint8_t>(orr[i]);
                    }
                  });
}

template <int kStep>
void YCrCbRow(uint8_t* row, int width, double y, double cr, double cb) {
  YCrCbRowBody<kStep>(row, width, y, cr, cb);
}

// The same loops compiled for four doubles a vector; chosen at run time, and
// giving the same bytes because AVX2 brings no fused multiply-add.
#if defined(__GNUC__) && defined(__x86_64__)
#define QUILVA_HAVE_AVX2_PATH 1
template <int kStep>
[[gnu::target("avx2")]] void YCrCbRowAvx2(uint8_t* row, int width, double y, double cr, double cb) {
  YCrCbRowBody<kStep>(row, width, y, cr, cb);
}
#endif

using YCrCbRowFunction = void (*)(uint8_t* row, int width, double y, double cr, double cb);
struct YCrCbRows {
  YCrCbRowFunction pixels3, pixels4;  // rows of 3-byte and of 4-byte pixels
};

// The one place where the rows of the YCrCb correction pick their build: the
// AVX2 one when the processor has it and the options allow it, else the plain.
YCrCbRows SelectYCrCbRows() {
#ifdef QUILVA_HAVE_AVX2_PATH
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2 && colourKernelOptions.allowAvx2) return {YCrCbRowAvx2<3>, YCrCbRowAvx2<4>};
#endif
  return {YCrCbRow<3>, YCrCbRow<4>};
}

// Single pixels (colour-table entries, 16-bit words) leave nothing to
// vectorise and take the plain loops inline.
struct YCrCbOp {
  double y, cr, cb;
  YCrCbRows rows = SelectYCrCbRows();

  YCrCbOp(int yPercent, int crPercent, int cbPercent) : y(yPercent), cr(crPercent), cb(cbPercent) {}

  void One(int& b, int& g, int& r) const {
    uint8_t p[3] = {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)};
    YCrCbRow<3>(p, 1, y, cr, cb);
    b = p[0];
    g = p[1];
    r = p[2];
  }
  void Entry(uint8_t* p) const { YCrCbRow<4>(p, 1, y, cr, cb); }
  void Pixels(uint8_t* row, int width, int step) const {
    (step == 3 ? rows.pixels3 : rows.pixels4)(row, width, y, cr, cb);
  }
  uint16_t Word(uint16_t w) const {
    int b = Blue5(w) * 8, g = Green5(w) * 8, r = Red5(w) * 8;
    One(b, g, r);
    return Word555(r >> 3, g >> 3, b >> 3);
  }
};

// Grey rows. Each product is the one the tables below hold (the weight times
// the byte, rounded once), summed in the same order, so the bytes are the
// tables' bytes.
template <int kStep>
[[gnu::always_inline]] inline void GrayscaleRowBody(uint8_t* row, int width) {
  InChunks<kStep>(
      row, width, [](uint8_t* p, int n, const uint8_t* b, const uint8_t* g, const uint8_t* r) {
        uint8_t v[kRowChunk];
        for (int i = 0; i < n; ++i) {
          const double G = g[i], B = b[i], R = r[i];
          v[i] = static_cast<uint8_t>(static_cast<int>(0.587 * G + 0.114 * B + 0.299 * R));
        }
        for (int i = 0; i < n; ++i) p[i * kStep] = p[i * kStep + 1] = p[i * kStep + 2] = v[i];
      });
}

template <int kStep>
void GrayscaleRow(uint8_t* row, int width) {
  GrayscaleRowBody<kStep>(row, width);
}

#ifdef QUILVA_HAVE_AVX2_PATH
template <int kStep>
[[gnu::target("avx2")]] void GrayscaleRowAvx2(uint8_t* row, int width) {
  GrayscaleRowBody<kStep>(row, width);
}
#endif

using GrayscaleRowFunction = void (*)(uint8_t* row, int width);
struct GrayscaleRows {
  GrayscaleRowFunction pixels3, pixels4;
};

GrayscaleRows SelectGrayscaleRows() {
#ifdef QUILVA_HAVE_AVX2_PATH
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2 && colourKernelOptions.allowAvx2) return {GrayscaleRowAvx2<3>, GrayscaleRowAvx2<4>};
#endif
  return {GrayscaleRow<3>, GrayscaleRow<4>};
}

// Each depth sums the three weighted channels in its own order, and the order
// shows in the truncated result (a grey of 23 gives 22 in 24-bit pixels).
struct GrayscaleOp {
  ProductTable wr{0.299}, wg{0.587}, wb{0.114};
  GrayscaleRows rows = SelectGrayscaleRows();

  void Entry(uint8_t* p) const {
    const uint8_t v = static_cast<uint8_t>(wr[p[2]] + wb[p[0]] + wg[p[1]]);
    p[0] = p[1] = p[2] = v;
  }
  void Pixels(uint8_t* row, int width, int step) const {
    (step == 3 ? rows.pixels3 : rows.pixels4)(row, width);
  }
  uint16_t Word(uint16_t w) const {
    const int g8 = static_cast<int>(wg[Green5(w) * 8] + wr[Red5(w) * 8] + wb[Blue5(w) * 8]);
    const int g5 = g8 >> 3;
    return Word555(g5, g5, g5);
  }
};

struct PaleOp {
  uint8_t third[3 * 255 + 1];
  PaleOp() {
    for (int i = 0; i <= 3 * 255; ++i) third[i] = static_cast<uint8_t>(i / 3);
  }
  void Entry(uint8_t* p) const {
    const int m = third[p[0] + p[1] + p[2]];
    p[0] = static_cast<uint8_t>((p[0] + m) >> 1);
    p[1] = static_cast<uint8_t>((p[1] + m) >> 1);
    p[2] = static_cast<uint8_t>((p[2] + m) >> 1);
  }
  void Pixels(uint8_t* row, int width, int step) const {
    for (int x = 0; x < width; ++x, row += step) Entry(row);
  }
  // 16-bit pixels use the 5-bit values directly, without expansion.
  uint16_t Word(uint16_t w) const {
    const int r5 = Red5(w), g5 = Green5(w), b5 = Blue5(w);
    const int m5 = (r5 + g5 + b5) / 3;
    return Word555((r5 + m5) >> 1, (g5 + m5) >> 1, (b5 + m5) >> 1);
  }
};

// One row of bytes through the table of byte pairs (`pairs[hi << 8 | lo]` is
// the two looked-up bytes), an odd last byte through `level`. The tables live
// in the caller's scratch; the restrict promise that they do not overlap the
// row lets the loop run on whole vectors.
void LookUpPairs(uint8_t* __restrict p, size_t rowBytes, const uint16_t* __restrict pairs,
                 const uint8_t* __restrict level) {
  size_t b = 0;
  for (; b + 1 < rowBytes; b += 2) {
    uint16_t v;
    std::memcpy(&v, p + b, 2);
    v = pairs[v];
    std::memcpy(p + b, &v, 2);
  }
  if (b < rowBytes) p[b] = level[p[b]];
}

}  // namespace

bool DepthDispatch(const uint8_t* frame, size_t frameSize, DibLayout* layout) {
  *layout = DibLayout{};
  if (!frame || frameSize < kDibHeaderBytes) return false;
  const int64_t width = static_cast<int32_t>(GetU32(frame + 4));
  const int64_t height = std::llabs(static_cast<int32_t>(GetU32(frame + 8)));
  const int bits = GetU16(frame + 14);
  const uint32_t compression = GetU32(frame + 16);
  const uint32_t coloursUsed = GetU32(frame + 32);
  const uint64_t offset = PixelOffset(bits, compression, coloursUsed);

  // A palettised frame (or any frame naming its colours) changes through its
  // colour table alone.
  if (coloursUsed != 0 || bits == 1 || bits == 4 || bits == 8) {
    if (offset > frameSize) return false;
    layout->kind = DibPixels::Table;
    layout->offset = kDibHeaderBytes;
    layout->count = static_cast<size_t>((offset - kDibHeaderBytes) / 4);
    return true;
  }
  if (bits != 16 && bits != 24 && bits != 32) return true;
  if (width <= 0 || height == 0) return true;
  // Bit-field masks are skipped unread: 16 bits are taken as 5-5-5 regardless.
  const uint64_t stride = static_cast<uint64_t>(DibStride(width, bits));
  if (offset > frameSize || (frameSize - offset) / stride < static_cast<uint64_t>(height)) {
    return false;
  }
  layout->kind = bits == 16 ? DibPixels::Rgb555 : bits == 24 ? DibPixels::Rgb24 : DibPixels::Rgb32;
  layout->offset = static_cast<size_t>(offset);
  layout->width = static_cast<int>(width);
  layout->height = static_cast<int>(height);
  layout->stride = static_cast<size_t>(stride);
  return true;
}

bool ApplyRgbCorrection(uint8_t* frame, size_t frameSize, uint8_t ratioR, uint8_t ratioG,
                        uint8_t ratioB, bool invertR, bool invertG, bool invertB) {
  ChannelTables t;
  auto fill = [](uint8_t* eight, uint8_t* five, int q, bool invert) {
    for (int v = 0; v < 256; ++v) {
      const int c = (v * q) >> 8;
      eight[v] = static_cast<uint8_t>(invert ? 255 - c : c);
    }
    // 16-bit pixels scale the 5-bit value itself and invert within 0..31.
    for (int v = 0; v < 32; ++v) {
      const int c = (v * q) >> 8;
      five[v] = static_cast<uint8_t>(invert ? 31 - c : c);
    }
  };
  fill(t.blue, t.blue5, ratioB, invertB);
  fill(t.green, t.green5, ratioG, invertG);
  fill(t.red, t.red5, ratioR, invertR);
  // Scaling by 256 and no flip leaves a 32-bit pixel's fourth byte as it was.
  ArithmeticRows rows{
      t,
      ArithmeticRows::kScale,
      {ratioB, ratioG, ratioR, 256},
      {static_cast<uint8_t>(invertB ? 255 : 0), static_cast<uint8_t>(invertG ? 255 : 0),
       static_cast<uint8_t>(invertR ? 255 : 0), 0}};
  return RunColourKernel(frame, frameSize, rows);
}

bool ApplyYCrCbCorrection(uint8_t* frame, size_t frameSize, uint8_t yPercent, uint8_t crPercent,
                          uint8_t cbPercent) {
  YCrCbOp op(yPercent, crPercent, cbPercent);
  return RunColourKernel(frame, frameSize, op);
}

bool ApplyContrast(uint8_t* frame, size_t frameSize, int32_t k) {
  ChannelTables t;
  for (int v = 0; v < 256; ++v) {
    // 64-bit so that a strength far outside the dialog's range cannot overflow.
    const int64_t c = v + int64_t{k} * (v - 128) / 128;
    t.blue[v] = t.green[v] = t.red[v] = static_cast<uint8_t>(std::clamp<int64_t>(c, 0, 255));
  }
  t.Derive5BitTables();
  if (k < -255 || k > 255) return RunColourKernel(frame, frameSize, t);
  ArithmeticRows rows{t, ArithmeticRows::kContrast, {k, k, k, 0}, {0, 0, 0, 0}};
  return RunColourKernel(frame, frameSize, rows);
}

bool ApplyGamma(uint8_t* frame, size_t frameSize, uint8_t s, FilterScratch& scratch) {
  if (!FilterScratchFits(scratch, 0)) return false;
  ChannelTables t;
  const double e = std::pow((s + 1) * 0.0078125, 4.6);
  for (int i = 0; i < 256; ++i) {
    const double level = i == 0 ? 0.0 : std::pow(i * 0.00392156862745098, e);
    t.blue[i] = t.green[i] = t.red[i] = ClampTruncate(level * 255);
  }
  t.Derive5BitTables();
  DibLayout layout;
  if (!DepthDispatch(frame, frameSize, &layout)) return false;
  // One table serves all three channels, so a 24-bit row is a plain run of
  // bytes; on a large frame, looking its bytes up two at a time in a table of
  // all byte pairs halves the lookups and repays building the table.
  const size_t rowBytes = size_t{3} * layout.width;
  if (layout.kind == DibPixels::Rgb24 && rowBytes * layout.height >= (size_t{1} << 18)) {
    uint16_t* pairs = scratch.pairs.data();
    for (int hi = 0; hi < 256; ++hi)
      for (int lo = 0; lo < 256; ++lo)
        pairs[hi << 8 | lo] = static_cast<uint16_t>(t.blue[hi] << 8 | t.blue[lo]);
    for (int y = 0; y < layout.height; ++y) {
      LookUpPairs(frame + layout.offset + y * layout.stride, rowBytes, pairs, t.blue);
    }
    return true;
  }
  Visit(layout, frame, t);
  return true;
}

bool ApplyGrayscale(uint8_t* frame, size_t frameSize) {
  GrayscaleOp op;
  return RunColourKernel(frame, frameSize, op);
}

bool ApplyPale(uint8_t* frame, size_t frameSize) {
  PaleOp op;
  return RunColourKernel(frame, frameSize, op);
}
