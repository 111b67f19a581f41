// Owners of the system's handles and objects, so that every way out of a
// function gives them back: a COM pointer, a window's DC, a memory DC, a GDI
// object selected into a DC, a GDI object of our own, a kernel handle.
#pragma once
#include <windows.h>

#include <utility>

template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  ~CComPtr() { Reset(); }
  CComPtr(const CComPtr&) = delete;
  CComPtr& operator=(const CComPtr&) = delete;

  T* operator->() const { return m_p; }
  T* Get() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // Where a creating call writes the pointer; whatever was held goes first.
  T** Out() {
    Reset();
    return &m_p;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  void Reset() {
    if (m_p) m_p->Release();
    m_p = nullptr;
  }

 private:
  T* m_p = nullptr;
};

// For a COM pointer kept in a plain member (its type may be declared only):
// gives it up and clears it, so that a second call gives up nothing.
template <class T>
void ReleaseAndClear(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// GetDC on construction, ReleaseDC at the end.
class CWindowDC {
 public:
  explicit CWindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
  ~CWindowDC() {
    if (m_dc) ReleaseDC(m_window, m_dc);
  }
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;
  operator HDC() const { return m_dc; }

 private:
  HWND m_window;
  HDC m_dc;
};

// A memory DC compatible with `like`, deleted at the end.
class CMemoryDC {
 public:
  explicit CMemoryDC(HDC like) : m_dc(CreateCompatibleDC(like)) {}
  ~CMemoryDC() {
    if (m_dc) DeleteDC(m_dc);
  }
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;
  operator HDC() const { return m_dc; }

 private:
  HDC m_dc;
};

// Selects an object into a DC and puts the previous one back at the end (an
// object cannot be deleted while selected, so declare this after its owner).
class CSelectObject {
 public:
  CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
  ~CSelectObject() {
    if (m_old) SelectObject(m_dc, m_old);
  }
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// A pen, brush, font or bitmap of our own, deleted at the end.
template <class H>
class CGdiObject {
 public:
  explicit CGdiObject(H object = nullptr) : m_object(object) {}
  ~CGdiObject() {
    if (m_object) DeleteObject(m_object);
  }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  operator H() const { return m_object; }
  // Hands the object over to the caller.
  H Detach() { return std::exchange(m_object, nullptr); }

 private:
  H m_object;
};

// A kernel handle (INVALID_HANDLE_VALUE or null when there is none), closed
// at the end unless closed or handed over before.
class CHandle {
 public:
  explicit CHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
  ~CHandle() { Close(); }
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;
  CHandle& operator=(HANDLE handle) {
    Close();
    m_handle = handle;
    return *this;
  }
  operator HANDLE() const { return m_handle; }
  bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
  // Closes now; false when the system reported an error (for files: the
  // last writes may not have reached the disk).
  bool Close() {
    if (!Valid()) return true;
    bool closed = CloseHandle(m_handle) != FALSE;
    m_handle = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE m_handle;
};
