#pragma once

#include <memory>

#include "base/skin.h"
#include "platform/win32/handles.h"

#include <oleauto.h>

namespace qo::win32 {

// The skin framework component SkinFramework1 of the main window: our own
// in-process object behind a real IDispatch, reached by dispatch id only.
//   id 2, method (path, scheme): loads a skin file (format in the README); a
//        file that is not such a skin is ignored, one that cannot be opened fails;
//   id 1, property: option bits; bit 0 also colours labels, check boxes, option
//        buttons and text boxes, the other bits are kept and mean nothing yet;
//   id 5, property: true also colours our frames;
//   id 10, property: true also colours our push buttons;
//   id 3, method (window handle): applies the loaded skin to that window.
std::unique_ptr<DispatchObject> createSkinFramework();

// A new SkinFramework1 object holding one reference, for callers that speak
// IDispatch themselves; Failure when OLE automation cannot be loaded.
IDispatch* newSkinFrameworkObject();

// Calls object by dispatch id with real DISPPARAMS and VARIANTs; holds a
// reference to it.  A failed call throws Failure with a readable text.
std::unique_ptr<DispatchObject> dispatchCaller(IDispatch* object);

}  // namespace qo::win32
