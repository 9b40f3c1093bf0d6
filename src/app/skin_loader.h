#pragma once

#include <cstdint>
#include <string>

#include "base/services.h"
#include "base/skin.h"

namespace qo {

// Dispatch ids of the skin framework component's members.
enum SkinFrameworkMember : std::int32_t {
  kSkinOptions = 1,       // property: option bits; bit 0 also skins the controls
  kSkinLoad = 2,          // method: (skin file path, scheme name)
  kSkinApplyWindow = 3,   // method: (window handle)
  kSkinFrames = 5,        // property: true draws frames in the skin's colours
  kSkinButtons = 10,      // property: true draws push buttons in the skin's colours
};
inline constexpr std::int32_t kSkinOptionControls = 1;

// The skin file x\o.cjs in the program folder.
std::wstring skinFilePath(const std::wstring& programFolder);

// Applies the skin file x\o.cjs in the program folder to window, when that file
// exists.  Has no failure handling of its own: a failure ends it and passes on.
void LoadSkin(Application& app, FileSystem& files, SkinnableWindow& window);

}  // namespace qo
