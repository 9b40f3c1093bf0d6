#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"

namespace qo {

struct FileFilter {
  std::wstring description;
  std::wstring pattern;
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Reads a filter text of description|pattern pairs ("BMP Files (*.bmp)|*.bmp|").
// A trailing separator adds no entry; a description without a pattern is dropped.
std::vector<FileFilter> parseFilter(std::wstring_view filter);

// The modal dialogs behind the common dialog component, owned by one window.
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::wstring> showSave(std::wstring_view title,
                                               const std::vector<FileFilter>& filters,
                                               std::wstring_view initialName, unsigned flags) = 0;
  // The chosen colour, or nothing when the user cancelled.
  virtual std::optional<Colour> showColor(Colour initial, unsigned flags) = 0;
};

// The common dialog component: properties set before a dialog, read after it.
// Component defaults: no flags, and a cancelled dialog raises no error and
// leaves FileName and Color as they were.
class CommonDialog {
 public:
  explicit CommonDialog(DialogHost& host) : host_(host) {}

  std::wstring FileName;
  std::wstring DialogTitle;
  std::wstring Filter;
  Colour Color = 0;
  unsigned Flags = 0;

  void ShowSave();
  void ShowColor();

 private:
  DialogHost& host_;
};

}  // namespace qo
