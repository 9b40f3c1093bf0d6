#pragma once

#include <memory>

#include "base/skin.h"

namespace qo::win32 {

// The skin framework component SkinFramework1 of the main window.
std::unique_ptr<DispatchObject> createSkinFramework();

}  // namespace qo::win32
