// Editable streams: an edit list of (source, start, length) pieces over
// other streams, and the paste, copy, cut, clone and information calls on it.
#include "platform/avi/avi_stream.h"

#include <algorithm>
#include <cstring>

namespace {

struct Piece {
  AviStreamRef source;
  int64_t start = 0;
  int64_t length = 0;
};

class EditStream : public AviStream {
 public:
  AviStreamInfo Info() const override {
    AviStreamInfo info = info_;
    info.dwLength = static_cast<uint32_t>(std::min<int64_t>(Length(), UINT32_MAX));
    return info;
  }
  AviResult ReadFormat(int64_t pos, std::vector<uint8_t>& out) const override {
    if (pieces_.empty()) {
      out = format_;
      return format_.empty() ? AVIERR_NODATA : AVIERR_OK;
    }
    int64_t rel = std::clamp<int64_t>(pos - info_.dwStart, 0, Length() - 1);
    size_t i;
    int64_t offset;
    Locate(rel, i, offset);
    return pieces_[i].source->ReadFormat(pieces_[i].start + offset, out);
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
    size_t i;
    int64_t offset;
    Locate(rel, i, offset);
    if (!info_.dwSampleSize || info_.fccType == kStreamTypeVideo) {
      const Piece& p = pieces_[i];
      return p.source->Read(p.start + offset, 1, buffer, bufferSize, bytes, samples);
    }
    const int64_t ss = info_.dwSampleSize;
    int64_t want;
    if (count == AVISTREAMREAD_CONVENIENT || count < 0) {
      int64_t s = 0;
      const Piece& p = pieces_[i];
      AviResult r =
          p.source->Read(p.start + offset, AVISTREAMREAD_CONVENIENT, nullptr, 0, nullptr, &s);
      if (r != AVIERR_OK) return done(r);
      want = std::clamp<int64_t>(s, 1, p.length - offset);
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
    while (want > 0 && i < pieces_.size()) {
      const Piece& p = pieces_[i];
      int64_t take = std::min(want, p.length - offset);
      int64_t b = 0, s = 0;
      AviResult r = p.source->Read(p.start + offset, take, out, take * ss, &b, &s);
      if (r != AVIERR_OK) return done(r);
      if (s <= 0) break;  // the source holds less than it claims
      out += b;
      gotBytes += b;
      gotSamples += s;
      want -= s;
      offset += s;
      if (offset >= p.length) {
        ++i;
        offset = 0;
      }
    }
    return done(AVIERR_OK);
  }
  bool IsKeyFrame(int64_t pos) const override {
    int64_t rel = pos - info_.dwStart;
    if (rel < 0 || rel >= Length()) return false;
    size_t i;
    int64_t offset;
    Locate(rel, i, offset);
    return pieces_[i].source->IsKeyFrame(pieces_[i].start + offset);
  }

  int64_t Length() const {
    Index();
    return ends_.empty() ? 0 : ends_.back();
  }
  // Piece i and the offset in it of the rel-th sample (rel < Length()).
  void Locate(int64_t rel, size_t& i, int64_t& offset) const {
    Index();
    i = static_cast<size_t>(std::upper_bound(ends_.begin(), ends_.end(), rel) - ends_.begin());
    offset = rel - (i ? ends_[i - 1] : 0);
  }
  // The pieces covering [rel, rel + length).
  std::vector<Piece> Slice(int64_t rel, int64_t length) const {
    std::vector<Piece> out;
    if (length <= 0) return out;
    size_t i;
    int64_t offset;
    Locate(rel, i, offset);
    while (length > 0 && i < pieces_.size()) {
      int64_t take = std::min(length, pieces_[i].length - offset);
      out.push_back({pieces_[i].source, pieces_[i].start + offset, take});
      length -= take;
      offset = 0;
      ++i;
    }
    return out;
  }
  void Insert(int64_t rel, const std::vector<Piece>& add) {
    if (add.empty()) return;
    size_t at = pieces_.size();
    if (rel < Length()) {
      size_t i;
      int64_t offset;
      Locate(rel, i, offset);
      if (offset > 0) {
        Piece tail = pieces_[i];
        tail.start += offset;
        tail.length -= offset;
        pieces_[i].length = offset;
        pieces_.insert(pieces_.begin() + static_cast<ptrdiff_t>(i) + 1, tail);
        at = i + 1;
      } else {
        at = i;
      }
    }
    pieces_.insert(pieces_.begin() + static_cast<ptrdiff_t>(at), add.begin(), add.end());
    Merge(at, add.size());
    dirty_ = true;
  }
  void Remove(int64_t rel, int64_t length) {
    std::vector<Piece> kept;
    kept.reserve(pieces_.size() + 1);
    int64_t pos = 0;
    for (const Piece& p : pieces_) {
      int64_t a = pos, b = pos + p.length;
      pos = b;
      int64_t cutA = std::max(a, rel), cutB = std::min(b, rel + length);
      if (cutA >= cutB) {
        kept.push_back(p);
        continue;
      }
      if (cutA > a) kept.push_back({p.source, p.start, cutA - a});
      if (cutB < b) kept.push_back({p.source, p.start + (cutB - a), b - cutB});
    }
    pieces_ = std::move(kept);
    Merge(0, pieces_.size());
    dirty_ = true;
  }

  AviStreamInfo info_;
  std::vector<uint8_t> format_;  // of the first paste, for the compatibility check
  std::vector<Piece> pieces_;

 private:
  // Joins neighbours that continue each other (frame after frame of one source),
  // so pasting a movie sample by sample keeps a short list.
  void Merge(size_t from, size_t count) {
    size_t lo = from ? from - 1 : 0;
    size_t hi = std::min(pieces_.size(), from + count + 1);
    std::vector<Piece> merged(pieces_.begin(), pieces_.begin() + static_cast<ptrdiff_t>(lo));
    for (size_t k = lo; k < hi; ++k) {
      const Piece& p = pieces_[k];
      if (p.length <= 0) continue;
      if (merged.size() > lo && merged.back().source == p.source &&
          merged.back().start + merged.back().length == p.start) {
        merged.back().length += p.length;
      } else {
        merged.push_back(p);
      }
    }
    merged.insert(merged.end(), pieces_.begin() + static_cast<ptrdiff_t>(hi), pieces_.end());
    pieces_ = std::move(merged);
  }
  void Index() const {
    if (!dirty_) return;
    ends_.resize(pieces_.size());
    int64_t sum = 0;
    for (size_t k = 0; k < pieces_.size(); ++k) ends_[k] = sum += pieces_[k].length;
    dirty_ = false;
  }
  mutable std::vector<int64_t> ends_;
  mutable bool dirty_ = true;
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
    edit->pieces_ = other->pieces_;
    return edit;
  }
  edit->info_ = source->Info();
  source->ReadFormat(AviStreamStart(*source), edit->format_);
  int64_t length = AviStreamEnd(*source) - AviStreamStart(*source);
  if (length > 0) edit->pieces_.push_back({source, AviStreamStart(*source), length});
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
  out->pieces_ = edit.Slice(rel, count);
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
    return x.biWidth == y.biWidth && x.biHeight == y.biHeight && x.biBitCount == y.biBitCount &&
           x.biCompression == y.biCompression;
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
  if (edit->pieces_.empty()) {
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
    add = other->Slice(start - other->info_.dwStart, sourceLength);
  } else {
    add.push_back({source, start, sourceLength});
  }
  edit->Insert(rel, add);
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
  edit->Remove(rel, count);
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
  return edit ? edit->pieces_.size() : 0;
}
