#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

namespace qo::win32 {

// Live handles of each kind this program owns, counted by the owners below.
// Wine has no GetGuiResources, so this is how leaks show.
enum class HandleKind {
  Dc,
  WindowDc,
  Bitmap,
  Pen,
  Brush,
  Font,
  Cursor,
  Icon,
  Window,
  File,
  RegistryKey,
  Count
};

// The kinds' names, in the order above, as the test probe reports them.
inline constexpr const char* kHandleKindNames[] = {
    "dc",   "window_dc", "bitmap", "pen",  "brush",       "font",
    "cursor", "icon",   "window", "file", "registry_key"};
static_assert(std::size(kHandleKindNames) == static_cast<std::size_t>(HandleKind::Count));

constexpr bool isGdiKind(HandleKind kind) {
  using enum HandleKind;
  return kind == Dc || kind == WindowDc || kind == Bitmap || kind == Pen || kind == Brush ||
         kind == Font;
}

constexpr bool isUserKind(HandleKind kind) {
  using enum HandleKind;
  return kind == Window || kind == Cursor || kind == Icon;
}

// The counts of a running program can be read from outside: they live in a
// named memory section of this name, one 32-bit count per kind in the order above.
inline std::wstring handleCountsSectionName(DWORD processId) {
  return L"QuillmarkOrvaneHandleCounts-" + std::to_wstring(processId);
}

// Our live handles by kind, for the tests, probe and soak; counted only with
// QO_HANDLE_COUNTS (not in the release: any program of the user can open the section).
class HandleCounts {
 public:
#ifdef QO_HANDLE_COUNTS
  static void add(HandleKind kind) { counts()[index(kind)].fetch_add(1); }
  static void remove(HandleKind kind) { counts()[index(kind)].fetch_sub(1); }
#else
  static void add(HandleKind) {}
  static void remove(HandleKind) {}
#endif
  static long live(HandleKind kind) { return counts()[index(kind)].load(); }
  static long liveGdi() { return liveOf(isGdiKind); }    // DCs, bitmaps, pens, brushes, fonts
  static long liveUser() { return liveOf(isUserKind); }  // windows, cursors, icons

 private:
  static long liveOf(bool (*counted)(HandleKind));
  static int index(HandleKind kind) { return static_cast<int>(kind); }
  static std::atomic<long>* counts();
};

// A move-only owner of one handle; Traits give its kind, its empty value and how
// to close it.
template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {
    if (valid()) HandleCounts::add(Traits::kKind);
  }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Traits::empty(); }
  explicit operator bool() const { return valid(); }

  // Gives up ownership without closing.
  Handle release() {
    Handle h = handle_;
    if (valid()) HandleCounts::remove(Traits::kKind);
    handle_ = Traits::empty();
    return h;
  }

  void reset(Handle handle = Traits::empty()) {
    if (valid()) {
      HandleCounts::remove(Traits::kKind);
      Traits::close(handle_);
    }
    handle_ = handle;
    if (valid()) HandleCounts::add(Traits::kKind);
  }

 private:
  Handle handle_ = Traits::empty();
};

template <class H, HandleKind K, auto Close>
struct SimpleTraits {
  using Handle = H;
  static constexpr HandleKind kKind = K;
  static Handle empty() { return nullptr; }
  static void close(Handle h) { Close(h); }
};

inline void deleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void deleteMemoryDc(HDC h) { ::DeleteDC(h); }
inline void destroyCursor(HCURSOR h) { ::DestroyCursor(h); }
inline void destroyIcon(HICON h) { ::DestroyIcon(h); }

using UniqueMemoryDc = UniqueHandle<SimpleTraits<HDC, HandleKind::Dc, deleteMemoryDc>>;
using UniqueBitmap = UniqueHandle<SimpleTraits<HBITMAP, HandleKind::Bitmap, deleteGdiObject>>;
using UniquePen = UniqueHandle<SimpleTraits<HPEN, HandleKind::Pen, deleteGdiObject>>;
using UniqueBrush = UniqueHandle<SimpleTraits<HBRUSH, HandleKind::Brush, deleteGdiObject>>;
using UniqueFont = UniqueHandle<SimpleTraits<HFONT, HandleKind::Font, deleteGdiObject>>;
using UniqueCursor = UniqueHandle<SimpleTraits<HCURSOR, HandleKind::Cursor, destroyCursor>>;
using UniqueIcon = UniqueHandle<SimpleTraits<HICON, HandleKind::Icon, destroyIcon>>;

struct FileTraits {
  using Handle = HANDLE;
  static constexpr HandleKind kKind = HandleKind::File;
  static Handle empty() { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) { ::CloseHandle(h); }
};
using UniqueFile = UniqueHandle<FileTraits>;

// An opened registry key.  The predefined keys (HKEY_CURRENT_USER...) are never
// held by this owner, so they are never closed.
inline void closeRegistryKey(HKEY h) { ::RegCloseKey(h); }
using UniqueRegistryKey =
    UniqueHandle<SimpleTraits<HKEY, HandleKind::RegistryKey, closeRegistryKey>>;

// A window's or the screen's device context from GetDC, released on destruction.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {
    if (dc_) HandleCounts::add(HandleKind::WindowDc);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) {
      HandleCounts::remove(HandleKind::WindowDc);
      ::ReleaseDC(window_, dc_);
    }
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window) { ::BeginPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { ::EndPaint(window_, &paint_); }
  HDC get() const { return paint_.hdc; }
  const RECT& area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
};

// An object selected into a DC, put back on destruction.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace qo::win32
