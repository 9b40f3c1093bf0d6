// Feeds arbitrary bytes to the cursor file check.
#include <cstddef>
#include <cstdint>

#include "formats/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)qo::isCursorFile({data, size});
  return 0;
}
