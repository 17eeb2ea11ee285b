// Reading the committed resource files: raw bytes, little-endian fields,
// RIFF chunks and decoded bitmaps.
#ifndef TICKBOMB_TESTS_ASSETS_ASSET_FILES_H
#define TICKBOMB_TESTS_ASSETS_ASSET_FILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace assets_test {

using Bytes = std::vector<std::uint8_t>;

// The bytes of a file below assets/ of the source tree; fails the test if missing.
Bytes read_asset(const std::string& relative_path);

std::uint16_t u16(const Bytes& b, std::size_t at);
std::uint32_t u32(const Bytes& b, std::size_t at);
std::int32_t i32(const Bytes& b, std::size_t at);
std::string tag(const Bytes& b, std::size_t at);  // four characters

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A decoded Windows bitmap (BMP file); its palette is as long as the header's colours-used count.
struct Bitmap {
  int width = 0, height = 0, bits = 0;
  std::vector<Rgb> palette;
  std::vector<int> indices;  // 8-bit pictures, top row first
  std::vector<Rgb> pixels;   // every picture, top row first
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
Bitmap decode_bmp(const Bytes& file);

// A 32 x 32 cursor or icon image (a DIB with colour bits and AND mask).
struct PointerImage {
  std::vector<int> colour;        // palette index per pixel, top row first
  std::vector<bool> transparent;  // AND mask bit per pixel
  std::vector<Rgb> palette;
  int bits = 0;
  int colour_at(int x, int y) const { return colour[static_cast<std::size_t>(y * 32 + x)]; }
  bool clear_at(int x, int y) const { return transparent[static_cast<std::size_t>(y * 32 + x)]; }
};
PointerImage decode_pointer_dib(const Bytes& b, std::size_t at);

}  // namespace assets_test

#endif
