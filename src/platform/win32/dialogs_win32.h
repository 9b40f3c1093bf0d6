#pragma once

#include <array>

#include "platform/win32/handles.h"
#include "base/common_dialog.h"

namespace qo::win32 {

// The colour and save-file dialogs of comdlg32, modal to one owner window.
class Win32DialogHost final : public DialogHost {
 public:
  explicit Win32DialogHost(HWND owner) : owner_(owner) {}
  void setOwner(HWND owner) { owner_ = owner; }

  std::optional<std::wstring> showSave(std::wstring_view title,
                                       const std::vector<FileFilter>& filters,
                                       std::wstring_view initialName, unsigned flags) override;
  std::optional<Colour> showColor(Colour initial, unsigned flags) override;

 private:
  HWND owner_;
  std::array<COLORREF, 16> customColours_{};
};

// The filter list in comdlg32's form: description NUL pattern NUL ... NUL.
std::wstring comdlgFilter(const std::vector<FileFilter>& filters);

}  // namespace qo::win32
