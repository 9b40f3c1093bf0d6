#include "platform/win32/dialogs_win32.h"

#include <commdlg.h>

#include <vector>

#include "base/failure.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/system_library.h"

namespace qo::win32 {

namespace {

// Room for the longest path Windows accepts.
constexpr std::size_t kPathBuffer = 32768;

[[noreturn]] void throwDialogError(const wchar_t* dialog, DWORD code) {
  throw Failure(std::wstring(L"The ") + dialog + L" dialog failed (common dialog error " +
                std::to_wstring(code) + L").");
}

// comdlg32 and everything it pulls in (the shell, COM) cost start-up time and
// memory that the main window does not need, so it is loaded on the first dialog.
struct CommonDialogLibrary {
  CommonDialogLibrary()
      : library(L"comdlg32.dll", L"The common dialogs"),
        getSaveFileName(library.function<decltype(&::GetSaveFileNameW)>("GetSaveFileNameW")),
        chooseColor(library.function<decltype(&::ChooseColorW)>("ChooseColorW")),
        extendedError(library.function<decltype(&::CommDlgExtendedError)>("CommDlgExtendedError")) {
  }

  static const CommonDialogLibrary& get() {
    static const CommonDialogLibrary comdlg;  // a failed load is tried again next time
    return comdlg;
  }

  SystemLibrary library;
  decltype(&::GetSaveFileNameW) getSaveFileName;
  decltype(&::ChooseColorW) chooseColor;
  decltype(&::CommDlgExtendedError) extendedError;
};

}  // namespace

std::wstring comdlgFilter(const std::vector<FileFilter>& filters) {
  std::wstring result;
  for (const auto& filter : filters) {
    result += filter.description;
    result += L'\0';
    result += filter.pattern;
    result += L'\0';
  }
  result += L'\0';
  return result;
}

std::optional<std::wstring> Win32DialogHost::showSave(std::wstring_view title,
                                                      const std::vector<FileFilter>& filters,
                                                      std::wstring_view initialName,
                                                      unsigned flags) {
  std::vector<wchar_t> file(kPathBuffer, L'\0');
  initialName.copy(file.data(), std::min(initialName.size(), kPathBuffer - 1));
  const std::wstring filter = comdlgFilter(filters);
  const std::wstring titleZ(title);
  OPENFILENAMEW request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = owner_;
  request.lpstrFilter = filters.empty() ? nullptr : filter.c_str();
  request.nFilterIndex = 1;
  request.lpstrFile = file.data();
  request.nMaxFile = static_cast<DWORD>(file.size());
  request.lpstrTitle = titleZ.empty() ? nullptr : titleZ.c_str();
  request.Flags = flags;
  const CommonDialogLibrary& comdlg = CommonDialogLibrary::get();
  const DialogsAboveTopmost above;
  if (!comdlg.getSaveFileName(&request)) {
    const DWORD error = comdlg.extendedError();
    if (error != 0) throwDialogError(L"Save As", error);
    return std::nullopt;
  }
  return std::wstring(file.data());
}

std::optional<Colour> Win32DialogHost::showColor(Colour initial, unsigned flags) {
  CHOOSECOLORW request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = owner_;
  request.rgbResult = toColorRef(initial);
  request.lpCustColors = customColours_.data();
  request.Flags = flags;
  const CommonDialogLibrary& comdlg = CommonDialogLibrary::get();
  const DialogsAboveTopmost above;
  if (!comdlg.chooseColor(&request)) {
    const DWORD error = comdlg.extendedError();
    if (error != 0) throwDialogError(L"Color", error);
    return std::nullopt;
  }
  return static_cast<Colour>(request.rgbResult);
}

}  // namespace qo::win32
