#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/geometry.h"

namespace qo {

// The colours a skin gives the main window's parts; a part without one keeps
// its own.
struct SkinColours {
  std::optional<Colour> window;      // the window's background
  std::optional<Colour> frame;       // frames
  std::optional<Colour> label;       // labels, check boxes and option buttons
  std::optional<Colour> text;        // text of frames, labels and check boxes
  std::optional<Colour> edit;        // text boxes
  std::optional<Colour> editText;
  std::optional<Colour> button;      // push buttons
  std::optional<Colour> buttonText;
  friend bool operator==(const SkinColours&, const SkinColours&) = default;
};

// A larger file is no skin of ours.
inline constexpr std::size_t kLargestSkinFile = 64 * 1024;

// Reads a skin file of our own format (described in the README).  scheme names
// the section that holds the colours; empty means the [Quillmark Orvane Skin]
// section itself.  Answers nothing when the bytes are not such a skin, or the
// scheme is not in it: users carry skin files made for other programs.
std::optional<SkinColours> readSkinFile(std::span<const std::uint8_t> bytes,
                                        std::wstring_view scheme);

}  // namespace qo
