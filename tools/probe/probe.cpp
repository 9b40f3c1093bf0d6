// qo_probe: a test-only helper that reports the windows of the desktop as JSON and posts
// messages to them.  The end-to-end tests run it under Wine beside the program.
//
//   qo_probe.exe list OUTFILE                 writes one UTF-8 JSON object to OUTFILE
//   qo_probe.exe post HWND MSG WPARAM LPARAM  PostMessageW; numbers decimal or 0x-hex
//   qo_probe.exe settext HWND TEXT            WM_SETTEXT, as an accessibility tool fills a field
//   qo_probe.exe hold FILE SIGNAL             opens FILE with no sharing, creates SIGNAL, and
//                                             keeps FILE open until SIGNAL is removed
//   qo_probe.exe counts PID OUTFILE           writes the live handle counts the program with
//                                             that process id keeps of its own, as JSON
//                                             ({"dc": n, ..., "gdi": n, "user": n})
//   qo_probe.exe accessible HWND OUTFILE      writes what a screen reader reads of the
//                                             window's client area: {"name": s, "role": n}
//                                             (name null when it has none)
//
// Nothing is written to stdout: Wine's stdout capture stalls the caller.
// Exit codes: 0 done, 1 the operation failed, 2 bad arguments.
//
// The JSON object:
//   screen {width, height}   primary screen in pixels (SM_CXSCREEN / SM_CYSCREEN)
//   dpi                       system DPI
//   caption_font              the face the system gives for "Marlett", the symbol font the
//                             caption buttons are drawn with; another name means the buttons
//                             show letters ("0 1 r") instead of their symbols
//   desktop, foreground       handles of the desktop window and the foreground window
//   cursor {x, y, handle, showing}
//   processes [{process_id, image}]  image path of every process that owns a listed window
//   threads [{thread_id, active, focus, capture, caret_owner, flags}]
//                             GetGUIThreadInfo of every thread that owns a listed window
//   windows [...]             top-level windows in EnumWindows order (z order, top first)
// Each window: handle, parent (GA_PARENT; the desktop for top-level windows), owner, class,
// text, id (GWL_ID: the control id; top-level windows keep their menu handle there), style,
// exstyle, rect and client ([left, top, right, bottom] in screen coordinates), visible,
// iconic, zoomed, enabled, process_id, thread_id, check (BUTTON class only: BM_GETCHECK),
// children.  Children come in GetWindow(GW_CHILD) ... GW_HWNDNEXT order: z order from the
// top down, which for child windows that were never re-ordered is their creation order.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <oleacc.h>

#include "platform/win32/handles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace qo {
namespace {

constexpr int kMaxDepth = 64;
constexpr UINT kSendTimeoutMs = 1000;

// ---------------------------------------------------------------------------------------------
// JSON text

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::string JsonString(const std::wstring& text) {
  std::string out = "\"";
  for (const char c : ToUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Handle(const void* handle) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

std::string Bool(BOOL value) { return value ? "true" : "false"; }

std::string RectJson(const RECT& r) {
  return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + "]";
}

// ---------------------------------------------------------------------------------------------
// Reading one window

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

bool IsEditClass(const std::wstring& class_name) {
  return _wcsicmp(class_name.c_str(), L"Edit") == 0 ||
         _wcsnicmp(class_name.c_str(), L"RichEdit", 8) == 0;
}

// Edit controls keep their text themselves, so another process has to ask for it.
std::wstring EditText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &length)) {
    return {};
  }
  std::vector<wchar_t> buffer(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
  return std::wstring(buffer.data(), std::min<size_t>(copied, length));
}

std::wstring TextOf(HWND hwnd, const std::wstring& class_name) {
  if (IsEditClass(class_name)) return EditText(hwnd);
  const int length = GetWindowTextLengthW(hwnd);
  std::vector<wchar_t> buffer(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
  return std::wstring(buffer.data(), static_cast<size_t>(std::max(copied, 0)));
}

RECT ClientOnScreen(HWND hwnd) {
  RECT client = {};
  GetClientRect(hwnd, &client);
  POINT corners[2] = {{client.left, client.top}, {client.right, client.bottom}};
  MapWindowPoints(hwnd, nullptr, corners, 2);
  return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

// Builds one JSON object field by field.
class JsonObject {
 public:
  JsonObject& Add(const char* name, const std::string& value) {
    if (!text_.empty()) text_ += ", ";
    text_ += std::string("\"") + name + "\": " + value;
    return *this;
  }
  JsonObject& Add(const char* name, unsigned long value) {
    return Add(name, std::to_string(value));
  }
  std::string Text() const { return "{" + text_ + "}"; }

 private:
  std::string text_;
};

std::string JsonList(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += separator;
    out += item;
  }
  return "[" + out + "]";
}

// The threads and processes met while walking the windows.
struct Owners {
  std::set<DWORD> threads;
  std::set<DWORD> processes;
};

void AddCheckState(JsonObject& window, HWND hwnd, const std::wstring& class_name) {
  if (_wcsicmp(class_name.c_str(), L"Button") != 0) return;
  DWORD_PTR state = 0;
  const bool answered =
      SendMessageTimeoutW(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state) != 0;
  window.Add("check", answered ? std::to_string(state) : std::string("null"));
}

unsigned long WindowLong(HWND hwnd, int index) {
  return static_cast<DWORD>(GetWindowLongW(hwnd, index));
}

JsonObject PlainFields(HWND hwnd, Owners& owners) {
  DWORD process_id = 0;
  const DWORD thread_id = GetWindowThreadProcessId(hwnd, &process_id);
  owners.threads.insert(thread_id);
  owners.processes.insert(process_id);
  const std::wstring class_name = ClassOf(hwnd);
  RECT rect = {};
  GetWindowRect(hwnd, &rect);
  JsonObject window;
  window.Add("handle", Handle(hwnd))
      .Add("parent", Handle(GetAncestor(hwnd, GA_PARENT)))
      .Add("owner", Handle(GetWindow(hwnd, GW_OWNER)))
      .Add("class", JsonString(class_name))
      .Add("text", JsonString(TextOf(hwnd, class_name)))
      .Add("id", WindowLong(hwnd, GWL_ID))
      .Add("style", WindowLong(hwnd, GWL_STYLE))
      .Add("exstyle", WindowLong(hwnd, GWL_EXSTYLE))
      .Add("rect", RectJson(rect))
      .Add("client", RectJson(ClientOnScreen(hwnd)))
      .Add("visible", Bool(IsWindowVisible(hwnd)))
      .Add("iconic", Bool(IsIconic(hwnd)))
      .Add("zoomed", Bool(IsZoomed(hwnd)))
      .Add("enabled", Bool(IsWindowEnabled(hwnd)))
      .Add("process_id", process_id)
      .Add("thread_id", thread_id);
  AddCheckState(window, hwnd, class_name);
  return window;
}

std::string WindowJson(HWND hwnd, int depth, Owners& owners) {
  JsonObject window = PlainFields(hwnd, owners);
  std::vector<std::string> children;
  if (depth < kMaxDepth) {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      children.push_back(WindowJson(child, depth + 1, owners));
    }
  }
  return window.Add("children", JsonList(children, ", ")).Text();
}

// ---------------------------------------------------------------------------------------------
// The whole desktop

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

std::string ThreadsJson(const std::set<DWORD>& threads) {
  std::vector<std::string> items;
  for (const DWORD thread_id : threads) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread_id, &info)) continue;
    items.push_back(JsonObject()
                        .Add("thread_id", thread_id)
                        .Add("active", Handle(info.hwndActive))
                        .Add("focus", Handle(info.hwndFocus))
                        .Add("capture", Handle(info.hwndCapture))
                        .Add("caret_owner", Handle(info.hwndCaret))
                        .Add("flags", info.flags)
                        .Text());
  }
  return JsonList(items, ",\n  ");
}

std::wstring ImageOf(DWORD process_id) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (!process) return {};
  wchar_t path[MAX_PATH * 2] = {};
  DWORD size = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process, 0, path, &size)) size = 0;
  CloseHandle(process);
  return std::wstring(path, size);
}

std::string ProcessesJson(const std::set<DWORD>& processes) {
  std::vector<std::string> items;
  for (const DWORD process_id : processes) {
    items.push_back(JsonObject()
                        .Add("process_id", process_id)
                        .Add("image", JsonString(ImageOf(process_id)))
                        .Text());
  }
  return JsonList(items, ",\n  ");
}

std::string CursorJson() {
  CURSORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetCursorInfo(&info)) return "null";
  return JsonObject()
      .Add("x", std::to_string(info.ptScreenPos.x))
      .Add("y", std::to_string(info.ptScreenPos.y))
      .Add("handle", Handle(info.hCursor))
      .Add("showing", Bool((info.flags & CURSOR_SHOWING) != 0))
      .Text();
}

UINT SystemDpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto get_dpi = reinterpret_cast<GetDpiForSystemFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForSystem")));
  if (get_dpi) return get_dpi();
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

std::wstring CaptionFontFace() {
  LOGFONTW wanted{};
  wanted.lfHeight = 16;
  wanted.lfCharSet = DEFAULT_CHARSET;
  std::wcscpy(wanted.lfFaceName, L"Marlett");
  const HFONT font = CreateFontIndirectW(&wanted);
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ previous = SelectObject(screen, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(screen, LF_FACESIZE, face);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  return face;
}

std::string DesktopJson() {
  std::vector<HWND> top_level;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&top_level));
  Owners owners;
  std::vector<std::string> windows;
  for (const HWND hwnd : top_level) {
    if (IsWindow(hwnd)) windows.push_back(WindowJson(hwnd, 0, owners));
  }
  const std::string screen = JsonObject()
                                 .Add("width", std::to_string(GetSystemMetrics(SM_CXSCREEN)))
                                 .Add("height", std::to_string(GetSystemMetrics(SM_CYSCREEN)))
                                 .Text();
  return JsonObject()
             .Add("screen", screen)
             .Add("dpi", SystemDpi())
             .Add("caption_font", JsonString(CaptionFontFace()))
             .Add("desktop", Handle(GetDesktopWindow()))
             .Add("foreground", Handle(GetForegroundWindow()))
             .Add("cursor", CursorJson())
             .Add("processes", ProcessesJson(owners.processes))
             .Add("threads", ThreadsJson(owners.threads))
             .Add("windows", JsonList(windows, ",\n  "))
             .Text() +
         "\n";
}

// ---------------------------------------------------------------------------------------------
// Commands

void BecomeDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto set_context = reinterpret_cast<SetContextFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  // (HANDLE)-4 is DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2.
  if (set_context && set_context(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return;
  SetProcessDPIAware();
}

bool WriteFileBytes(const wchar_t* path, const std::string& bytes) {
  FILE* file = _wfopen(path, L"wb");
  if (!file) return false;
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  const bool closed = std::fclose(file) == 0;
  return written == bytes.size() && closed;
}

// Reads a decimal or 0x-prefixed hexadecimal number; the whole text must be the number.
bool ParseNumber(const wchar_t* text, std::uint32_t& value) {
  const bool hex = text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  const wchar_t* digits = hex ? text + 2 : text;
  if (*digits == L'\0') return false;
  wchar_t* end = nullptr;
  const unsigned long long parsed = std::wcstoull(digits, &end, hex ? 16 : 10);
  if (*end != L'\0' || parsed > 0xFFFFFFFFull || *digits == L'-' || *digits == L'+') return false;
  value = static_cast<std::uint32_t>(parsed);
  return true;
}

int PostCommand(const wchar_t* hwnd_text, const wchar_t* msg_text, const wchar_t* wparam_text,
                const wchar_t* lparam_text) {
  std::uint32_t hwnd = 0, msg = 0, wparam = 0, lparam = 0;
  if (!ParseNumber(hwnd_text, hwnd) || !ParseNumber(msg_text, msg) ||
      !ParseNumber(wparam_text, wparam) || !ParseNumber(lparam_text, lparam)) {
    return 2;
  }
  const BOOL posted = PostMessageW(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hwnd)), msg,
                                   static_cast<WPARAM>(wparam),
                                   static_cast<LPARAM>(static_cast<std::int32_t>(lparam)));
  return posted ? 0 : 1;
}

int SetTextCommand(const wchar_t* hwnd_text, const wchar_t* text) {
  std::uint32_t hwnd = 0;
  if (!ParseNumber(hwnd_text, hwnd)) return 2;
  DWORD_PTR result = 0;
  const LRESULT sent = SendMessageTimeoutW(
      reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hwnd)), WM_SETTEXT, 0,
      reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
  return sent && result ? 0 : 1;
}

// Another program holding a file open for itself alone, so that no one else can open it.
int HoldCommand(const wchar_t* path, const wchar_t* signal) {
  const HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const bool signalled = WriteFileBytes(signal, "held");
  while (signalled && GetFileAttributesW(signal) != INVALID_FILE_ATTRIBUTES) Sleep(100);
  CloseHandle(file);
  return signalled ? 0 : 1;
}

// The program publishes its counts in a named section (see platform/win32/handles.h).
int CountsCommand(const wchar_t* pid_text, const wchar_t* out_path) {
  std::uint32_t pid = 0;
  if (!ParseNumber(pid_text, pid)) return 2;
  constexpr int kinds = static_cast<int>(win32::HandleKind::Count);
  const HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE,
                                          win32::handleCountsSectionName(pid).c_str());
  if (!section) return 1;
  const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(LONG) * kinds);
  if (!view) {
    CloseHandle(section);
    return 1;
  }
  const auto* counts = static_cast<const volatile LONG*>(view);
  std::string json = "{";
  long gdi = 0, user = 0;
  for (int kind = 0; kind < kinds; ++kind) {
    const long count = counts[kind];
    json += std::string(kind ? ", " : "") + "\"" + win32::kHandleKindNames[kind] +
            "\": " + std::to_string(count);
    if (win32::isGdiKind(static_cast<win32::HandleKind>(kind))) gdi += count;
    if (win32::isUserKind(static_cast<win32::HandleKind>(kind))) user += count;
  }
  json += ", \"gdi\": " + std::to_string(gdi) + ", \"user\": " + std::to_string(user) + "}\n";
  UnmapViewOfFile(view);
  CloseHandle(section);
  return WriteFileBytes(out_path, json) ? 0 : 1;
}

int AccessibleCommand(const wchar_t* hwnd_text, const wchar_t* out_path) {
  std::uint32_t hwnd = 0;
  if (!ParseNumber(hwnd_text, hwnd)) return 2;
  CoInitialize(nullptr);
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hwnd)),
                                        static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&object)))) {
    return 1;
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  VARIANT role{};
  const bool named = object->get_accName(self, &name) == S_OK && name;
  object->get_accRole(self, &role);
  const std::string json = "{\"name\": " +
                           (named ? JsonString(std::wstring(name, SysStringLen(name))) : "null") +
                           ", \"role\": " + std::to_string(role.vt == VT_I4 ? role.lVal : -1) +
                           "}\n";
  SysFreeString(name);
  object->Release();
  return WriteFileBytes(out_path, json) ? 0 : 1;
}

}  // namespace
}  // namespace qo

int wmain(int argc, wchar_t** argv) {
  qo::BecomeDpiAware();
  if (argc == 3 && std::wcscmp(argv[1], L"list") == 0) {
    return qo::WriteFileBytes(argv[2], qo::DesktopJson()) ? 0 : 1;
  }
  if (argc == 4 && std::wcscmp(argv[1], L"settext") == 0) {
    return qo::SetTextCommand(argv[2], argv[3]);
  }
  if (argc == 6 && std::wcscmp(argv[1], L"post") == 0) {
    return qo::PostCommand(argv[2], argv[3], argv[4], argv[5]);
  }
  if (argc == 4 && std::wcscmp(argv[1], L"hold") == 0) {
    return qo::HoldCommand(argv[2], argv[3]);
  }
  if (argc == 4 && std::wcscmp(argv[1], L"counts") == 0) {
    return qo::CountsCommand(argv[2], argv[3]);
  }
  if (argc == 4 && std::wcscmp(argv[1], L"accessible") == 0) {
    return qo::AccessibleCommand(argv[2], argv[3]);
  }
  return 2;
}
