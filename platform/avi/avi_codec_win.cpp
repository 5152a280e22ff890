#include "platform/avi/avi_frame.h"  // before <vfw.h>: see avi_api_win.h

#include "platform/avi/avi_codec_win.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kHandlerDib = FourCC("DIB ");

bool ReadHeader(const std::vector<uint8_t>& format, BitmapHeader& h) {
  return BitmapHeaderRead(format.data(), format.size(), h);
}

uint64_t ImageBytes(const BitmapHeader& h) {
  if (h.biSizeImage && h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)
    return h.biSizeImage;
  int64_t height = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  return DibStride(h.biWidth, h.biBitCount) * static_cast<uint64_t>(height);
}

}  // namespace

bool IsCompressedVideo(const AviStream& stream) {
  AviStreamInfo info = stream.Info();
  if (info.fccType != kStreamTypeVideo) return false;
  std::vector<uint8_t> format;
  BitmapHeader h;
  if (stream.ReadFormat(info.dwStart, format) != AVIERR_OK || !ReadHeader(format, h)) return false;
  return h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS;
}

namespace {

// Decoders kept open at once (a join of many movies visits them in turn).
constexpr size_t kMostDecoders = 4;
// Memory for the pictures kept while reading backwards.
constexpr uint64_t kRecentBytes = uint64_t{64} << 20;

void CloseDecoder(IcSourceDecoder& d) {
  if (d.hic && d.begun) ICDecompressEnd(d.hic.get());
  d.begun = false;
  d.hic.reset();
}

AviResult OpenDecoder(IcSourceDecoder& d, const AviStreamRef& source) {
  AviStreamInfo info = source->Info();
  if (info.fccType != kStreamTypeVideo) return AVIERR_BADFORMAT;
  AviResult r = source->ReadFormat(info.dwStart, d.inFormat);
  if (r != AVIERR_OK) return r;
  BitmapHeader in;
  if (!ReadHeader(d.inFormat, in) || in.biSize < 40 || d.inFormat.size() < in.biSize)
    return AVIERR_BADFORMAT;
  auto* inHeader = reinterpret_cast<BITMAPINFOHEADER*>(d.inFormat.data());
  // The stream's handler first, then whatever decoder takes the format.
  DWORD handler = info.fccHandler ? info.fccHandler : in.biCompression;
  UniqueHic hic(ICLocate(ICTYPE_VIDEO, handler, inHeader, nullptr, ICMODE_DECOMPRESS));
  if (!hic) return AVIERR_NOCOMPRESSOR;
  LRESULT outSize = ICDecompressGetFormatSize(hic.get(), inHeader);
  if (outSize < 40 || outSize > (1 << 20)) return AVIERR_NOCOMPRESSOR;
  d.outFormat.assign(static_cast<size_t>(outSize), 0);
  auto* outHeader = reinterpret_cast<BITMAPINFOHEADER*>(d.outFormat.data());
  if (ICDecompressGetFormat(hic.get(), inHeader, outHeader) != ICERR_OK ||
      ICDecompressBegin(hic.get(), inHeader, outHeader) != ICERR_OK)
    return AVIERR_NOCOMPRESSOR;
  BitmapHeader out;
  ReadHeader(d.outFormat, out);
  uint64_t image = ImageBytes(out);
  if (image == 0 || image > (uint64_t{1} << 30)) {
    ICDecompressEnd(hic.get());
    return AVIERR_BADFORMAT;
  }
  outHeader->biSizeImage = static_cast<DWORD>(image);
  d.pixels.assign(static_cast<size_t>(image), 0);
  d.hic = std::move(hic);
  d.begun = true;
  d.source = source;
  return AVIERR_OK;
}

// The decoder of source, opened on first use; the least used one is closed
// when too many are open.
IcSourceDecoder* DecoderFor(IcFrameReader& reader, const AviStreamRef& source) {
  for (auto& d : reader.decoders)
    if (d->source == source) return d.get();
  auto made = std::make_unique<IcSourceDecoder>();
  if (OpenDecoder(*made, source) != AVIERR_OK) {
    CloseDecoder(*made);
    return nullptr;
  }
  if (reader.decoders.size() >= kMostDecoders) {
    auto least = std::min_element(reader.decoders.begin(), reader.decoders.end(),
                                  [](const auto& x, const auto& y) { return x->used < y->used; });
    if (reader.recentOf == least->get()) reader.recentOf = nullptr;
    CloseDecoder(**least);
    reader.decoders.erase(least);
  }
  reader.decoders.push_back(std::move(made));
  return reader.decoders.back().get();
}

// Brings d's picture to source position pos, keeping the pictures passed on
// the way that fit the budget.
bool DecodeTo(IcFrameReader& reader, IcSourceDecoder& d, int64_t pos) {
  const AviStream& source = *d.source;
  int64_t start = AviStreamStart(source);
  int64_t key = AviStreamFindSample(source, pos, FIND_KEY | FIND_PREV);
  if (key < start) key = start;
  // Going on from the picture already decoded is only right when no key frame lies between.
  int64_t from = (d.decoded >= key && d.decoded < pos) ? d.decoded + 1 : key;
  int64_t keepFrom = pos;
  if (from < pos) {
    int64_t window = static_cast<int64_t>(
        std::max<uint64_t>(1, kRecentBytes / std::max<size_t>(1, d.pixels.size())));
    keepFrom = std::max(from, pos - (window - 1));
    reader.recentOf = &d;
    reader.recentFirst = keepFrom;
    reader.recent.resize(static_cast<size_t>(pos - keepFrom));
  }
  auto* inHeader = reinterpret_cast<BITMAPINFOHEADER*>(d.inFormat.data());
  auto* outHeader = reinterpret_cast<BITMAPINFOHEADER*>(d.outFormat.data());
  for (int64_t p = from; p <= pos; ++p) {
    int64_t bytes = 0;
    d.decoded = -1;
    if (source.Read(p, 1, nullptr, 0, &bytes, nullptr) != AVIERR_OK) break;
    if (bytes > 0) {
      reader.raw.resize(static_cast<size_t>(bytes));
      if (source.Read(p, 1, reader.raw.data(), bytes, &bytes, nullptr) != AVIERR_OK) break;
      inHeader->biSizeImage = static_cast<DWORD>(bytes);
      DWORD flags = source.IsKeyFrame(p) ? 0 : ICDECOMPRESS_NOTKEYFRAME;
      ++reader.decodes;
      if (ICDecompress(d.hic.get(), flags, inHeader, reader.raw.data(), outHeader,
                       d.pixels.data()) != ICERR_OK)
        break;
    }  // a dropped frame shows the picture before it
    d.decoded = p;
    if (p >= keepFrom && p < pos) reader.recent[static_cast<size_t>(p - keepFrom)] = d.pixels;
  }
  if (d.decoded == pos) return true;
  if (reader.recentOf == &d) reader.recentOf = nullptr;
  return false;
}

}  // namespace

AviResult IcFrameReaderOpen(IcFrameReader& reader, const AviStreamRef& stream, bool want24) {
  IcFrameReaderClose(reader);
  reader = IcFrameReader();
  if (!stream) return AVIERR_BADHANDLE;
  if (stream->Info().fccType != kStreamTypeVideo) return AVIERR_BADFORMAT;
  // The first frame's decoder tells whether the stream can be decoded at all.
  AviStreamRef source;
  int64_t at = 0;
  AviStreamRef first =
      AviSampleSource(stream, AviStreamStart(*stream), source, at) ? source : stream;
  auto d = std::make_unique<IcSourceDecoder>();
  AviResult r = OpenDecoder(*d, first);
  if (r != AVIERR_OK) {
    CloseDecoder(*d);
    return r;
  }
  reader.decoders.push_back(std::move(d));
  reader.want24 = want24;
  reader.stream = stream;
  return AVIERR_OK;
}

const uint8_t* IcFrameReaderGet(IcFrameReader& reader, int64_t pos, size_t* size) {
  if (!reader.stream) return nullptr;
  AviStreamRef source;
  int64_t at = 0;
  if (!AviSampleSource(reader.stream, pos, source, at)) return nullptr;
  IcSourceDecoder* d = DecoderFor(reader, source);
  if (!d) return nullptr;
  d->used = ++reader.uses;
  const std::vector<uint8_t>* picture = &d->pixels;
  if (d->decoded != at) {
    if (reader.recentOf == d && at >= reader.recentFirst &&
        at - reader.recentFirst < static_cast<int64_t>(reader.recent.size())) {
      picture = &reader.recent[static_cast<size_t>(at - reader.recentFirst)];
    } else if (!DecodeTo(reader, *d, at)) {
      return nullptr;
    }
  }
  if (reader.want24) {
    if (!ConvertToDib24(d->outFormat.data(), d->outFormat.size(), picture->data(), picture->size(),
                        reader.frame))
      return nullptr;
  } else {
    reader.frame = d->outFormat;
    reader.frame.insert(reader.frame.end(), picture->begin(), picture->end());
  }
  if (size) *size = reader.frame.size();
  return reader.frame.data();
}

void IcFrameReaderClose(IcFrameReader& reader) {
  for (auto& d : reader.decoders) CloseDecoder(*d);
  reader.decoders.clear();
  reader.recentOf = nullptr;
  reader.recent.clear();
  reader.stream.reset();
}

namespace {

class CompressingStream : public AviStream {
 public:
  CompressingStream(AviStreamRef target, const CompressorChoice& choice, UniqueHic hic)
      : target_(std::move(target)), choice_(choice), hic_(std::move(hic)) {}
  ~CompressingStream() override {
    if (begun_) ICCompressEnd(hic_.get());
  }

  AviStreamInfo Info() const override { return target_->Info(); }
  AviResult ReadFormat(int64_t pos, std::vector<uint8_t>& out) const override {
    return target_->ReadFormat(pos, out);
  }
  AviResult Read(int64_t start, int64_t count, void* buffer, int64_t bufferSize, int64_t* bytes,
                 int64_t* samples) const override {
    return target_->Read(start, count, buffer, bufferSize, bytes, samples);
  }
  bool IsKeyFrame(int64_t pos) const override { return target_->IsKeyFrame(pos); }

  AviResult SetFormat(int64_t pos, const void* format, size_t size) override {
    if (!hic_) return target_->SetFormat(pos, format, size);
    if (!format || size < 40 || size > (1u << 20)) return AVIERR_BADPARAM;
    if (begun_) {
      // The same format again changes nothing; a new one mid-stream cannot be compressed into the
      // same stream.
      if (size == in_.size() && std::memcmp(format, in_.data(), size) == 0) return AVIERR_OK;
      return AVIERR_UNSUPPORTED;
    }
    in_.assign(static_cast<const uint8_t*>(format), static_cast<const uint8_t*>(format) + size);
    auto* inHeader = reinterpret_cast<BITMAPINFOHEADER*>(in_.data());
    // A palette of "all colours" (count 0) is spelt out: some coders (Wine's
    // RLE) stop the process on a zero count.
    if (inHeader->biBitCount <= 8 && inHeader->biClrUsed == 0 &&
        in_.size() >= 40 + (size_t{4} << inHeader->biBitCount))
      inHeader->biClrUsed = 1u << inHeader->biBitCount;
    if (ICCompressQuery(hic_.get(), inHeader, nullptr) != ICERR_OK) return AVIERR_CANTCOMPRESS;
    LRESULT outSize = ICCompressGetFormatSize(hic_.get(), inHeader);
    if (outSize < 40 || outSize > (1 << 20)) return AVIERR_COMPRESSOR;
    out_.assign(static_cast<size_t>(outSize), 0);
    auto* outHeader = reinterpret_cast<BITMAPINFOHEADER*>(out_.data());
    if (ICCompressGetFormat(hic_.get(), inHeader, outHeader) != ICERR_OK) return AVIERR_COMPRESSOR;
    if (!choice_.state.empty())
      ICSetState(hic_.get(), const_cast<uint8_t*>(choice_.state.data()), choice_.state.size());
    if (ICCompressBegin(hic_.get(), inHeader, outHeader) != ICERR_OK) return AVIERR_COMPRESSOR;
    begun_ = true;
    LRESULT most = ICCompressGetSize(hic_.get(), inHeader, outHeader);
    BitmapHeader h;
    BitmapHeaderRead(in_.data(), in_.size(), h);
    size_t inBytes = static_cast<size_t>(ImageBytes(h));
    inBytes_ = inBytes;
    buffer_.resize(std::max<size_t>(most > 0 ? static_cast<size_t>(most) : 0, inBytes * 2 + 4096));
    quality_ = choice_.quality >= 0 ? static_cast<DWORD>(choice_.quality)
                                    : static_cast<DWORD>(ICGetDefaultQuality(hic_.get()));
    if (quality_ > ICQUALITY_HIGH) quality_ = ICQUALITY_DEFAULT;
    DWORD caps = 0;
    ICINFO icInfo{};
    icInfo.dwSize = sizeof icInfo;
    if (ICGetInfo(hic_.get(), &icInfo, sizeof icInfo)) caps = icInfo.dwFlags;
    temporal_ = (caps & VIDCF_TEMPORAL) != 0;
    outHeader->biSizeImage = 0;
    return target_->SetFormat(pos, out_.data(), out_.size());
  }

  AviResult Write(int64_t start, const void* data, uint32_t size, uint32_t flags) override {
    if (!hic_) return target_->Write(start, data, size, flags);
    if (!begun_) return AVIERR_BADFORMAT;
    if (!data || size < inBytes_) return AVIERR_BADSIZE;
    bool key = frameNumber_ == 0 || !temporal_ || choice_.keyEvery == 0 ||
               frameNumber_ % static_cast<int64_t>(choice_.keyEvery) == 0;
    std::vector<uint8_t> outFormat = out_;
    auto* outHeader = reinterpret_cast<BITMAPINFOHEADER*>(outFormat.data());
    auto* inHeader = reinterpret_cast<BITMAPINFOHEADER*>(in_.data());
    DWORD ckid = 0, outFlags = 0;
    DWORD result =
        ICCompress(hic_.get(), key ? ICCOMPRESS_KEYFRAME : 0, outHeader, buffer_.data(), inHeader,
                   const_cast<void*>(data), &ckid, &outFlags, static_cast<LONG>(frameNumber_), 0,
                   quality_, key || previous_.empty() ? nullptr : inHeader,
                   key || previous_.empty() ? nullptr : previous_.data());
    if (result != ICERR_OK || outHeader->biSizeImage > buffer_.size()) return AVIERR_COMPRESSOR;
    if (temporal_)
      previous_.assign(static_cast<const uint8_t*>(data),
                       static_cast<const uint8_t*>(data) + inBytes_);
    ++frameNumber_;
    return target_->Write(start, buffer_.data(), outHeader->biSizeImage,
                          (outFlags & AVIIF_KEYFRAME) | (key ? AVIIF_KEYFRAME : 0));
  }

 private:
  AviStreamRef target_;
  CompressorChoice choice_;
  UniqueHic hic_;  // no compressor: frames pass unchanged
  bool begun_ = false;
  bool temporal_ = false;
  std::vector<uint8_t> in_, out_, buffer_, previous_;
  size_t inBytes_ = 0;
  DWORD quality_ = 0;
  int64_t frameNumber_ = 0;
};

}  // namespace

AviResult MakeCompressingStream(const AviStreamRef& target, const CompressorChoice& choice,
                                AviStreamRef& out) {
  if (!target) return AVIERR_BADHANDLE;
  UniqueHic hic;
  if (choice.handler != 0 && choice.handler != kHandlerDib) {
    hic.reset(ICOpen(ICTYPE_VIDEO, choice.handler, ICMODE_COMPRESS));
    if (!hic) return AVIERR_NOCOMPRESSOR;
  }
  out = std::make_shared<CompressingStream>(target, choice, std::move(hic));
  return AVIERR_OK;
}
