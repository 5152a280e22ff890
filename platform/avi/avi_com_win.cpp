// The portable headers first: see avi_api_win.h.
#include "platform/avi/avi_frame.h"
#include "platform/avi/avi_save.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/text_win.h"
#include "platform/avi/avi_api_win.h"
#include "platform/avi/avi_codec_win.h"
#include "platform/avi/avi_handles_win.h"

#include <cwctype>

// The platform's header maps these names to its own W functions; here they
// must reach the portable core's calls of the same names.
#undef EditStreamSetInfo
#undef EditStreamSetName

namespace ownavi {
namespace {

// First failure of a file written out at its last release, until taken.
std::atomic<HRESULT> gCloseResult{AVIERR_OK};

// Lets our calls tell our streams from anybody else's IAVIStream.
constexpr GUID kIidOwnStream = {
    0x5f0c2a71, 0x3b9e, 0x4d6a, {0x9c, 0x12, 0x7e, 0x41, 0xa8, 0x03, 0xd5, 0x6b}};
constexpr uint32_t kHandlerDib = FourCC("DIB ");
// The platform's interface ids, spelt out: MinGW's import libraries give
// IID_IAVIStream and its kin as code stubs, not as the GUIDs.
constexpr GUID AviGuid(unsigned long first) {
  return {first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}
constexpr GUID kIidAviFile = AviGuid(0x00020020);
constexpr GUID kIidAviStream = AviGuid(0x00020021);
constexpr GUID kIidGetFrame = AviGuid(0x00020023);

struct ServiceGlobals {
  int initCount = 0;
};
ServiceGlobals& Services() {
  static ServiceGlobals g;
  return g;
}

AVISTREAMINFOW ToPlatform(const AviStreamInfo& in) {
  AVISTREAMINFOW out{};
  out.fccType = in.fccType;
  out.fccHandler = in.fccHandler;
  out.dwFlags = in.dwFlags;
  out.dwCaps = in.dwCaps;
  out.wPriority = in.wPriority;
  out.wLanguage = in.wLanguage;
  out.dwScale = in.dwScale;
  out.dwRate = in.dwRate;
  out.dwStart = in.dwStart;
  out.dwLength = in.dwLength;
  out.dwInitialFrames = in.dwInitialFrames;
  out.dwSuggestedBufferSize = in.dwSuggestedBufferSize;
  out.dwQuality = static_cast<DWORD>(in.dwQuality);
  out.dwSampleSize = in.dwSampleSize;
  out.rcFrame = {in.rcFrame.left, in.rcFrame.top, in.rcFrame.right, in.rcFrame.bottom};
  out.dwEditCount = in.dwEditCount;
  out.dwFormatChangeCount = in.dwFormatChangeCount;
  std::wstring name = Widen(StreamInfoName(in));
  wcsncpy(out.szName, name.c_str(), 63);
  return out;
}

AviStreamInfo FromPlatform(const AVISTREAMINFOW& in) {
  AviStreamInfo out;
  out.fccType = in.fccType;
  out.fccHandler = in.fccHandler;
  out.dwFlags = in.dwFlags;
  out.dwCaps = in.dwCaps;
  out.wPriority = in.wPriority;
  out.wLanguage = in.wLanguage;
  out.dwScale = in.dwScale;
  out.dwRate = in.dwRate;
  out.dwStart = in.dwStart;
  out.dwLength = in.dwLength;
  out.dwInitialFrames = in.dwInitialFrames;
  out.dwSuggestedBufferSize = in.dwSuggestedBufferSize;
  out.dwQuality = static_cast<int32_t>(in.dwQuality);
  out.dwSampleSize = in.dwSampleSize;
  out.rcFrame = {in.rcFrame.left, in.rcFrame.top, in.rcFrame.right, in.rcFrame.bottom};
  out.dwEditCount = in.dwEditCount;
  out.dwFormatChangeCount = in.dwFormatChangeCount;
  std::wstring name(in.szName, wcsnlen(in.szName, 64));
  StreamInfoSetName(out, Narrow(name));
  return out;
}

// Copies a record the caller may have declared shorter (older headers pass their own size).
template <typename T>
HRESULT CopyRecord(const T& record, void* out, LONG size) {
  if (!out || size < 0) return AVIERR_BADPARAM;
  std::memcpy(out, &record, std::min<size_t>(static_cast<size_t>(size), sizeof record));
  return static_cast<size_t>(size) < sizeof record ? AVIERR_BUFFERTOOSMALL : AVIERR_OK;
}

class OwnStream final : public IAVIStream {
 public:
  OwnStream(AviStreamRef core, IUnknown* owner) : core_(std::move(core)), owner_(owner) {
    if (owner_) owner_->AddRef();
  }
  ~OwnStream() {
    if (owner_) owner_->Release();
  }
  const AviStreamRef& core() const { return core_; }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidAviStream) ||
        IsEqualIID(riid, kIidOwnStream)) {
      *out = static_cast<IAVIStream*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP Create(LPARAM, LPARAM) override { return AVIERR_UNSUPPORTED; }
  STDMETHODIMP Info(AVISTREAMINFOW* info, LONG size) override {
    return CopyRecord(ToPlatform(core_->Info()), info, size);
  }
  STDMETHODIMP_(LONG) FindSample(LONG pos, LONG flags) override {
    return static_cast<LONG>(AviStreamFindSample(*core_, pos, flags));
  }
  STDMETHODIMP ReadFormat(LONG pos, void* format, LONG* size) override {
    if (!size) return AVIERR_BADPARAM;
    std::vector<uint8_t> bytes;
    AviResult r = core_->ReadFormat(pos, bytes);
    if (r != AVIERR_OK) return r;
    LONG room = *size;
    *size = static_cast<LONG>(bytes.size());
    if (!format) return AVIERR_OK;
    if (room < 0) return AVIERR_BADPARAM;
    std::memcpy(format, bytes.data(), std::min<size_t>(static_cast<size_t>(room), bytes.size()));
    return static_cast<size_t>(room) < bytes.size() ? AVIERR_BUFFERTOOSMALL : AVIERR_OK;
  }
  STDMETHODIMP SetFormat(LONG pos, void* format, LONG size) override {
    if (size < 0) return AVIERR_BADPARAM;
    return core_->SetFormat(pos, format, static_cast<size_t>(size));
  }
  STDMETHODIMP Read(LONG start, LONG samples, void* buffer, LONG bufferSize, LONG* bytes,
                    LONG* samplesRead) override {
    int64_t b = 0, s = 0;
    AviResult r = core_->Read(start, samples, buffer, bufferSize, &b, &s);
    if (bytes) *bytes = static_cast<LONG>(b);
    if (samplesRead) *samplesRead = static_cast<LONG>(s);
    return r;
  }
  STDMETHODIMP Write(LONG start, LONG samples, void* buffer, LONG bufferSize, DWORD flags,
                     LONG* samplesWritten, LONG* bytesWritten) override {
    if (bufferSize < 0) return AVIERR_BADPARAM;
    AviResult r = core_->Write(start, buffer, static_cast<uint32_t>(bufferSize), flags);
    if (samplesWritten) *samplesWritten = r == AVIERR_OK ? samples : 0;
    if (bytesWritten) *bytesWritten = r == AVIERR_OK ? bufferSize : 0;
    return r;
  }
  STDMETHODIMP Delete(LONG, LONG) override { return AVIERR_UNSUPPORTED; }
  STDMETHODIMP ReadData(DWORD, void*, LONG* size) override {
    if (size) *size = 0;
    return AVIERR_NODATA;
  }
  STDMETHODIMP WriteData(DWORD, void*, LONG) override { return AVIERR_UNSUPPORTED; }
  STDMETHODIMP SetInfo(AVISTREAMINFOW* info, LONG size) override {
    if (!info || size < static_cast<LONG>(sizeof *info)) return AVIERR_BADSIZE;
    return ::EditStreamSetInfo(core_, FromPlatform(*info));
  }

 private:
  std::atomic<ULONG> refs_{1};
  AviStreamRef core_;
  IUnknown*
      owner_;  // the file a created stream belongs to: it is written after the last stream goes
};

// A file opened for reading, or a new file whose created streams write their
// samples through to it and which is finished when the last reference to it
// goes. A new WAVE file collects its sound and is written out then.
class OwnFile final : public IAVIFile {
 public:
  explicit OwnFile(AviFileRef reading) : reading_(std::move(reading)) {}
  explicit OwnFile(AviOutputFileRef writing) : writing_(std::move(writing)) {}
  explicit OwnFile(std::string wavePath) : wavePath_(std::move(wavePath)) {}
  ~OwnFile() {
    AviResult r = AVIERR_OK;
    if (writing_) {
      r = AviOutputFileClose(*writing_);
    } else if (!wavePath_.empty()) {
      r = AviSave(wavePath_, created_, nullptr);
    }
    HRESULT expected = AVIERR_OK;
    if (r != AVIERR_OK) gCloseResult.compare_exchange_strong(expected, r);
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidAviFile)) {
      *out = static_cast<IAVIFile*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP Info(AVIFILEINFOW* info, LONG size) override {
    AVIFILEINFOW out{};
    if (reading_) {
      AviFileInfo in = AviFileGetInfo(*reading_);
      out.dwMaxBytesPerSec = in.dwMaxBytesPerSec;
      out.dwFlags = in.dwFlags;
      out.dwCaps = in.dwCaps;
      out.dwStreams = in.dwStreams;
      out.dwSuggestedBufferSize = in.dwSuggestedBufferSize;
      out.dwWidth = in.dwWidth;
      out.dwHeight = in.dwHeight;
      out.dwScale = in.dwScale;
      out.dwRate = in.dwRate;
      out.dwLength = in.dwLength;
      out.dwEditCount = in.dwEditCount;
      std::wstring type = Widen(std::string(in.szFileType, strnlen(in.szFileType, 64)));
      wcsncpy(out.szFileType, type.c_str(), 63);
    } else {
      out.dwCaps = AVIFILECAPS_CANREAD | AVIFILECAPS_CANWRITE;
      out.dwStreams = static_cast<DWORD>(created_.size());
      for (const AviStreamRef& s : created_) {
        AviStreamInfo i = s->Info();
        if (i.fccType == kStreamTypeVideo && out.dwWidth == 0) {
          out.dwWidth = static_cast<DWORD>(i.rcFrame.right - i.rcFrame.left);
          out.dwHeight = static_cast<DWORD>(i.rcFrame.bottom - i.rcFrame.top);
          out.dwScale = i.dwScale;
          out.dwRate = i.dwRate;
          out.dwLength = i.dwLength;
        }
      }
      wcsncpy(out.szFileType, L"AVI", 63);
    }
    return CopyRecord(out, info, size);
  }
  STDMETHODIMP GetStream(PAVISTREAM* stream, DWORD type, LONG index) override {
    if (!stream) return AVIERR_BADPARAM;
    *stream = nullptr;
    AviStreamRef core;
    if (reading_) {
      AviResult r = AviFileGetStream(reading_, type, index, core);
      if (r != AVIERR_OK) return r;
    } else {
      LONG seen = 0;
      for (const AviStreamRef& s : created_)
        if (type == 0 || s->Info().fccType == type) {
          if (seen++ == index) {
            core = s;
            break;
          }
        }
      if (!core) return AVIERR_NODATA;
    }
    *stream = new OwnStream(core, static_cast<IAVIFile*>(this));
    return AVIERR_OK;
  }
  STDMETHODIMP CreateStream(PAVISTREAM* stream, AVISTREAMINFOW* info) override {
    if (!stream || !info) return AVIERR_BADPARAM;
    *stream = nullptr;
    if (!writing_ && wavePath_.empty()) return AVIERR_READONLY;
    AviStreamRef core;
    AviResult r = writing_ ? AviOutputFileCreateStream(writing_, FromPlatform(*info), core)
                           : AviMakeStream(FromPlatform(*info), nullptr, 0, core);
    if (r != AVIERR_OK) return r;
    created_.push_back(core);
    *stream = new OwnStream(core, static_cast<IAVIFile*>(this));
    return AVIERR_OK;
  }
  STDMETHODIMP WriteData(DWORD, void*, LONG) override { return AVIERR_UNSUPPORTED; }
  STDMETHODIMP ReadData(DWORD, void*, LONG* size) override {
    if (size) *size = 0;
    return AVIERR_NODATA;
  }
  STDMETHODIMP EndRecord() override { return AVIERR_OK; }
  STDMETHODIMP DeleteStream(DWORD, LONG) override { return AVIERR_UNSUPPORTED; }

 private:
  std::atomic<ULONG> refs_{1};
  AviFileRef reading_;
  AviOutputFileRef writing_;
  std::string wavePath_;
  std::vector<AviStreamRef> created_;
};

class OwnGetFrame final : public IGetFrame {
 public:
  ~OwnGetFrame() { IcFrameReaderClose(decoder_); }
  AviResult Open(const AviStreamRef& core, const BITMAPINFOHEADER* wanted) {
    BitmapHeader want;
    if (wanted) {
      want.biSize = wanted->biSize;
      want.biWidth = wanted->biWidth;
      want.biHeight = wanted->biHeight;
      want.biBitCount = wanted->biBitCount;
      want.biCompression = wanted->biCompression;
    }
    if (IsCompressedVideo(*core)) {
      if (wanted && (want.biBitCount != 24 || want.biCompression != BI_RGB))
        return AVIERR_NOCOMPRESSOR;
      compressed_ = true;
      return IcFrameReaderOpen(decoder_, core, wanted != nullptr);
    }
    return AviFrameReaderOpen(plain_, core, wanted ? &want : nullptr);
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidGetFrame)) {
      *out = static_cast<IGetFrame*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP_(LPVOID) GetFrame(LONG pos) override {
    const uint8_t* frame =
        compressed_ ? IcFrameReaderGet(decoder_, pos) : AviFrameReaderGet(plain_, pos);
    return const_cast<uint8_t*>(frame);
  }
  STDMETHODIMP Begin(LONG, LONG, LONG) override { return AVIERR_OK; }
  STDMETHODIMP End() override { return AVIERR_OK; }
  STDMETHODIMP SetFormat(LPBITMAPINFOHEADER, void*, int, int, int, int) override {
    return AVIERR_UNSUPPORTED;
  }

 private:
  std::atomic<ULONG> refs_{1};
  bool compressed_ = false;
  AviFrameReader plain_;
  IcFrameReader decoder_;
};

HRESULT Wrap(const AviStreamRef& core, AviResult r, PAVISTREAM* out) {
  if (r != AVIERR_OK) return r;
  *out = WrapStream(core);
  return AVIERR_OK;
}

bool EndsWithWav(const std::wstring& path) {
  if (path.size() < 4) return false;
  std::wstring tail = path.substr(path.size() - 4);
  for (wchar_t& c : tail) c = static_cast<wchar_t>(towlower(c));
  return tail == L".wav";
}

// The frames of a video stream rewritten into a made stream: compressed by the
// chosen compressor, or decoded to full frames. Progress runs from 0 to 100
// over the frames.
AviResult Transcode(const AviStreamRef& source, const CompressorChoice& choice, bool decode,
                    const std::function<bool(int)>& progress, AviStreamRef& out) {
  AviStreamInfo info = source->Info();
  OwnGetFrame frames;  // on the stack, so never released
  AviResult r = frames.Open(source, nullptr);
  if (r != AVIERR_OK) return r;
  int64_t start = AviStreamStart(*source), end = AviStreamEnd(*source);
  AviStreamInfo madeInfo = info;
  madeInfo.fccHandler = decode ? kHandlerDib : choice.handler;
  madeInfo.dwLength = 0;
  madeInfo.dwSuggestedBufferSize = 0;
  madeInfo.dwQuality = choice.quality;
  AviStreamRef made;
  r = AviMakeStream(madeInfo, nullptr, 0, made);
  if (r != AVIERR_OK) return r;
  AviStreamRef writer = made;
  if (!decode) {
    r = MakeCompressingStream(made, choice, writer);
    if (r != AVIERR_OK) return r;
  }
  for (int64_t pos = start; pos < end; ++pos) {
    auto* frame = static_cast<const uint8_t*>(frames.GetFrame(static_cast<LONG>(pos)));
    if (!frame) return decode ? AVIERR_FILEREAD : AVIERR_COMPRESSOR;
    BitmapHeader h;
    BitmapHeaderRead(frame, 40, h);
    size_t header = 40 + DibColourBytes(h);
    size_t image =
        static_cast<size_t>(DibStride(h.biWidth, h.biBitCount) *
                            static_cast<uint64_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight));
    if (pos == start) {
      r = writer->SetFormat(start, frame, header);
      if (r != AVIERR_OK) return r;
    }
    r = writer->Write(pos, frame + header, static_cast<uint32_t>(image), AVIIF_KEYFRAME);
    if (r != AVIERR_OK) return r;
    if (progress &&
        progress(static_cast<int>((pos - start + 1) * 100 / std::max<int64_t>(1, end - start))))
      return AVIERR_USERABORT;
  }
  out = writer;
  return AVIERR_OK;
}

}  // namespace

PAVISTREAM WrapStream(const AviStreamRef& core) {
  return core ? new OwnStream(core, nullptr) : nullptr;
}

AviStreamRef StreamCore(PAVISTREAM stream) {
  if (!stream) return nullptr;
  void* own = nullptr;
  if (FAILED(stream->QueryInterface(kIidOwnStream, &own)) || !own) return nullptr;
  UniqueAviStream ours(static_cast<IAVIStream*>(own));  // the reference the query added
  return static_cast<OwnStream*>(ours.get())->core();
}

void AVIFileInit() {
  ++Services().initCount;
}
void AVIFileExit() {
  if (Services().initCount > 0) --Services().initCount;
}
int AVIFileInitCount() {
  return Services().initCount;
}

HRESULT AVIFileOpenW(PAVIFILE* file, LPCWSTR path, UINT mode, LPCLSID) {
  if (!file || !path) return AVIERR_BADPARAM;
  *file = nullptr;
  std::string utf8 = Narrow(path);
  if (mode & OF_CREATE) {
    if (!(mode & (OF_WRITE | OF_READWRITE))) return AVIERR_BADFLAGS;
    // The file is made now, so that an unwritable destination shows at once.
    if (EndsWithWav(path)) {
      UniqueFile probe = FileOpen(utf8, "wb");
      if (!probe) return AVIERR_FILEOPEN;
      probe.reset();
      *file = new OwnFile(utf8);
      return AVIERR_OK;
    }
    AviOutputFileRef writing;
    if (AviOutputFileCreate(utf8, {}, writing) != AVIERR_OK) return AVIERR_FILEOPEN;
    *file = new OwnFile(std::move(writing));
    return AVIERR_OK;
  }
  if (mode & (OF_WRITE | OF_READWRITE))
    return AVIERR_READONLY;  // existing files are not edited in place
  AviFileRef opened;
  AviResult r = AviFileOpen(utf8, opened);
  if (r != AVIERR_OK) return r;
  *file = new OwnFile(opened);
  return AVIERR_OK;
}

HRESULT AVIFileInfoW(PAVIFILE file, AVIFILEINFOW* info, LONG size) {
  return file ? file->Info(info, size) : AVIERR_BADHANDLE;
}
HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index) {
  return file ? file->GetStream(stream, type, index) : AVIERR_BADHANDLE;
}
HRESULT AVIFileCreateStreamW(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOW* info) {
  return file ? file->CreateStream(stream, info) : AVIERR_BADHANDLE;
}
ULONG AVIFileAddRef(PAVIFILE file) {
  return file ? file->AddRef() : 0;
}
ULONG AVIFileRelease(PAVIFILE file) {
  return file ? file->Release() : 0;
}
HRESULT AVIFileTakeCloseResult() {
  return gCloseResult.exchange(AVIERR_OK);
}

HRESULT AVIStreamInfoW(PAVISTREAM stream, AVISTREAMINFOW* info, LONG size) {
  return stream ? stream->Info(info, size) : AVIERR_BADHANDLE;
}
HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG* size) {
  return stream ? stream->ReadFormat(pos, format, size) : AVIERR_BADHANDLE;
}
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG size) {
  return stream ? stream->SetFormat(pos, format, size) : AVIERR_BADHANDLE;
}
HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                      LONG* bytes, LONG* samplesRead) {
  return stream ? stream->Read(start, samples, buffer, bufferSize, bytes, samplesRead)
                : AVIERR_BADHANDLE;
}
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                       DWORD flags, LONG* samplesWritten, LONG* bytesWritten) {
  return stream ? stream->Write(start, samples, buffer, bufferSize, flags, samplesWritten,
                                bytesWritten)
                : AVIERR_BADHANDLE;
}
LONG AVIStreamStart(PAVISTREAM stream) {
  AviStreamRef core = StreamCore(stream);
  return core ? static_cast<LONG>(AviStreamStart(*core)) : -1;
}
LONG AVIStreamLength(PAVISTREAM stream) {
  AviStreamRef core = StreamCore(stream);
  return core ? static_cast<LONG>(core->Info().dwLength) : -1;
}
LONG AVIStreamSampleToTime(PAVISTREAM stream, LONG sample) {
  AviStreamRef core = StreamCore(stream);
  return core ? static_cast<LONG>(AviStreamSampleToTime(*core, sample)) : -1;
}
LONG AVIStreamTimeToSample(PAVISTREAM stream, LONG ms) {
  AviStreamRef core = StreamCore(stream);
  return core ? static_cast<LONG>(AviStreamTimeToSample(*core, ms)) : -1;
}
LONG AVIStreamFindSample(PAVISTREAM stream, LONG pos, LONG flags) {
  return stream ? stream->FindSample(pos, flags) : -1;
}
ULONG AVIStreamAddRef(PAVISTREAM stream) {
  return stream ? stream->AddRef() : 0;
}
ULONG AVIStreamRelease(PAVISTREAM stream) {
  return stream ? stream->Release() : 0;
}

HRESULT AVIStreamOpenFromFileW(PAVISTREAM* stream, LPCWSTR path, DWORD type, LONG index, UINT mode,
                               LPCLSID handler) {
  if (!stream) return AVIERR_BADPARAM;
  *stream = nullptr;
  UniqueAviFile file;
  HRESULT r = ownavi::AVIFileOpenW(file.put(), path, mode, handler);
  if (r != AVIERR_OK) return r;
  // The stream holds the file; the file goes when the stream does.
  return file.get()->GetStream(stream, type, index);
}

PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, LPBITMAPINFOHEADER wanted) {
  AviStreamRef core = StreamCore(stream);
  if (!core) return nullptr;
  auto* frames = new OwnGetFrame;
  if (frames->Open(core, wanted) != AVIERR_OK) {
    frames->Release();
    return nullptr;
  }
  return frames;
}
LPVOID AVIStreamGetFrame(PGETFRAME frames, LONG pos) {
  return frames ? frames->GetFrame(pos) : nullptr;
}
HRESULT AVIStreamGetFrameClose(PGETFRAME frames) {
  if (frames) frames->Release();
  return AVIERR_OK;
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* out, PAVISTREAM source, AVICOMPRESSOPTIONS* options,
                                CLSID*) {
  if (!out) return AVIERR_BADPARAM;
  *out = nullptr;
  AviStreamRef core = StreamCore(source);
  if (!core) return AVIERR_BADHANDLE;
  CompressorChoice choice;
  if (options) {
    choice.handler = options->fccHandler;
    choice.quality = static_cast<int32_t>(options->dwQuality);
    choice.keyEvery = (options->dwFlags & AVICOMPRESSF_KEYFRAMES) ? options->dwKeyFrameEvery : 0;
    if (options->lpParms && options->cbParms)
      choice.state.assign(static_cast<uint8_t*>(options->lpParms),
                          static_cast<uint8_t*>(options->lpParms) + options->cbParms);
  }
  AviStreamRef compressing;
  return Wrap(compressing, MakeCompressingStream(core, choice, compressing), out);
}

HRESULT AVIMakeStreamFromClipboard(UINT format, HANDLE global, PAVISTREAM* out) {
  if (!out) return AVIERR_BADPARAM;
  *out = nullptr;
  if (format != CF_DIB || !global) return AVIERR_UNSUPPORTED;
  SIZE_T size = GlobalSize(global);
  const void* bytes = GlobalLock(global);
  if (!bytes) return AVIERR_MEMORY;
  AviStreamRef core;
  AviResult r = AviMakeFrameStream(bytes, size, core);
  GlobalUnlock(global);
  return Wrap(core, r, out);
}

HRESULT CreateEditableStream(PAVISTREAM* out, PAVISTREAM source) {
  if (!out) return AVIERR_BADPARAM;
  *out = nullptr;
  AviStreamRef core;
  if (source && !(core = StreamCore(source))) return AVIERR_BADHANDLE;
  AviStreamRef edit;
  return Wrap(edit, ::CreateEditableStream(core, edit), out);
}

HRESULT EditStreamPaste(PAVISTREAM dest, LONG* pos, LONG* length, PAVISTREAM source, LONG start,
                        LONG length2) {
  AviStreamRef d = StreamCore(dest), s = StreamCore(source);
  if (!d || !s) return AVIERR_BADHANDLE;
  if (!pos) return AVIERR_BADPARAM;
  int64_t p = *pos, n = 0;
  AviResult r = ::EditStreamPaste(d, &p, &n, s, start, length2);
  *pos = static_cast<LONG>(p);
  if (length) *length = static_cast<LONG>(n);
  return r;
}

namespace {
using EditCall = AviResult (*)(const AviStreamRef&, int64_t*, int64_t*, AviStreamRef&);
HRESULT EditRange(EditCall call, PAVISTREAM stream, LONG* start, LONG* length, PAVISTREAM* out) {
  AviStreamRef core = StreamCore(stream);
  if (!core) return AVIERR_BADHANDLE;
  if (!start || !length) return AVIERR_BADPARAM;
  if (out) *out = nullptr;
  int64_t s = *start, n = *length;
  AviStreamRef result;
  AviResult r = call(core, &s, &n, result);
  *start = static_cast<LONG>(s);
  *length = static_cast<LONG>(n);
  if (r == AVIERR_OK && out) *out = WrapStream(result);
  return r;
}
}  // namespace

HRESULT EditStreamCopy(PAVISTREAM stream, LONG* start, LONG* length, PAVISTREAM* out) {
  return EditRange(::EditStreamCopy, stream, start, length, out);
}
HRESULT EditStreamCut(PAVISTREAM stream, LONG* start, LONG* length, PAVISTREAM* out) {
  return EditRange(::EditStreamCut, stream, start, length, out);
}
HRESULT EditStreamClone(PAVISTREAM stream, PAVISTREAM* out) {
  if (!out) return AVIERR_BADPARAM;
  *out = nullptr;
  AviStreamRef core = StreamCore(stream);
  if (!core) return AVIERR_BADHANDLE;
  AviStreamRef clone;
  return Wrap(clone, ::EditStreamClone(core, clone), out);
}
HRESULT EditStreamSetInfoW(PAVISTREAM stream, AVISTREAMINFOW* info, LONG size) {
  AviStreamRef core = StreamCore(stream);
  if (!core) return AVIERR_BADHANDLE;
  if (!info || size < static_cast<LONG>(sizeof *info)) return AVIERR_BADSIZE;
  return ::EditStreamSetInfo(core, FromPlatform(*info));
}
HRESULT EditStreamSetNameW(PAVISTREAM stream, LPCWSTR name) {
  AviStreamRef core = StreamCore(stream);
  if (!core) return AVIERR_BADHANDLE;
  return ::EditStreamSetName(core, name ? Narrow(name) : std::string());
}

HRESULT AVISaveVW(LPCWSTR path, CLSID*, AVISAVECALLBACK callback, int count, PAVISTREAM* streams,
                  LPAVICOMPRESSOPTIONS* options) {
  if (!path || count <= 0 || !streams) return AVIERR_BADPARAM;
  std::vector<AviStreamRef> cores;
  std::vector<bool> rework;
  std::vector<CompressorChoice> choices;
  std::vector<bool> decode;
  bool wave = EndsWithWav(path);
  for (int i = 0; i < count; ++i) {
    AviStreamRef core = StreamCore(streams[i]);
    if (!core) return AVIERR_BADHANDLE;
    CompressorChoice choice;
    const AVICOMPRESSOPTIONS* o = options ? options[i] : nullptr;
    if (o) {
      choice.handler = o->fccHandler;
      choice.quality = static_cast<int32_t>(o->dwQuality);
      choice.keyEvery = (o->dwFlags & AVICOMPRESSF_KEYFRAMES) ? o->dwKeyFrameEvery : 0;
      if (o->lpParms && o->cbParms)
        choice.state.assign(static_cast<uint8_t*>(o->lpParms),
                            static_cast<uint8_t*>(o->lpParms) + o->cbParms);
    }
    bool video = core->Info().fccType == kStreamTypeVideo && !wave;
    bool compressed = video && IsCompressedVideo(*core);
    bool toFull = video && compressed && choice.handler == kHandlerDib;
    std::vector<uint8_t> format;
    core->ReadFormat(AviStreamStart(*core), format);
    BitmapHeader h;
    bool sameCodec =
        compressed && BitmapHeaderRead(format.data(), format.size(), h) &&
        (choice.handler == core->Info().fccHandler || choice.handler == h.biCompression);
    bool compress = video && choice.handler != 0 && choice.handler != kHandlerDib && !sameCodec;
    // Copied as they are, delta frames that no longer follow their own
    // predecessors (a reversed, halved or pasted edit list) would draw on
    // other pictures: such a stream is saved decoded instead.
    bool copyBreaks = compressed && !toFull && !compress && !AviSamplesFollowTheirSources(core);
    cores.push_back(core);
    rework.push_back(toFull || compress || copyBreaks);
    decode.push_back(toFull || copyBreaks);
    choices.push_back(choice);
  }
  if (wave) {
    // A WAVE file holds the first sound stream; the others are left out.
    auto sound = std::find_if(cores.begin(), cores.end(), [](const AviStreamRef& s) {
      return s->Info().fccType == kStreamTypeAudio;
    });
    if (sound == cores.end()) return AVIERR_UNSUPPORTED;
    AviStreamRef first = *sound;
    AviSaveCallback progress = [&](int percent) { return callback ? callback(percent) : 0; };
    return AviSave(Narrow(path), {first}, progress);
  }
  int reworked = static_cast<int>(std::count(rework.begin(), rework.end(), true));
  // With frames to compress or decode first, that work takes the first half of the bar.
  int done = 0;
  auto scaled = [&](int base, int span) {
    return [=](int percent) { return callback && callback(base + percent * span / 100) != 0; };
  };
  for (int i = 0; i < count; ++i) {
    if (!rework[i]) continue;
    int span = 50 / reworked;
    AviStreamRef out;
    AviResult r = Transcode(cores[i], choices[i], decode[i], scaled(done * span, span), out);
    if (r != AVIERR_OK) return r;
    cores[i] = out;
    ++done;
  }
  int base = reworked ? 50 : 0;
  AviSaveCallback progress = [&](int percent) {
    return callback ? callback(base + percent * (100 - base) / 100) : 0;
  };
  return AviSave(Narrow(path), cores, progress);
}

}  // namespace ownavi
