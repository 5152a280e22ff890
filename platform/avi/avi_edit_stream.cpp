// Editable streams: an edit list of (source, start, length) pieces over
// other streams, and the paste, copy, cut, clone and information calls on it.
#include "platform/avi/avi_stream.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/avi/avi_frame.h"

namespace {

struct Piece {
  AviStreamRef source;
  int64_t start = 0;
  int64_t length = 0;
};

bool Continues(const Piece& a, const Piece& b) {
  return a.source == b.source && a.start + a.length == b.start;
}

// Appends p, or lengthens the last piece when p continues it (frame after
// frame of one source), so that pasting a movie sample by sample keeps one piece.
void PushMerged(std::vector<Piece>& out, Piece&& p) {
  if (p.length <= 0) return;
  if (!out.empty() && Continues(out.back(), p)) {
    out.back().length += p.length;
  } else {
    out.push_back(std::move(p));
  }
}

// The pieces of an edit list in blocks of a few hundred, each with the running
// ends of its pieces, and the running ends of the blocks: finding a sample is
// two binary searches, and an edit rebuilds the blocks around it and the
// blocks' ends, never the whole list. Neighbouring pieces that continue each
// other are always joined.
class PieceList {
 public:
  struct Where {
    size_t block = 0;
    size_t index = 0;
    int64_t offset = 0;  // of the sample in its piece
  };

  int64_t Length() const { return ends_.empty() ? 0 : ends_.back(); }
  size_t Count() const { return count_; }
  const Piece& At(const Where& w) const { return blocks_[w.block].pieces[w.index]; }

  // The piece holding the rel-th sample (0 <= rel < Length()).
  Where Locate(int64_t rel) const {
    Where w;
    w.block =
        static_cast<size_t>(std::upper_bound(ends_.begin(), ends_.end(), rel) - ends_.begin());
    const Block& b = blocks_[w.block];
    int64_t local = rel - (w.block ? ends_[w.block - 1] : 0);
    w.index =
        static_cast<size_t>(std::upper_bound(b.ends.begin(), b.ends.end(), local) - b.ends.begin());
    w.offset = local - (w.index ? b.ends[w.index - 1] : 0);
    return w;
  }
  // The start of the piece after w; false past the last one.
  bool Next(Where& w) const {
    w.offset = 0;
    if (++w.index < blocks_[w.block].pieces.size()) return true;
    w.index = 0;
    return ++w.block < blocks_.size();
  }

  // The pieces covering [rel, rel + length).
  std::vector<Piece> Slice(int64_t rel, int64_t length) const {
    std::vector<Piece> out;
    if (length <= 0 || rel >= Length()) return out;
    Where w = Locate(rel);
    do {
      const Piece& p = At(w);
      int64_t take = std::min(length, p.length - w.offset);
      out.push_back({p.source, p.start + w.offset, take});
      length -= take;
    } while (length > 0 && Next(w));
    return out;
  }

  template <typename F>
  bool AllOf(F&& test) const {
    for (const Block& b : blocks_)
      for (const Piece& p : b.pieces)
        if (!test(p)) return false;
    return true;
  }

  std::vector<Piece> All() const {
    std::vector<Piece> out;
    out.reserve(count_);
    for (const Block& b : blocks_) out.insert(out.end(), b.pieces.begin(), b.pieces.end());
    return out;
  }
  void Assign(std::vector<Piece> pieces) {
    blocks_.clear();
    ends_.clear();
    count_ = 0;
    Rebuild(0, 0, std::move(pieces));
  }

  // Puts add before the rel-th sample (at the end when rel >= Length()).
  void Insert(int64_t rel, std::vector<Piece> add) {
    if (add.empty()) return;
    if (blocks_.empty()) return Assign(std::move(add));
    size_t b;
    std::vector<Piece> region;
    if (rel >= Length()) {
      b = blocks_.size() - 1;
      region = TakeBlock(b);
      std::move(add.begin(), add.end(), std::back_inserter(region));
    } else {
      Where w = Locate(rel);
      b = w.block;
      region = TakeBlock(b);
      std::vector<Piece> tail(
          std::make_move_iterator(region.begin() + static_cast<ptrdiff_t>(w.index)),
          std::make_move_iterator(region.end()));
      region.resize(w.index);
      if (w.offset > 0) {
        // The piece is split: its head stays before the pasted pieces.
        region.push_back({tail[0].source, tail[0].start, w.offset});
        tail[0].start += w.offset;
        tail[0].length -= w.offset;
      }
      std::move(add.begin(), add.end(), std::back_inserter(region));
      std::move(tail.begin(), tail.end(), std::back_inserter(region));
    }
    Rebuild(b, b + 1, std::move(region));
  }

  // Takes out the samples [rel, rel + length), all inside the list.
  void Remove(int64_t rel, int64_t length) {
    if (length <= 0) return;
    Where first = Locate(rel), last = Locate(rel + length - 1);
    std::vector<Piece> kept;
    std::vector<Piece> head = TakeBlock(first.block);
    for (size_t k = 0; k < first.index; ++k) kept.push_back(std::move(head[k]));
    if (first.offset > 0)
      kept.push_back({head[first.index].source, head[first.index].start, first.offset});
    for (size_t b = first.block + 1; b < last.block; ++b) TakeBlock(b);
    std::vector<Piece> tailBlock =
        first.block == last.block ? std::move(head) : TakeBlock(last.block);
    const Piece& cut = tailBlock[last.index];
    if (last.offset + 1 < cut.length)
      kept.push_back({cut.source, cut.start + last.offset + 1, cut.length - last.offset - 1});
    for (size_t k = last.index + 1; k < tailBlock.size(); ++k)
      kept.push_back(std::move(tailBlock[k]));
    Rebuild(first.block, last.block + 1, std::move(kept));
  }

 private:
  static constexpr size_t kBlock = 256;

  struct Block {
    std::vector<Piece> pieces;
    std::vector<int64_t> ends;  // running ends of the pieces, from the block's start
  };

  std::vector<Piece> TakeBlock(size_t b) {
    count_ -= blocks_[b].pieces.size();
    blocks_[b].ends.clear();
    return std::move(blocks_[b].pieces);
  }

  // Replaces blocks [from, to) (already taken) by the given pieces, joined
  // with the blocks on either side so that no seam leaves two pieces that
  // continue each other and small blocks are folded together.
  void Rebuild(size_t from, size_t to, std::vector<Piece> pieces) {
    size_t lo = from, hi = to;
    std::vector<Piece> all;
    if (lo > 0) {
      --lo;
      all = TakeBlock(lo);
    }
    for (Piece& p : pieces) PushMerged(all, std::move(p));
    if (hi < blocks_.size()) {
      for (Piece& p : TakeBlock(hi)) PushMerged(all, std::move(p));
      ++hi;
    }
    size_t n = all.size();
    size_t count = n == 0 ? 0 : (n + kBlock - 1) / kBlock;
    std::vector<Block> made(count);
    for (size_t k = 0, at = 0; k < count; ++k) {
      size_t take = (n - at) / (count - k);  // even sizes
      Block& block = made[k];
      block.pieces.assign(std::make_move_iterator(all.begin() + static_cast<ptrdiff_t>(at)),
                          std::make_move_iterator(all.begin() + static_cast<ptrdiff_t>(at + take)));
      block.ends.resize(take);
      int64_t sum = 0;
      for (size_t j = 0; j < take; ++j) block.ends[j] = sum += block.pieces[j].length;
      at += take;
    }
    count_ += n;
    blocks_.erase(blocks_.begin() + static_cast<ptrdiff_t>(lo),
                  blocks_.begin() + static_cast<ptrdiff_t>(hi));
    blocks_.insert(blocks_.begin() + static_cast<ptrdiff_t>(lo),
                   std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
    ends_.resize(blocks_.size());
    int64_t sum = lo ? ends_[lo - 1] : 0;
    for (size_t k = lo; k < blocks_.size(); ++k)
      ends_[k] = sum += blocks_[k].ends.empty() ? 0 : blocks_[k].ends.back();
  }

  std::vector<Block> blocks_;
  std::vector<int64_t> ends_;  // running ends of the blocks
  size_t count_ = 0;
};

class EditStream : public AviStream {
 public:
  AviStreamInfo Info() const override {
    AviStreamInfo info = info_;
    info.dwLength = static_cast<uint32_t>(std::min<int64_t>(Length(), UINT32_MAX));
    return info;
  }
  AviResult ReadFormat(int64_t pos, std::vector<uint8_t>& out) const override {
    if (pieces_.Count() == 0) {
      out = format_;
      return format_.empty() ? AVIERR_NODATA : AVIERR_OK;
    }
    int64_t rel = std::clamp<int64_t>(pos - info_.dwStart, 0, Length() - 1);
    PieceList::Where w = pieces_.Locate(rel);
    const Piece& p = pieces_.At(w);
    return p.source->ReadFormat(p.start + w.offset, out);
  }
  AviResult Read(int64_t start, int64_t count, void* buffer, int64_t bufferSize, int64_t* bytes,
                 int64_t* samples) const override {
    int64_t gotBytes = 0, gotSamples = 0;
    auto done = [&](AviResult r) {
      if (bytes) *bytes = gotBytes;
      if (samples) *samples = gotSamples;
      return r;
    };
    int64_t rel = start - info_.dwStart;
    if (rel < 0) return done(AVIERR_BADPARAM);
    if (rel >= Length()) return done(AVIERR_OK);
    PieceList::Where w = pieces_.Locate(rel);
    if (!info_.dwSampleSize || info_.fccType == kStreamTypeVideo) {
      const Piece& p = pieces_.At(w);
      return p.source->Read(p.start + w.offset, 1, buffer, bufferSize, bytes, samples);
    }
    const int64_t ss = info_.dwSampleSize;
    int64_t want;
    if (count == AVISTREAMREAD_CONVENIENT || count < 0) {
      int64_t s = 0;
      const Piece& p = pieces_.At(w);
      AviResult r =
          p.source->Read(p.start + w.offset, AVISTREAMREAD_CONVENIENT, nullptr, 0, nullptr, &s);
      if (r != AVIERR_OK) return done(r);
      want = std::clamp<int64_t>(s, 1, p.length - w.offset);
    } else {
      want = std::min(count, Length() - rel);
    }
    if (buffer) {
      int64_t fits = bufferSize / ss;
      if (fits == 0 && want > 0) {
        gotBytes = want * ss;
        return done(AVIERR_BUFFERTOOSMALL);
      }
      want = std::min(want, fits);
    } else {
      gotBytes = want * ss;
      gotSamples = want;
      return done(AVIERR_OK);
    }
    auto* out = static_cast<uint8_t*>(buffer);
    while (want > 0) {
      const Piece& p = pieces_.At(w);
      int64_t take = std::min(want, p.length - w.offset);
      int64_t b = 0, s = 0;
      AviResult r = p.source->Read(p.start + w.offset, take, out, take * ss, &b, &s);
      if (r != AVIERR_OK) return done(r);
      if (s <= 0) break;  // the source holds less than it claims
      out += b;
      gotBytes += b;
      gotSamples += s;
      want -= s;
      w.offset += s;
      if (w.offset >= p.length && !pieces_.Next(w)) break;
    }
    return done(AVIERR_OK);
  }
  bool IsKeyFrame(int64_t pos) const override {
    int64_t rel = pos - info_.dwStart;
    if (rel < 0 || rel >= Length()) return false;
    PieceList::Where w = pieces_.Locate(rel);
    const Piece& p = pieces_.At(w);
    return p.source->IsKeyFrame(p.start + w.offset);
  }

  int64_t Length() const { return pieces_.Length(); }

  AviStreamInfo info_;
  std::vector<uint8_t> format_;  // of the first paste, for the compatibility check
  PieceList pieces_;
};

EditStream* AsEdit(const AviStreamRef& stream) {
  return dynamic_cast<EditStream*>(stream.get());
}

// An editable stream that shares the source's samples as one piece (or, for an
// editable source, all of its pieces).
std::shared_ptr<EditStream> EditableOf(const AviStreamRef& source) {
  auto edit = std::make_shared<EditStream>();
  if (!source) return edit;
  if (EditStream* other = AsEdit(source)) {
    edit->info_ = other->info_;
    edit->format_ = other->format_;
    edit->pieces_ = other->pieces_;  // a copy of the list: the two are edited apart
    return edit;
  }
  edit->info_ = source->Info();
  source->ReadFormat(AviStreamStart(*source), edit->format_);
  int64_t length = AviStreamEnd(*source) - AviStreamStart(*source);
  if (length > 0) edit->pieces_.Assign({{source, AviStreamStart(*source), length}});
  return edit;
}

// Checks and clamps a (start, length) range of an editable stream; -1 as the
// length means "to the end".
AviResult EditRange(const EditStream& edit, int64_t* start, int64_t* length, int64_t& rel,
                    int64_t& count) {
  if (!start || !length) return AVIERR_BADPARAM;
  int64_t total = edit.Length();
  rel = *start - edit.info_.dwStart;
  count = *length;
  if (rel < 0 || rel >= total) return AVIERR_BADPARAM;
  if (count < 0) count = total - rel;
  count = std::min(count, total - rel);
  if (count <= 0) return AVIERR_BADPARAM;
  return AVIERR_OK;
}

std::shared_ptr<EditStream> CopyOut(const EditStream& edit, int64_t rel, int64_t count) {
  auto out = std::make_shared<EditStream>();
  out->info_ = edit.info_;
  out->info_.dwStart = 0;
  out->info_.dwEditCount = 0;
  out->format_ = edit.format_;
  out->pieces_.Assign(edit.pieces_.Slice(rel, count));
  return out;
}

}  // namespace

bool AviFormatsCompatible(const AviStreamInfo& a, const std::vector<uint8_t>& formatA,
                          const AviStreamInfo& b, const std::vector<uint8_t>& formatB) {
  if (a.fccType != b.fccType) return false;
  if (a.fccType == kStreamTypeVideo) {
    BitmapHeader x, y;
    if (!BitmapHeaderRead(formatA.data(), formatA.size(), x) ||
        !BitmapHeaderRead(formatB.data(), formatB.size(), y))
      return false;
    if (x.biWidth != y.biWidth || x.biHeight != y.biHeight || x.biBitCount != y.biBitCount ||
        x.biCompression != y.biCompression)
      return false;
    // Palettised pixels mean nothing without their colours, and bit-field
    // pixels nothing without their masks: samples joined under the first
    // movie's table would show the wrong colours.
    if (x.biBitCount > 8 && x.biCompression != BI_BITFIELDS) return true;
    const uint64_t colours = DibColourBytes(x);
    const uint64_t atA = x.biSize, atB = y.biSize;
    return DibColourBytes(y) == colours && atA + colours <= formatA.size() &&
           atB + colours <= formatB.size() &&
           std::equal(formatA.begin() + static_cast<ptrdiff_t>(atA),
                      formatA.begin() + static_cast<ptrdiff_t>(atA + colours),
                      formatB.begin() + static_cast<ptrdiff_t>(atB));
  }
  if (a.dwSampleSize != b.dwSampleSize) return false;
  if (a.fccType == kStreamTypeAudio) {
    WaveFormat x, y;
    if (!WaveFormatRead(formatA.data(), formatA.size(), x) ||
        !WaveFormatRead(formatB.data(), formatB.size(), y))
      return false;
    return x.wFormatTag == y.wFormatTag && x.nChannels == y.nChannels &&
           x.nSamplesPerSec == y.nSamplesPerSec && x.nAvgBytesPerSec == y.nAvgBytesPerSec &&
           x.nBlockAlign == y.nBlockAlign && x.wBitsPerSample == y.wBitsPerSample;
  }
  return formatA == formatB;
}

AviResult CreateEditableStream(const AviStreamRef& source, AviStreamRef& out) {
  out = EditableOf(source);
  return AVIERR_OK;
}

AviResult EditStreamPaste(const AviStreamRef& dest, int64_t* pos, int64_t* length,
                          const AviStreamRef& source, int64_t start, int64_t sourceLength) {
  EditStream* edit = AsEdit(dest);
  if (!edit) return AVIERR_UNSUPPORTED;
  if (!pos || !source) return AVIERR_BADPARAM;
  int64_t srcStart = AviStreamStart(*source), srcEnd = AviStreamEnd(*source);
  if (start < srcStart || start >= srcEnd) return AVIERR_BADPARAM;
  if (sourceLength < 0) sourceLength = srcEnd - start;
  sourceLength = std::min(sourceLength, srcEnd - start);
  if (sourceLength <= 0) return AVIERR_BADPARAM;
  int64_t rel = *pos - edit->info_.dwStart;
  if (rel < 0) return AVIERR_BADPARAM;
  rel = std::min(rel, edit->Length());

  AviStreamInfo srcInfo = source->Info();
  std::vector<uint8_t> srcFormat;
  source->ReadFormat(start, srcFormat);
  if (edit->pieces_.Count() == 0) {
    // The first paste into an empty stream gives it its kind and format.
    uint32_t keepStart = edit->info_.dwStart;
    uint32_t edits = edit->info_.dwEditCount;
    if (edit->info_.fccType == 0 ||
        !AviFormatsCompatible(edit->info_, edit->format_, srcInfo, srcFormat)) {
      edit->info_ = srcInfo;
      edit->info_.dwStart = keepStart;
      edit->info_.dwEditCount = edits;
      edit->format_ = srcFormat;
    }
  } else {
    std::vector<uint8_t> destFormat;
    edit->ReadFormat(edit->info_.dwStart, destFormat);
    if (!AviFormatsCompatible(edit->info_, destFormat, srcInfo, srcFormat))
      return AVIERR_UNSUPPORTED;
  }
  std::vector<Piece> add;
  if (EditStream* other = AsEdit(source)) {
    add = other->pieces_.Slice(start - other->info_.dwStart, sourceLength);
  } else {
    add.push_back({source, start, sourceLength});
  }
  edit->pieces_.Insert(rel, std::move(add));
  edit->info_.dwSuggestedBufferSize =
      std::max(edit->info_.dwSuggestedBufferSize, srcInfo.dwSuggestedBufferSize);
  ++edit->info_.dwEditCount;
  *pos = edit->info_.dwStart + rel;
  if (length) *length = sourceLength;
  return AVIERR_OK;
}

AviResult EditStreamCopy(const AviStreamRef& stream, int64_t* start, int64_t* length,
                         AviStreamRef& out) {
  std::shared_ptr<EditStream> holder;
  EditStream* edit = AsEdit(stream);
  if (!edit) {
    if (!stream) return AVIERR_BADHANDLE;
    holder = EditableOf(stream);
    edit = holder.get();
  }
  int64_t rel, count;
  AviResult result = EditRange(*edit, start, length, rel, count);
  if (result != AVIERR_OK) return result;
  out = CopyOut(*edit, rel, count);
  *start = edit->info_.dwStart + rel;
  *length = count;
  return AVIERR_OK;
}

AviResult EditStreamCut(const AviStreamRef& stream, int64_t* start, int64_t* length,
                        AviStreamRef& out) {
  EditStream* edit = AsEdit(stream);
  if (!edit) return stream ? AVIERR_UNSUPPORTED : AVIERR_BADHANDLE;
  int64_t rel, count;
  AviResult result = EditRange(*edit, start, length, rel, count);
  if (result != AVIERR_OK) return result;
  out = CopyOut(*edit, rel, count);
  edit->pieces_.Remove(rel, count);
  ++edit->info_.dwEditCount;
  *start = edit->info_.dwStart + rel;
  *length = count;
  return AVIERR_OK;
}

AviResult EditStreamClone(const AviStreamRef& stream, AviStreamRef& out) {
  if (!stream) return AVIERR_BADHANDLE;
  out = EditableOf(stream);
  return AVIERR_OK;
}

AviResult EditStreamSetInfo(const AviStreamRef& stream, const AviStreamInfo& info) {
  EditStream* edit = AsEdit(stream);
  if (!edit) return stream ? AVIERR_UNSUPPORTED : AVIERR_BADHANDLE;
  if (info.dwScale == 0 || info.dwRate == 0) return AVIERR_BADPARAM;
  AviStreamInfo& i = edit->info_;
  i.wPriority = info.wPriority;
  i.wLanguage = info.wLanguage;
  i.dwScale = info.dwScale;
  i.dwRate = info.dwRate;
  i.dwStart = info.dwStart;
  i.dwQuality = info.dwQuality;
  i.rcFrame = info.rcFrame;
  std::memcpy(i.szName, info.szName, sizeof i.szName);
  i.szName[sizeof i.szName - 1] = 0;
  ++i.dwEditCount;
  return AVIERR_OK;
}

AviResult EditStreamSetName(const AviStreamRef& stream, const std::string& name) {
  EditStream* edit = AsEdit(stream);
  if (!edit) return stream ? AVIERR_UNSUPPORTED : AVIERR_BADHANDLE;
  StreamInfoSetName(edit->info_, name);
  ++edit->info_.dwEditCount;
  return AVIERR_OK;
}

bool IsEditStream(const AviStreamRef& stream) {
  return AsEdit(stream) != nullptr;
}

size_t EditStreamPieceCount(const AviStreamRef& stream) {
  EditStream* edit = AsEdit(stream);
  return edit ? edit->pieces_.Count() : 0;
}

bool AviSampleSource(const AviStreamRef& stream, int64_t pos, AviStreamRef& source,
                     int64_t& sourcePos) {
  if (!stream || pos < AviStreamStart(*stream) || pos >= AviStreamEnd(*stream)) return false;
  EditStream* edit = AsEdit(stream);
  if (!edit) {
    source = stream;
    sourcePos = pos;
    return true;
  }
  // Pieces never hold editable streams: pasting one takes its pieces.
  PieceList::Where w = edit->pieces_.Locate(pos - edit->info_.dwStart);
  const Piece& p = edit->pieces_.At(w);
  source = p.source;
  sourcePos = p.start + w.offset;
  return true;
}

bool AviSamplesFollowTheirSources(const AviStreamRef& stream) {
  EditStream* edit = AsEdit(stream);
  if (!edit) return stream != nullptr;
  // Within a piece every sample follows its own predecessor, and neighbouring
  // pieces that continue each other are always joined: only where a piece
  // begins may a sample have lost the one it depends on.
  return edit->pieces_.AllOf([](const Piece& p) {
    return p.start == AviStreamStart(*p.source) || p.source->IsKeyFrame(p.start);
  });
}
