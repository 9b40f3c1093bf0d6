#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/common_dialog.h"

namespace qo {

// Answers the dialogs from a script.
class ScriptedDialogs final : public DialogHost {
 public:
  struct SaveRequest {
    std::wstring title;
    std::vector<FileFilter> filters;
    std::wstring initialName;
    unsigned flags;
  };
  std::optional<std::wstring> showSave(std::wstring_view title,
                                       const std::vector<FileFilter>& filters,
                                       std::wstring_view initialName, unsigned flags) override;
  std::optional<Colour> showColor(Colour initial, unsigned flags) override;

  std::deque<std::optional<std::wstring>> saveAnswers;  // nothing: cancel
  std::deque<std::optional<Colour>> colourAnswers;
  std::vector<SaveRequest> saveRequests;
  std::vector<Colour> colourRequests;
  std::function<void()> whileSaveOpen;  // runs while the save dialog is "open"
};

}  // namespace qo
