// Feeds arbitrary bytes to the skin file reader, with and without a scheme name.
#include <cstddef>
#include <cstdint>

#include "formats/skin_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  (void)qo::readSkinFile(bytes, L"");
  (void)qo::readSkinFile(bytes, L"Night");
  return 0;
}
