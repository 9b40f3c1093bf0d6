#pragma once

#include <string>

#include "base/services.h"
#include "base/skin.h"

namespace qo {

// The skin file x\o.cjs in the program folder.
std::wstring skinFilePath(const std::wstring& programFolder);

// Applies the skin file x\o.cjs in the program folder to window, when that file
// exists.  Has no failure handling of its own: a failure ends it and passes on.
void LoadSkin(Application& app, FileSystem& files, SkinnableWindow& window);

}  // namespace qo
