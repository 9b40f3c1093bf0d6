// The Win32 services for real: file system, bitmap saving through it, clock,
// event pump, screen and colours.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "base/failure.h"
#include "base/shared_services.h"
#include "fakes/bitmap_encoder.h"
#include "formats/bitmap_file.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/win32_error.h"
#include "dialog_answer.h"
#include "platform/win32/persistent_image.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

using testing::failureOf;
using testing::LiveHandles;
using testing::narrow;
using testing::readWholeFile;
using testing::ScratchFolder;
using testing::writeWholeFile;

const std::vector<std::uint8_t> kOldBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
const std::vector<std::uint8_t> kNewBytes = {'n', 'e', 'w', '\r', '\n', 0, 255};

// A drive letter that names no drive here.
std::wstring missingDrivePath() {
  const DWORD drives = ::GetLogicalDrives();
  for (int letter = 'Q' - 'A'; letter < 26; ++letter) {
    if (!(drives & (1u << letter)))
      return std::wstring(1, static_cast<wchar_t>('A' + letter)) + L":\\x";
  }
  return L"B:\\x";
}

// --- last-change time and FileExists ------------------------------------------------------

TEST(Win32FileSystem, LastChangeTimeOfAnExistingFileAndFolder) {
  ScratchFolder folder;
  ASSERT_TRUE(writeWholeFile(folder.file(L"present.txt"), kOldBytes));
  Win32FileSystem files;
  EXPECT_GT(files.lastChangeTime(folder.file(L"present.txt")), 0);
  EXPECT_GT(files.lastChangeTime(folder.path()), 0);
  EXPECT_TRUE(FileExists(files, folder.file(L"present.txt")));
  EXPECT_TRUE(FileExists(files, folder.path()));
}

TEST(Win32FileSystem, LastChangeTimeFollowsAWrite) {
  ScratchFolder folder;
  const std::wstring path = folder.file(L"changing.txt");
  ASSERT_TRUE(writeWholeFile(path, kOldBytes));
  Win32FileSystem files;
  const std::int64_t before = files.lastChangeTime(path);
  FILETIME later{};
  const std::int64_t stamp = before + 10'000'000LL * 3600;  // one hour on
  later.dwLowDateTime = static_cast<DWORD>(stamp);
  later.dwHighDateTime = static_cast<DWORD>(stamp >> 32);
  const HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::SetFileTime(file, nullptr, nullptr, &later);
  ::CloseHandle(file);
  EXPECT_EQ(files.lastChangeTime(path), stamp);
}

struct MissingEntry {
  const char* what;
  std::wstring (*path)(const ScratchFolder&);
};

const MissingEntry kMissingEntries[] = {
    {"missing file", [](const ScratchFolder& f) { return f.file(L"absent.cur"); }},
    {"missing folder", [](const ScratchFolder& f) { return f.file(L"no-such-folder\\x.cur"); }},
    {"empty path", [](const ScratchFolder&) { return std::wstring(); }},
    {"missing drive", [](const ScratchFolder&) { return missingDrivePath(); }},
    {"wildcard", [](const ScratchFolder& f) { return f.file(L"*.cur"); }},
    {"invalid name", [](const ScratchFolder& f) { return f.file(L"a|b.cur"); }},
};

TEST(Win32FileSystem, LastChangeTimeOfWhatIsNotThereThrowsWithTheSystemsReason) {
  ScratchFolder folder;
  Win32FileSystem files;
  for (const auto& entry : kMissingEntries) {
    const std::wstring path = entry.path(folder);
    const std::wstring description = failureOf([&] { files.lastChangeTime(path); });
    // Our words first, then the system's message, which is never empty.
    const std::wstring ours = L"\"" + path + L"\" could not be found. ";
    EXPECT_EQ(description.substr(0, ours.size()), ours) << entry.what;
    EXPECT_GT(description.size(), ours.size()) << entry.what;
  }
}

TEST(Win32FileSystem, FileExistsAnswersFalseForWhatIsNotThereAndLeavesNoError) {
  ScratchFolder folder;
  Win32FileSystem files;
  for (const auto& entry : kMissingEntries) {
    ::SetLastError(0);
    EXPECT_FALSE(FileExists(files, entry.path(folder))) << entry.what;
  }
}

TEST(Win32FileSystem, MissingFileFailureCarriesTheSystemMessage) {
  ScratchFolder folder;
  Win32FileSystem files;
  const std::wstring system = systemMessage(ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(system.find(L"Windows error"), std::wstring::npos)
      << "FormatMessage gave no text: " << narrow(system);
  const std::wstring description =
      failureOf([&] { files.lastChangeTime(folder.file(L"absent.cur")); });
  EXPECT_NE(description.find(system), std::wstring::npos) << narrow(description);
}

// --- failure texts ------------------------------------------------------------------------

TEST(Win32Errors, AFailureCarriesOnlyAReasonTheFailingCallGave) {
  // A reason left by an earlier call must not be read as this failure's reason.
  ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  const std::wstring description =
      failureOf([] { PersistentImage tooLarge({50000, 50000}, RGB(0, 0, 0)); });
  EXPECT_EQ(description.rfind(L"A picture of 50000 x 50000 pixels could not be created.", 0), 0u)
      << narrow(description);
  EXPECT_EQ(description.find(systemMessage(ERROR_INVALID_WINDOW_HANDLE)), std::wstring::npos);
  EXPECT_EQ(description.find(systemMessage(ERROR_SUCCESS)), std::wstring::npos);
}

// --- message boxes --------------------------------------------------------------------------

TEST(Win32MessageBoxes, AreModalToTheWholeProgram) {
  auto topLevel = [](DWORD style) {
    return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | style, 0, 0, 30, 30,
                             nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  };
  const HWND first = topLevel(0);
  const HWND second = topLevel(0);
  const HWND disabledBefore = topLevel(WS_DISABLED);
  // A box that a topmost window of the program (the overlay) owns comes above it.
  ::SetWindowPos(second, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetActiveWindow(second);
  bool enabledMeanwhile[2] = {true, true};
  DWORD exStyle = 0;
  testing::DialogAnswer answer(L"Modal test", [&](HWND box) {
    enabledMeanwhile[0] = ::IsWindowEnabled(first);
    enabledMeanwhile[1] = ::IsWindowEnabled(second);
    exStyle = static_cast<DWORD>(::GetWindowLongW(box, GWL_EXSTYLE));
    testing::press(box, IDOK);
  });
  Win32MessageBoxes().show(L"Nothing else takes input now.", L"Modal test", kOkOnly);
  ASSERT_TRUE(answer.finish());
  EXPECT_FALSE(enabledMeanwhile[0]);
  EXPECT_FALSE(enabledMeanwhile[1]);
  EXPECT_TRUE(::IsWindowEnabled(first));
  EXPECT_TRUE(::IsWindowEnabled(second));
  EXPECT_FALSE(::IsWindowEnabled(disabledBefore)) << "what was disabled before stays so";
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  for (const HWND window : {first, second, disabledBefore}) ::DestroyWindow(window);
}

// --- writing, replacing and removing -------------------------------------------------------

TEST(Win32FileSystem, WriteNewFileCreatesItWithExactlyTheBytes) {
  ScratchFolder folder;
  Win32FileSystem files;
  files.writeNewFile(folder.file(L"new.bin"), kNewBytes);
  EXPECT_EQ(readWholeFile(folder.file(L"new.bin")), kNewBytes);
  const std::span<const std::uint8_t> all(kNewBytes);
  const std::span<const std::uint8_t> pieces[] = {all.first(1), {}, all.subspan(1)};
  files.writeNewFile(folder.file(L"pieces.bin"), pieces);
  EXPECT_EQ(readWholeFile(folder.file(L"pieces.bin")), kNewBytes) << "pieces follow one another";
  files.writeNewFile(folder.file(L"empty.bin"), std::span<const std::uint8_t>());
  EXPECT_TRUE(readWholeFile(folder.file(L"empty.bin")).empty());
  EXPECT_TRUE(FileExists(files, folder.file(L"empty.bin")));
}

TEST(Win32FileSystem, WriteNewFileRefusesAnExistingFile) {
  ScratchFolder folder;
  const std::wstring path = folder.file(L"taken.bin");
  ASSERT_TRUE(writeWholeFile(path, kOldBytes));
  Win32FileSystem files;
  const std::wstring description = failureOf([&] { files.writeNewFile(path, kNewBytes); });
  EXPECT_EQ(description, systemMessage(ERROR_FILE_EXISTS));
  EXPECT_THROW(files.writeNewFile(path, kNewBytes), NameTaken) << "so the save tries another name";
  EXPECT_EQ(readWholeFile(path), kOldBytes);
}

TEST(Win32FileSystem, ReplaceFileMovesOverAnExistingFileOrToAFreeName) {
  ScratchFolder folder;
  Win32FileSystem files;
  ASSERT_TRUE(writeWholeFile(folder.file(L"from"), kNewBytes));
  ASSERT_TRUE(writeWholeFile(folder.file(L"to"), kOldBytes));
  files.replaceFile(folder.file(L"from"), folder.file(L"to"));
  EXPECT_EQ(readWholeFile(folder.file(L"to")), kNewBytes);
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"to"});

  files.replaceFile(folder.file(L"to"), folder.file(L"fresh"));
  EXPECT_EQ(readWholeFile(folder.file(L"fresh")), kNewBytes);
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"fresh"});
}

TEST(Win32FileSystem, ReplaceFileFromAMissingFileThrows) {
  ScratchFolder folder;
  ASSERT_TRUE(writeWholeFile(folder.file(L"to"), kOldBytes));
  Win32FileSystem files;
  const std::wstring description =
      failureOf([&] { files.replaceFile(folder.file(L"absent"), folder.file(L"to")); });
  EXPECT_EQ(description, systemMessage(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(readWholeFile(folder.file(L"to")), kOldBytes);
}

TEST(Win32FileSystem, RemoveFileRemovesAndNeverThrows) {
  ScratchFolder folder;
  ASSERT_TRUE(writeWholeFile(folder.file(L"doomed"), kOldBytes));
  Win32FileSystem files;
  files.removeFile(folder.file(L"doomed"));
  EXPECT_TRUE(folder.names().empty());
  for (const auto& entry : kMissingEntries) {
    EXPECT_NO_THROW(files.removeFile(entry.path(folder))) << entry.what;
  }
  EXPECT_NO_THROW(files.removeFile(folder.path()));  // a folder is not a file
}

// --- saving a bitmap through the real file system ----------------------------------------

// A 3 x 2 picture with a different colour in every pixel.
struct SmallPicture {
  std::uint32_t pixels[6] = {0x00FF0000, 0x0000FF00, 0x000000FF,   // top row
                             0x00123456, 0x00FFFFFF, 0x00000000};  // bottom row
  ImageView view() const { return {3, 2, 3, pixels}; }
};

// Written through the real file system, the file is one the system reads back as
// the picture.
TEST(SaveBitmapFileWin32, WritesAFileTheSystemReadsBack) {
  ScratchFolder folder;
  Win32FileSystem files;
  const SmallPicture picture;
  saveBitmapFile(files, folder.file(L"picture.bmp"), picture.view());
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"picture.bmp"});
  UniqueBitmap loaded(
      static_cast<HBITMAP>(::LoadImageW(nullptr, folder.file(L"picture.bmp").c_str(), IMAGE_BITMAP,
                                        0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  ASSERT_TRUE(loaded);
  BITMAP facts{};
  ::GetObjectW(loaded.get(), sizeof facts, &facts);
  EXPECT_EQ(facts.bmWidth, 3);
  EXPECT_EQ(facts.bmHeight, 2);
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  SelectedObject selected(dc.get(), loaded.get());
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const std::uint32_t pixel = picture.view().at(x, y);
      EXPECT_EQ(::GetPixel(dc.get(), x, y), RGB(pixel >> 16, pixel >> 8 & 0xFF, pixel & 0xFF))
          << x << "," << y;
    }
  }
}

TEST(SaveBitmapFileWin32, ReplacesAnExistingFileAndLeavesNothingElse) {
  ScratchFolder folder;
  const std::wstring path = folder.file(L"picture.bmp");
  ASSERT_TRUE(writeWholeFile(path, kOldBytes));
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
  Win32FileSystem files;
  SmallPicture picture;
  saveBitmapFile(files, path, picture.view());
  EXPECT_EQ(readWholeFile(path), encodeBmp(picture.view()));
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"picture.bmp"});
  EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) << "kept from the old";
  EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_ARCHIVE) << "for the next backup";
}

// A failed save names the chosen file, then gives the system's reason: one of codes.
void expectSaveFailure(const std::wstring& description, const std::wstring& path,
                       std::initializer_list<DWORD> codes) {
  const std::wstring ours = L"\"" + path + L"\" could not be saved. ";
  bool matched = false;
  for (const DWORD code : codes) matched = matched || description == ours + systemMessage(code);
  EXPECT_TRUE(matched) << narrow(description);
}

// An old picture at path that another program holds open without letting it be
// deleted or renamed over; the caller lets it go.
HANDLE heldOldPicture(const std::wstring& path) {
  if (!writeWholeFile(path, kOldBytes)) return INVALID_HANDLE_VALUE;
  return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(SaveBitmapFileWin32, AFileThatCannotBeReplacedStaysByteForByte) {
  ScratchFolder folder;
  const std::wstring path = folder.file(L"busy.bmp");
  const HANDLE holder = heldOldPicture(path);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  Win32FileSystem files;
  const std::wstring description =
      failureOf([&] { saveBitmapFile(files, path, SmallPicture().view()); });
  ::CloseHandle(holder);
  expectSaveFailure(description, path, {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION});
  EXPECT_EQ(readWholeFile(path), kOldBytes);
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"busy.bmp"}) << "temporary file left";
}

// The search indexer, a virus scanner or a viewer holds a file for a moment.
TEST(SaveBitmapFileWin32, AFileHeldForAMomentIsReplacedOnceLetGo) {
  ScratchFolder folder;
  const std::wstring path = folder.file(L"busy.bmp");
  const HANDLE holder = heldOldPicture(path);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::thread letGo([holder] { ::Sleep(300), ::CloseHandle(holder); });
  Win32FileSystem files;
  EXPECT_NO_THROW(saveBitmapFile(files, path, SmallPicture().view()));
  letGo.join();
  EXPECT_EQ(readWholeFile(path), encodeBmp(SmallPicture().view()));
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"busy.bmp"}) << "temporary file left";
}

// A replace as Windows may answer it: held for a while, stopped half-way with the old
// file moved aside, moves refused.  The old or the new picture is always under the
// target's name or a name the report gives.
TEST(SaveBitmapFileWin32, AReplaceThatStopsHalfWayNeverLosesBothPictures) {
  enum Left { New, Old, Neither };
  const struct {
    const char* what;
    DWORD code;     // the replace's answer while it fails
    int failures;   // how often it fails (-1: always)
    bool oldAside;  // a failing replace has moved the old file to the backup name
    int refused;    // moves refused: 1 those of the new file, 2 all
    Left atTarget;
  } cases[] = {
      {"held, then let go", ERROR_SHARING_VIOLATION, 3, false, 0, New},
      {"still held at the deadline", ERROR_UNABLE_TO_REMOVE_REPLACED, -1, false, 0, Old},
      {"replacement not moved", ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, false, 0, New},
      {"old aside, a move finishes", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, 0, New},
      {"old aside, moved back", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, 1, Old},
      {"old aside, nothing moves", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, 2, Neither},
      {"no old file", ERROR_SUCCESS, 0, false, 0, New},
  };
  const FileMoves system = systemFileMoves();
  const std::vector<std::uint8_t> newBytes = encodeBmp(SmallPicture().view()), none;
  for (const auto& c : cases) {
    ScratchFolder folder;
    const std::wstring path = folder.file(L"picture.bmp");
    ASSERT_TRUE(c.what == std::string_view("no old file") || writeWholeFile(path, kOldBytes));
    int failures = 0;
    const auto replace = [&](const std::wstring& to, const std::wstring& from,
                             const std::wstring& backup) {
      if (c.failures >= 0 && failures >= c.failures) return system.replace(to, from, backup);
      if (++failures && c.oldAside) ::MoveFileW(to.c_str(), backup.c_str());
      return c.code;
    };
    const auto move = [&](const std::wstring& from, const std::wstring& to) {
      const bool refused = c.refused == 2 || (c.refused == 1 && from.ends_with(L".tmp"));
      return refused ? DWORD{ERROR_LOCK_VIOLATION} : system.move(from, to);
    };
    Win32FileSystem files({replace, move});
    const auto save = [&] { saveBitmapFile(files, path, SmallPicture().view()); };
    const std::wstring report = c.atTarget == New ? (save(), L"") : failureOf(save);
    const auto& atTarget = c.atTarget == New ? newBytes : c.atTarget == Old ? kOldBytes : none;
    EXPECT_EQ(readWholeFile(path), atTarget) << c.what;
    std::set<std::vector<std::uint8_t>> kept;
    for (const std::wstring& name : folder.names()) {
      kept.insert(readWholeFile(folder.file(name)));
      const bool named = report.find(L'"' + folder.file(name) + L'"') != std::wstring::npos;
      EXPECT_TRUE(name == L"picture.bmp" || named) << c.what << ": " << narrow(name);
    }
    EXPECT_EQ(kept.size(), c.atTarget == Neither ? 2u : 1u) << c.what;  // both pictures then
  }
}

// --- clock ----------------------------------------------------------------------------------

double localSecondsNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

TEST(Win32Clock, ReadsSecondsSinceLocalMidnight) {
  Win32Clock clock;
  const double before = localSecondsNow();
  const float reading = clock.secondsSinceMidnight();
  const double after = localSecondsNow();
  EXPECT_GE(reading, 0.0f);
  EXPECT_LT(reading, 86400.0f);
  if (after >= before) {  // not across midnight
    // A float keeps about 8 ms at 86400 s.
    EXPECT_GE(reading, before - 0.01);
    EXPECT_LE(reading, after + 0.01);
  }
}

TEST(Win32Clock, NeverRunsBackwardsOverABusyWait) {
  Win32Clock clock;
  const float start = clock.secondsSinceMidnight();
  float previous = start;
  int changes = 0;
  const ULONGLONG giveUp = ::GetTickCount64() + 2000;
  while (elapsedSince(start, previous) < 0.1 && ::GetTickCount64() < giveUp) {
    // Compared straight from the call, as the pause compares it with its stored start.
    if (clock.secondsSinceMidnight() < previous && previous < 86000.0f) {
      FAIL() << "went back from " << previous;
    }
    const float now = clock.secondsSinceMidnight();
    ASSERT_GE(now, 0.0f);
    ASSERT_LT(now, 86400.0f);
    if (now != previous) ++changes;
    if (!(previous > 86000.0f && now < 400.0f)) {  // unless across midnight
      ASSERT_GE(now, previous);
    }
    previous = now;
  }
  EXPECT_GT(changes, 0) << "the clock did not move";
  EXPECT_GE(elapsedSince(start, previous), 0.1);
}

// --- event pump -----------------------------------------------------------------------------

constexpr UINT kPing = WM_APP + 1;

// A hidden window that counts the pings it receives.
class PingWindow {
 public:
  PingWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &PingWindow::procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QoTestPingWindow";
    ::RegisterClassW(&wc);  // fails harmlessly when already registered
    hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
    pings_ = 0;
  }
  PingWindow(const PingWindow&) = delete;
  PingWindow& operator=(const PingWindow&) = delete;
  ~PingWindow() { ::DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }
  static int pings() { return pings_; }

 private:
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
      ++pings_;
      return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  static inline int pings_ = 0;
  HWND hwnd_ = nullptr;
};

void drainQueue() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

// Runs doEvents under a watchdog: should it wait for new messages, the watchdog
// ends the wait after two seconds with quit requests.  True when doEvents
// returned by itself.
bool doEventsReturnsByItself(Win32EventPump& pump) {
  const DWORD thread = ::GetCurrentThreadId();
  const HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> fired{false};
  std::thread watchdog([&] {
    if (::WaitForSingleObject(done, 2000) != WAIT_TIMEOUT) return;
    fired = true;
    do {
      ::PostThreadMessageW(thread, WM_QUIT, 0, 0);
    } while (::WaitForSingleObject(done, 200) == WAIT_TIMEOUT);
  });
  pump.doEvents();
  ::SetEvent(done);
  watchdog.join();
  ::CloseHandle(done);
  return !fired;
}

TEST(Win32EventPump, DeliversWhatIsPending) {
  PingWindow window;
  ASSERT_TRUE(window.hwnd());
  drainQueue();
  Win32EventPump pump;
  ::PostMessageW(window.hwnd(), kPing, 0, 0);
  ::PostMessageW(window.hwnd(), kPing, 0, 0);
  EXPECT_TRUE(doEventsReturnsByItself(pump)) << "doEvents waited for a message";
  EXPECT_EQ(PingWindow::pings(), 2);
  drainQueue();
}

TEST(Win32EventPump, ReturnsWithoutWaitingWhenNothingIsPending) {
  PingWindow window;
  drainQueue();
  Win32EventPump pump;
  EXPECT_TRUE(doEventsReturnsByItself(pump)) << "doEvents waited for a message";
  EXPECT_EQ(PingWindow::pings(), 0);
  drainQueue();
}

TEST(Win32EventPump, LeavesAQuitRequestForTheMainLoop) {
  PingWindow window;
  drainQueue();
  ::PostMessageW(window.hwnd(), kPing, 0, 0);
  ::PostQuitMessage(7);
  Win32EventPump pump;
  ASSERT_TRUE(doEventsReturnsByItself(pump)) << "doEvents waited for a message";
  EXPECT_EQ(PingWindow::pings(), 1);
  MSG message{};
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_FALSE(::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) << "the quit request doubled";
}

TEST(Win32EventPump, AFilterTakesMessagesBeforeTheyAreDispatched) {
  PingWindow window;
  drainQueue();
  Win32EventPump pump;
  int seen = 0;
  pump.setFilter([&](MSG& message) {
    if (message.message != kPing) return false;
    ++seen;
    return message.wParam == 1;  // takes only the first
  });
  ::PostMessageW(window.hwnd(), kPing, 1, 0);
  ::PostMessageW(window.hwnd(), kPing, 2, 0);
  EXPECT_TRUE(doEventsReturnsByItself(pump));
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(PingWindow::pings(), 1);
}

TEST(Win32EventPump, RunReturnsTheQuitCode) {
  PingWindow window;
  drainQueue();
  ::PostMessageW(window.hwnd(), kPing, 0, 0);
  ::PostQuitMessage(3);
  Win32EventPump pump;
  EXPECT_EQ(pump.run(), 3);
  EXPECT_EQ(PingWindow::pings(), 1);
}

// --- screen and colours ---------------------------------------------------------------------

TEST(Win32Screen, SizeIsThePrimaryDisplays) {
  Win32Screen screen;
  EXPECT_EQ(screen.size(),
            (Size{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}));
}

TEST(Win32Screen, ContextIsTheScreensAndIsReleased) {
  const LiveHandles start;
  Win32Screen screen;
  {
    auto context = screen.getDC();
    ASSERT_TRUE(context);
    const HDC dc = static_cast<Win32ScreenContext&>(*context).get();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(::GetDeviceCaps(dc, HORZRES), screen.size().width);
    EXPECT_EQ(::GetDeviceCaps(dc, VERTRES), screen.size().height);
    EXPECT_EQ(HandleCounts::live(HandleKind::WindowDc), 1);
    EXPECT_EQ(LiveHandles().gdi, start.gdi + 1);
  }
  EXPECT_EQ(LiveHandles(), start);
}

TEST(Win32Colours, SystemAndPlainColoursBecomeColorRefs) {
  const struct {
    Colour colour;
    COLORREF expected;
  } cases[] = {
      {0x000000FF, RGB(255, 0, 0)},
      {0x00FF0000, RGB(0, 0, 255)},
      {0x00123456, 0x00123456},
      {0x8000000F, ::GetSysColor(COLOR_BTNFACE)},
      {0x80000005, ::GetSysColor(COLOR_WINDOW)},
      {0x80000012, ::GetSysColor(COLOR_BTNTEXT)},
  };
  for (const auto& c : cases) EXPECT_EQ(toColorRef(c.colour), c.expected) << std::hex << c.colour;
}

TEST(Win32Application, ProgramFolderHoldsTheProgram) {
  Win32Application application;
  const std::wstring folder = application.programFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), L'\\');
  Win32FileSystem files;
  EXPECT_TRUE(FileExists(files, folder + L"\\qo_win32_tests.exe")) << narrow(folder);
}

}  // namespace
}  // namespace qo::win32
