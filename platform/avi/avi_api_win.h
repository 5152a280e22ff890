#pragma once
// The platform's AVIFile, editable-stream and save calls under their own names
// and signatures, served by our own AVI services. Files, streams and frame
// readers are real COM objects (IAVIFile, IAVIStream, IGetFrame), so that the
// platform's own dialogs that take streams (AVISaveOptions, the compressor
// chooser) work on them. Compressed video goes through the video-compression
// manager: the frame reader decompresses with ICDecompress, saving and
// AVIMakeCompressedStream compress with ICCompress.
//
// Our objects only: a PAVISTREAM made by the platform's avifil32 passed to
// these calls answers AVIERR_BADHANDLE.
//
// The portable headers come first: they define as constants the names that
// <vfw.h> defines as macros of the same values.
#include "platform/avi/avi_stream.h"

#include <windows.h>
#include <vfw.h>

namespace ownavi {

// Counted start and end of the services; AVIFileExit past zero is ignored.
void AVIFileInit();
void AVIFileExit();
int AVIFileInitCount();

// OF_READ (default) opens an AVI or WAVE file; OF_CREATE | OF_WRITE makes a
// new AVI file whose streams are added with AVIFileCreateStreamW. Their
// samples go to the file as they are written (a failed write answers
// AVIERR_FILEWRITE at once); headers and indexes are written, and the file is
// complete, when the file and all its streams are released. Samples written
// cannot be read back before then. A name ending in ".wav" makes a WAVE file
// of the first sound stream, kept until that release. An unwritable
// destination answers AVIERR_FILEOPEN at once.
HRESULT AVIFileOpenW(PAVIFILE* file, LPCWSTR path, UINT mode, LPCLSID handler);
HRESULT AVIFileInfoW(PAVIFILE file, AVIFILEINFOW* info, LONG size);
HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index);
HRESULT AVIFileCreateStreamW(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOW* info);
ULONG AVIFileAddRef(PAVIFILE file);
ULONG AVIFileRelease(PAVIFILE file);
// The outcome of the files made with OF_CREATE that were written out since the
// last call (AVIERR_OK when each one was written whole, else the first
// failure), and starts counting afresh. Their last release returns only a
// count, so this is how a caller learns that a full disk spoiled the file.
HRESULT AVIFileTakeCloseResult();

HRESULT AVIStreamInfoW(PAVISTREAM stream, AVISTREAMINFOW* info, LONG size);
HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG* size);
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG size);
HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                      LONG* bytes, LONG* samplesRead);
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                       DWORD flags, LONG* samplesWritten, LONG* bytesWritten);
LONG AVIStreamStart(PAVISTREAM stream);
LONG AVIStreamLength(PAVISTREAM stream);
LONG AVIStreamSampleToTime(PAVISTREAM stream, LONG sample);
LONG AVIStreamTimeToSample(PAVISTREAM stream, LONG ms);
LONG AVIStreamFindSample(PAVISTREAM stream, LONG pos, LONG flags);
ULONG AVIStreamAddRef(PAVISTREAM stream);
ULONG AVIStreamRelease(PAVISTREAM stream);
HRESULT AVIStreamOpenFromFileW(PAVISTREAM* stream, LPCWSTR path, DWORD type, LONG index, UINT mode,
                               LPCLSID handler);

// wanted: null for the frames' natural form (the decompressor's for compressed
// video), or a 24-bit header (biSize 40, size 0 or the frame's).
PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, LPBITMAPINFOHEADER wanted);
LPVOID AVIStreamGetFrame(PGETFRAME frames, LONG pos);
HRESULT AVIStreamGetFrameClose(PGETFRAME frames);

// A stream whose written frames are compressed into source (a stream made by
// AVIFileCreateStreamW). Handler 0 or "DIB " writes them unchanged.
HRESULT AVIMakeCompressedStream(PAVISTREAM* out, PAVISTREAM source, AVICOMPRESSOPTIONS* options,
                                CLSID* handler);
// A one-frame video stream from a packed DIB in global memory (format CF_DIB);
// the clipboard itself is not touched.
HRESULT AVIMakeStreamFromClipboard(UINT format, HANDLE global, PAVISTREAM* out);

HRESULT CreateEditableStream(PAVISTREAM* out, PAVISTREAM source);
// length: the number of source samples from start, -1 for all of the rest.
HRESULT EditStreamPaste(PAVISTREAM dest, LONG* pos, LONG* length, PAVISTREAM source, LONG start,
                        LONG length2);
HRESULT EditStreamCopy(PAVISTREAM stream, LONG* start, LONG* length, PAVISTREAM* out);
HRESULT EditStreamCut(PAVISTREAM stream, LONG* start, LONG* length, PAVISTREAM* out);
HRESULT EditStreamClone(PAVISTREAM stream, PAVISTREAM* out);
HRESULT EditStreamSetInfoW(PAVISTREAM stream, AVISTREAMINFOW* info, LONG size);
HRESULT EditStreamSetNameW(PAVISTREAM stream, LPCWSTR name);

// Saves the streams into a new AVI file, or the first sound stream into a WAVE
// file when the name ends in ".wav". Video with a compressor in its options
// (other than "DIB ") is compressed frame by frame; with none, or with
// "DIB " on uncompressed video, samples are copied unchanged; "DIB " on
// compressed video writes full uncompressed frames. Sound is copied unchanged.
// The callback gets percentages; a non-zero answer stops with AVIERR_USERABORT.
HRESULT AVISaveVW(LPCWSTR path, CLSID* handler, AVISAVECALLBACK callback, int count,
                  PAVISTREAM* streams, LPAVICOMPRESSOPTIONS* options);

// Bridges to the portable core.
PAVISTREAM WrapStream(const AviStreamRef& core);  // one reference, the caller's
AviStreamRef StreamCore(PAVISTREAM stream);       // null when not ours

}  // namespace ownavi
