#include "formats/cursor_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace qo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes shippedHand() {
  std::ifstream file(QO_SOURCE_DIR "/src/platform/win32/resources/HAND-M.CUR", std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(file), {}};
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The shipped hand with one change made to it.
template <class Change>
Bytes handWith(Change change) {
  Bytes bytes = shippedHand();
  change(bytes);
  return bytes;
}

TEST(CursorFile, TheShippedHandAndAPngImageAreCursors) {
  EXPECT_TRUE(isCursorFile(shippedHand()));
  Bytes png = {0, 0, 2, 0, 1, 0, 32, 32, 0, 0, 9, 0, 1, 0, 8, 0, 0, 0, 22, 0, 0, 0};
  png.insert(png.end(), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
  EXPECT_TRUE(isCursorFile(png));
}

TEST(CursorFile, FilesThatAreNoCursorsAreRefused) {
  constexpr std::size_t kImage = 22;  // where the hand's one image begins
  const std::pair<const char*, Bytes> cases[] = {
      {"empty", {}},
      {"header only", {0, 0, 2, 0, 1, 0}},
      {"truncated image", handWith([](Bytes& b) { b.resize(b.size() - 1); })},
      {"an icon", handWith([](Bytes& b) { b[2] = 1; })},
      {"no images", handWith([](Bytes& b) { b[4] = 0; })},
      {"directory past the end", handWith([](Bytes& b) { b[4] = 200; })},
      {"image before the directory", handWith([](Bytes& b) { put32(b, 18, 6); })},
      {"image past the end", handWith([](Bytes& b) { put32(b, 18, 0xFFFFFFF0u); })},
      {"odd height", handWith([](Bytes& b) { put32(b, kImage + 8, 63); })},
      {"no width", handWith([](Bytes& b) { put32(b, kImage + 4, 0); })},
      {"compressed", handWith([](Bytes& b) { put32(b, kImage + 16, 1); })},
      {"12 bits per pixel", handWith([](Bytes& b) { b[kImage + 14] = 12; })},
      {"a BMP", {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0}},
      {"an animated cursor", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'C', 'O', 'N'}},
      {"a PNG", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}},
  };
  for (const auto& [what, bytes] : cases) EXPECT_FALSE(isCursorFile(bytes)) << what;
}

}  // namespace
}  // namespace qo
