// Helpers shared by the Win32 integration tests: scratch folders, whole-file
// reads, folder listings, message pumping and pixel reads.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/geometry.h"
#include "platform/win32/handles.h"

namespace qo::win32::testing {

inline std::string narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) out += (c < 128) ? static_cast<char>(c) : '?';
  return out;
}

// The names in a folder, without "." and "..", sorted.
inline std::vector<std::wstring> listFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

inline std::vector<std::uint8_t> readWholeFile(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  std::uint8_t chunk[65536];
  DWORD done = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &done, nullptr) && done > 0) {
    bytes.insert(bytes.end(), chunk, chunk + done);
  }
  ::CloseHandle(file);
  return bytes;
}

inline bool writeWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  ::CloseHandle(file);
  return ok && done == bytes.size();
}

// A fresh folder under the user's temporary folder, removed with all its files
// (one level deep) when the object goes.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    static unsigned serial = 0;
    for (;;) {
      path_ = std::wstring(temp) + L"qo-win32-test-" + std::to_wstring(::GetCurrentProcessId()) +
              L"-" + std::to_wstring(++serial);
      if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
      if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        ADD_FAILURE() << "no scratch folder: error " << ::GetLastError();
        break;
      }
    }
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    for (const auto& name : listFolder(path_)) {
      const std::wstring entry = file(name);
      ::SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!::DeleteFileW(entry.c_str())) ::RemoveDirectoryW(entry.c_str());
    }
    ::RemoveDirectoryW(path_.c_str());
  }

  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::vector<std::wstring> names() const { return listFolder(path_); }

 private:
  std::wstring path_;
};

// Delivers everything pending for the thread, a few rounds, so that painting
// caused by the previous round is delivered too.
inline void pumpMessages(int rounds = 5) {
  for (int round = 0; round < rounds; ++round) {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
}

// Pumps until the condition holds or about two seconds have passed.
template <class Condition>
bool pumpUntil(Condition&& condition) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (condition()) return true;
    pumpMessages(1);
  }
  return condition();
}

// 0x00RRGGBB, as the persistent image holds it, from a COLORREF.
constexpr std::uint32_t imagePixel(COLORREF colour) {
  return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

inline COLORREF screenPixel(int x, int y) {
  WindowDc screen(nullptr);
  return ::GetPixel(screen.get(), x, y);
}

// Handle counts kept by our own owners: what leaks would show in.
struct LiveHandles {
  long gdi = HandleCounts::liveGdi();
  long user = HandleCounts::liveUser();
  friend bool operator==(const LiveHandles&, const LiveHandles&) = default;
};

inline void PrintTo(const LiveHandles& counts, std::ostream* out) {
  *out << "{gdi " << counts.gdi << ", user " << counts.user << "}";
}

// A 32 x 32 monochrome cursor file with its hot spot at (5, 3).
inline std::vector<std::uint8_t> tinyCursorFile() {
  std::vector<std::uint8_t> bytes = {
      0,    0,    2, 0, 1,  0,                     // ICONDIR, one cursor
      32,   32,   0, 0, 5,  0, 3, 0,               // entry, hot spot
      0x30, 0x01, 0, 0, 22, 0, 0, 0,               // 304 bytes at 22
      40,   0,    0, 0, 32, 0, 0, 0, 64, 0, 0, 0,  // header, 32 x 2*32
      1,    0,    1, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0,   0,   0,   0,
      0,    0,    0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 255, 255, 255, 0};  // black, white
  bytes.resize(bytes.size() + 128, 0x0F);                                   // XOR mask
  bytes.resize(bytes.size() + 128, 0xF0);                                   // AND mask
  return bytes;
}

// A file in the folder that holds the test program.
inline std::wstring besideTheTests(const std::wstring& name) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

// The description of the Failure that call throws; fails the test when it throws none.
template <class Call>
std::wstring failureOf(Call&& call) {
  try {
    call();
  } catch (const Failure& failure) {
    return failure.description();
  }
  ADD_FAILURE() << "no Failure thrown";
  return {};
}

}  // namespace qo::win32::testing
