// Fuzzes the bitmap file the program writes: its headers (encodeBmpHeaders)
// before rows laid out as the persistent image holds them (the test support's
// encodeBmp lays them out).  Random images (size, row stride, top-down or
// bottom-up rows, pixels) are encoded, then read back by a small reader of our
// own that shares nothing with the encoder, and every pixel is compared.
// Pictures that cannot be encoded (no pixels, or too large for a bitmap file)
// must be refused with a Failure before a single pixel is read.
//
// Input: byte 0 picks the kind of picture, bytes 1 to 4 its width and height,
// byte 5 the extra stride and the row direction; the rest are pixel bytes,
// repeated as needed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/failure.h"
#include "base/image.h"
#include "fakes/bitmap_encoder.h"
#include "formats/bitmap_file.h"

namespace {

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "bitmap_file_fuzz: %s\n", what);
  std::abort();
}

std::uint32_t readLe(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  check(at + static_cast<std::size_t>(count) <= bytes.size(), "a header field lies in the file");
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

// A bitmap file as read by the reader below.
struct DecodedBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // top-down, 0x00RRGGBB
};

// Reads an uncompressed 24-bit bottom-up bitmap file and checks every field on the way.
DecodedBitmap decode(const std::vector<std::uint8_t>& file) {
  check(file.size() >= 54, "file holds both headers");
  check(file[0] == 'B' && file[1] == 'M', "file starts with BM");
  check(readLe(file, 2, 4) == file.size(), "file size field");
  check(readLe(file, 6, 4) == 0, "reserved words are zero");
  const std::uint32_t offset = readLe(file, 10, 4);
  check(readLe(file, 14, 4) == 40, "info header size");
  const auto width = static_cast<std::int32_t>(readLe(file, 18, 4));
  const auto height = static_cast<std::int32_t>(readLe(file, 22, 4));
  check(width > 0 && height > 0, "positive size, rows stored bottom-up");
  check(readLe(file, 26, 2) == 1, "one plane");
  check(readLe(file, 28, 2) == 24, "24 bits a pixel");
  check(readLe(file, 30, 4) == 0, "uncompressed");
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t dataBytes = rowBytes * static_cast<std::size_t>(height);
  const std::uint32_t sizeField = readLe(file, 34, 4);
  check(sizeField == 0 || sizeField == dataBytes, "image size field");
  check(offset >= 54 && offset + dataBytes == file.size(), "pixel data fills the rest");

  DecodedBitmap decoded{width, height, {}};
  decoded.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::int32_t row = 0; row < height; ++row) {
    const std::size_t start = offset + static_cast<std::size_t>(row) * rowBytes;
    const std::size_t y = static_cast<std::size_t>(height - 1 - row);
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      const std::uint8_t* bgr = &file[start + x * 3];
      decoded.pixels[y * static_cast<std::size_t>(width) + x] =
          static_cast<std::uint32_t>(bgr[2]) << 16 | static_cast<std::uint32_t>(bgr[1]) << 8 | bgr[0];
    }
    for (std::size_t pad = static_cast<std::size_t>(width) * 3; pad < rowBytes; ++pad) {
      check(file[start + pad] == 0, "row padding is zero");
    }
  }
  return decoded;
}

bool refused(const qo::ImageView& image) {
  try {
    (void)qo::encodeBmp(image);
  } catch (const qo::Failure& failure) {
    check(!failure.description().empty(), "a refusal says why");
    return true;
  }
  return false;
}

// A picture of up to 64 x 24 pixels in a buffer of exactly the bytes it spans, so
// that the address sanitizer sees any read outside it.
void roundTrip(const std::uint8_t* data, std::size_t size) {
  const int width = 1 + (data[1] | data[2] << 8) % 64;
  const int height = 1 + (data[3] | data[4] << 8) % 24;
  const int extra = data[5] & 0x0F;
  const bool bottomUp = (data[5] & 0x10) != 0;
  const std::ptrdiff_t span = width + extra;
  const std::uint8_t* source = data + 6;
  const std::size_t sourceSize = size - 6;

  std::vector<std::uint32_t> buffer(static_cast<std::size_t>(span * (height - 1) + width));
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    std::uint32_t pixel = static_cast<std::uint32_t>(i * 2654435761u);
    for (std::size_t b = 0; b < 4 && sourceSize > 0; ++b) {
      pixel = pixel << 8 | source[(i * 4 + b) % sourceSize];
    }
    buffer[i] = pixel;  // the top byte too: the encoder must ignore it
  }
  qo::ImageView image{width, height, bottomUp ? -span : span,
                      bottomUp ? buffer.data() + span * (height - 1) : buffer.data()};
  const DecodedBitmap decoded = decode(qo::encodeBmp(image));
  check(decoded.width == width && decoded.height == height, "size read back");
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      check(decoded.pixels[static_cast<std::size_t>(y * width + x)] == (image.at(x, y) & 0xFFFFFF),
            "pixel read back");
    }
  }
}

// No pixels, a size of zero or below, or a file beyond 4 GiB: refused untouched.
void unencodable(const std::uint8_t* data) {
  const std::uint32_t guard = 0;
  const auto word = [&](int a, int b, int c, int d) {
    return static_cast<std::int32_t>(std::uint32_t{data[a]} | std::uint32_t{data[b]} << 8 |
                                     std::uint32_t{data[c]} << 16 | std::uint32_t{data[d]} << 24);
  };
  std::int32_t w = word(1, 2, 3, 4);
  const std::int32_t h = word(5, 4, 2, 1);
  if (w > 0 && h > 0) {
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(w) * 3 + 3) / 4 * 4;
    if (54 + rowBytes * static_cast<std::uint64_t>(h) <= 0xFFFFFFFFu) w = -w;  // make it refusable
  }
  check(refused(qo::ImageView{w, h, 1, &guard}), "a picture without room for its pixels is refused");
  check(refused(qo::ImageView{5, 5, 5, nullptr}), "a picture without pixels is refused");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  if (data[0] % 8 == 7) {
    unencodable(data);
  } else {
    roundTrip(data, size);
  }
  return 0;
}
