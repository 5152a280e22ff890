#pragma once
// One owner type for every kind of handle the suite opens, so each path releases
// what it opened. Copy is deleted, move hands the handle over, put() serves as an
// out-parameter (it releases the old handle first).
#include <windows.h>

#include <utility>

// Traits name the handle type, its "no handle" value and how to close it.
template <typename T, auto Close>
struct NullIsInvalid {
  using Type = T;
  static Type Invalid() { return T{}; }
  static void Release(Type value) { Close(value); }
};

template <typename Traits>
class UniqueAny {
  using T = typename Traits::Type;

 public:
  UniqueAny() : value_(Traits::Invalid()) {}
  explicit UniqueAny(T value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Invalid(); }
  T release() { return std::exchange(value_, Traits::Invalid()); }
  void reset() { reset(Traits::Invalid()); }
  void reset(T value) {
    T old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Release(old);
  }
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_;
};

namespace handle_detail {
inline void CloseKernel(HANDLE h) {
  CloseHandle(h);
}
inline void DeleteGdi(HGDIOBJ h) {
  DeleteObject(h);
}
inline void DeleteMemoryDc(HDC h) {
  DeleteDC(h);
}
inline void FreeGlobal(HGLOBAL h) {
  GlobalFree(h);
}
inline void DestroyWin(HWND h) {
  DestroyWindow(h);
}
inline void DestroyMenuHandle(HMENU h) {
  DestroyMenu(h);
}
inline void DestroyIconHandle(HICON h) {
  DestroyIcon(h);
}
inline void FreeModuleHandle(HMODULE h) {
  FreeLibrary(h);
}
inline void UnhookHook(HHOOK h) {
  UnhookWindowsHookEx(h);
}
inline void ReleaseMutexAndClose(HANDLE h) {
  ReleaseMutex(h);
  CloseHandle(h);
}
}  // namespace handle_detail

// CreateFile reports failure as INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Type value) { CloseHandle(value); }
};

using UniqueHandle = UniqueAny<NullIsInvalid<HANDLE, handle_detail::CloseKernel>>;
using UniqueFileHandle = UniqueAny<FileHandleTraits>;
using UniqueBitmap = UniqueAny<NullIsInvalid<HBITMAP, handle_detail::DeleteGdi>>;
using UniqueFont = UniqueAny<NullIsInvalid<HFONT, handle_detail::DeleteGdi>>;
using UniqueBrush = UniqueAny<NullIsInvalid<HBRUSH, handle_detail::DeleteGdi>>;
using UniqueMemoryDc = UniqueAny<NullIsInvalid<HDC, handle_detail::DeleteMemoryDc>>;
using UniqueGlobal = UniqueAny<NullIsInvalid<HGLOBAL, handle_detail::FreeGlobal>>;
using UniqueWindow = UniqueAny<NullIsInvalid<HWND, handle_detail::DestroyWin>>;
using UniqueMenu = UniqueAny<NullIsInvalid<HMENU, handle_detail::DestroyMenuHandle>>;
using UniqueIcon = UniqueAny<NullIsInvalid<HICON, handle_detail::DestroyIconHandle>>;
using UniqueModule = UniqueAny<NullIsInvalid<HMODULE, handle_detail::FreeModuleHandle>>;
using UniqueHook = UniqueAny<NullIsInvalid<HHOOK, handle_detail::UnhookHook>>;
using UniqueOwnedMutex = UniqueAny<NullIsInvalid<HANDLE, handle_detail::ReleaseMutexAndClose>>;

// A window's DC from GetDC/GetWindowDC needs its window again for ReleaseDC.
class WindowDc {
 public:
  WindowDc() = default;
  WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
  static WindowDc Client(HWND window) { return WindowDc(window, GetDC(window)); }
  static WindowDc Whole(HWND window) { return WindowDc(window, GetWindowDC(window)); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc(WindowDc&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~WindowDc() { reset(); }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void reset() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// Selects a GDI object into a DC and puts the previous one back at scope end.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Paired global set-up (CoInitialize and the like): remembers whether the
// start succeeded and ends only then. Deferred() holds no start until start(),
// for an owner whose set-up comes later; a move hands the start over.
template <auto Start, auto End>
class ScopedStartup {
 public:
  ScopedStartup() : started_(Start()) {}
  static ScopedStartup Deferred() { return ScopedStartup(false); }
  ScopedStartup(const ScopedStartup&) = delete;
  ScopedStartup& operator=(const ScopedStartup&) = delete;
  ScopedStartup(ScopedStartup&& other) noexcept : started_(std::exchange(other.started_, false)) {}
  ScopedStartup& operator=(ScopedStartup&& other) noexcept {
    if (this != &other) {
      reset();
      started_ = std::exchange(other.started_, false);
    }
    return *this;
  }
  ~ScopedStartup() { reset(); }
  // Starts unless started already; says whether it is started now.
  bool start() {
    if (!started_) started_ = Start();
    return started_;
  }
  void reset() {
    if (std::exchange(started_, false)) End();
  }
  bool started() const { return started_; }

 private:
  explicit ScopedStartup(bool started) : started_(started) {}
  bool started_;
};
