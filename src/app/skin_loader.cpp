#include "app/skin_loader.h"

#include "base/failure.h"
#include "base/shared_services.h"

namespace qo {

namespace {

// Only a plain file counts; a folder of that name, or a hidden or system file,
// is as good as absent.  Read-only and archive files count.
bool skinFileFound(FileSystem& files, const std::wstring& path) {
  const std::optional<DirectoryEntry> entry = files.findEntry(path);
  return entry && !entry->folder && !entry->hidden && !entry->system;
}

bool takesButtonFace(ControlKind kind) {
  return kind == ControlKind::OptionButton || kind == ControlKind::CheckBox ||
         kind == ControlKind::Frame || kind == ControlKind::Label;
}

// The option bits as read back; an empty answer counts as no bits set.
std::int32_t optionBits(const DispatchValue& value) {
  if (std::holds_alternative<std::monostate>(value)) return 0;
  if (const auto* bits = std::get_if<std::int32_t>(&value)) return *bits;
  throw Failure(L"The skin framework's options are not a whole number.");
}

}  // namespace

std::wstring skinFilePath(const std::wstring& programFolder) {
  return pathInFolder(programFolder, L"x\\o.cjs");
}

void LoadSkin(Application& app, FileSystem& files, SkinnableWindow& window) {
  const std::wstring path = skinFilePath(app.programFolder());
  if (!skinFileFound(files, path)) return;
  window.setBackColor(kButtonFace);
  const std::vector<ControlKind> kinds = window.controlKinds();
  for (std::size_t index = 0; index < kinds.size(); ++index) {
    if (takesButtonFace(kinds[index])) window.setControlBackColor(index, kButtonFace);
  }
  DispatchObject& skin = window.skinFramework();
  skin.invoke(kSkinLoad, DispatchKind::Method, {path, std::wstring()});
  const std::int32_t options = optionBits(skin.invoke(kSkinOptions, DispatchKind::PropertyGet, {}));
  skin.invoke(kSkinOptions, DispatchKind::PropertyPut, {options | kSkinOptionControls});
  skin.invoke(kSkinFrames, DispatchKind::PropertyPut, {true});
  skin.invoke(kSkinButtons, DispatchKind::PropertyPut, {true});
  skin.invoke(kSkinApplyWindow, DispatchKind::Method, {window.windowHandle()});
}

}  // namespace qo
