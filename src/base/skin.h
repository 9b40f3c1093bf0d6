#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "base/controls.h"
#include "base/geometry.h"

namespace qo {

// A value handed to or returned from a late-bound call of a component.
using DispatchValue = std::variant<std::monostate, std::int32_t, bool, std::wstring>;

enum class DispatchKind { Method, PropertyGet, PropertyPut };

// A component reached only through calls by dispatch id, as the skin framework is.
class DispatchObject {
 public:
  virtual ~DispatchObject() = default;
  // Calls member id with args in order; throws Failure when the call fails.
  virtual DispatchValue invoke(std::int32_t id, DispatchKind kind,
                               std::vector<DispatchValue> args) = 0;
};

// Dispatch ids of the skin framework component's members: what the skin loader
// calls and every platform's component answers.
enum SkinFrameworkMember : std::int32_t {
  kSkinOptions = 1,       // property: option bits; bit 0 also skins the controls
  kSkinLoad = 2,          // method: (skin file path, scheme name)
  kSkinApplyWindow = 3,   // method: (window handle)
  kSkinFrames = 5,        // property: true draws frames in the skin's colours
  kSkinButtons = 10,      // property: true draws push buttons in the skin's colours
};
inline constexpr std::int32_t kSkinOptionControls = 1;

// What the skin loader needs of the window it skins.
class SkinnableWindow {
 public:
  virtual ~SkinnableWindow() = default;
  // The kinds of the window's controls, in the order of its control list.
  virtual std::vector<ControlKind> controlKinds() = 0;
  // Background colour of the control at that place in the control list.
  virtual void setControlBackColor(std::size_t index, Colour colour) = 0;
  virtual void setBackColor(Colour colour) = 0;
  // The window handle, as a 32-bit integer.
  virtual std::int32_t windowHandle() = 0;
  // The window's skin framework component, SkinFramework1.
  virtual DispatchObject& skinFramework() = 0;
};

}  // namespace qo
