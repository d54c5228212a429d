// Small guards for Windows handles, device contexts, GDI objects and COM:
// each releases what it holds when it goes out of scope. The backend and
// the end-to-end driver both use them; nothing here but <windows.h>.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <objbase.h>
#include <windows.h>

namespace vx::win32 {

// Closes a kernel handle when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE h = nullptr) : h_(h) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) CloseHandle(h_);
    h_ = h;
  }
  // Lets go of the handle without closing it (it was closed elsewhere).
  void Release() { h_ = nullptr; }

 private:
  HANDLE h_;
};

// A window's device context (GetDC), released with it.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  ~ScopedGetDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// A memory device context (CreateCompatibleDC), deleted with it.
class ScopedMemoryDC {
 public:
  explicit ScopedMemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~ScopedMemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// An object selected into a device context, put back when it goes.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelect() { SelectObject(dc_, old_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A GDI object (bitmap, font, region) deleted when it goes out of scope,
// unless it was given away.
template <class T>
class ScopedGdiObject {
 public:
  explicit ScopedGdiObject(T object = nullptr) : object_(object) {}
  ~ScopedGdiObject() {
    if (object_) DeleteObject(object_);
  }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  T Get() const { return object_; }
  // Hands the object over (to a window that owns it from now on, or a caller).
  T Release() {
    T object = object_;
    object_ = nullptr;
    return object;
  }

 private:
  T object_;
};

// COM on this thread for as long as the guard lives, if it could be had.
// A COM interface pointer, released with it.
template <class T>
class ScopedCom {
 public:
  ScopedCom() = default;
  ~ScopedCom() {
    if (p_) p_->Release();
  }
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  // Where a function that hands out the interface puts it.
  void** Out() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

class ScopedComInit {
 public:
  ScopedComInit() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ScopedComInit() {
    if (ok_) CoUninitialize();
  }
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;

 private:
  bool ok_;
};

}  // namespace vx::win32
