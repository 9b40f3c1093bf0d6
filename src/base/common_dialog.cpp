#include "base/common_dialog.h"

namespace qo {

std::vector<FileFilter> parseFilter(std::wstring_view filter) {
  std::vector<std::wstring_view> parts;
  while (!filter.empty()) {
    const auto bar = filter.find(L'|');
    parts.push_back(filter.substr(0, bar));
    if (bar == std::wstring_view::npos) break;
    filter.remove_prefix(bar + 1);
  }
  std::vector<FileFilter> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    filters.push_back({std::wstring(parts[i]), std::wstring(parts[i + 1])});
  }
  return filters;
}

void CommonDialog::ShowSave() {
  if (auto chosen = host_.showSave(DialogTitle, parseFilter(Filter), FileName, Flags)) {
    FileName = std::move(*chosen);
  }
}

void CommonDialog::ShowColor() {
  if (auto chosen = host_.showColor(Color, Flags)) Color = *chosen;
}

}  // namespace qo
