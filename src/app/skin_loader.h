#pragma once

#include "base/services.h"
#include "base/skin.h"

namespace qo {

// Applies the skin file x\o.cjs in the program folder to window, when that file
// exists.  Has no failure handling of its own: a failure ends it and passes on.
void LoadSkin(Application& app, FileSystem& files, SkinnableWindow& window);

}  // namespace qo
