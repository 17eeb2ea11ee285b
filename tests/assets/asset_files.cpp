#include "asset_files.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace assets_test {

// TICKBOMB_ASSETS_DIR points the tests at another tree (the regeneration check's scratch copy).
Bytes read_asset(const std::string& relative_path) {
  const char* const other = std::getenv("TICKBOMB_ASSETS_DIR");
  const std::string dir =
      other != nullptr ? std::string(other) : std::string(TICKBOMB_SOURCE_DIR) + "/assets";
  const std::string path = dir + "/" + relative_path;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every read goes through at(), so a short file throws instead of reading past its end.
std::uint16_t u16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

std::uint32_t u32(const Bytes& b, std::size_t at) {
  return u16(b, at) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

std::int32_t i32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }

std::string tag(const Bytes& b, std::size_t at) {
  return {static_cast<char>(b.at(at)), static_cast<char>(b.at(at + 1)),
          static_cast<char>(b.at(at + 2)), static_cast<char>(b.at(at + 3))};
}

static std::size_t stride_of(int width, int bits) {
  return static_cast<std::size_t>((width * bits + 31) / 32 * 4);
}

static std::vector<Rgb> read_palette(const Bytes& b, std::size_t at, std::size_t count) {
  std::vector<Rgb> palette;
  for (std::size_t i = at; i < at + 4 * count; i += 4)
    palette.push_back({b.at(i + 2), b.at(i + 1), b.at(i)});
  return palette;
}

Bitmap decode_bmp(const Bytes& file) {
  Bitmap bmp;
  const std::uint32_t bits_offset = u32(file, 10), info_size = u32(file, 14);
  bmp.width = i32(file, 18);
  bmp.height = i32(file, 22);
  bmp.bits = u16(file, 28);
  if (bmp.width <= 0 || bmp.height <= 0 || (bmp.bits != 8 && bmp.bits != 24))
    throw std::runtime_error("unexpected BMP geometry");
  if (bmp.bits == 8) bmp.palette = read_palette(file, 14 + info_size, u32(file, 46));
  const std::size_t stride = stride_of(bmp.width, bmp.bits);
  for (int y = 0; y < bmp.height; ++y) {
    const std::size_t row = bits_offset + stride * static_cast<std::size_t>(bmp.height - 1 - y);
    for (std::size_t x = 0; x < static_cast<std::size_t>(bmp.width); ++x) {
      if (bmp.bits == 24) {
        bmp.pixels.push_back(
            {file.at(row + 3 * x + 2), file.at(row + 3 * x + 1), file.at(row + 3 * x)});
      } else {
        bmp.indices.push_back(file.at(row + x));
        bmp.pixels.push_back(bmp.palette.at(file.at(row + x)));
      }
    }
  }
  return bmp;
}

PointerImage decode_pointer_dib(const Bytes& b, std::size_t at) {
  PointerImage image;
  if (u32(b, at) != 40 || i32(b, at + 4) != 32 || i32(b, at + 8) != 64)
    throw std::runtime_error("not a 32 x 32 pointer image");
  image.bits = u16(b, at + 14);
  const std::size_t colours = std::size_t{1} << image.bits;
  image.palette = read_palette(b, at + 40, colours);
  const std::size_t colour_bits = at + 40 + 4 * colours, colour_stride = stride_of(32, image.bits);
  const std::size_t mask_bits = colour_bits + colour_stride * 32;
  for (std::size_t y = 0; y < 32; ++y) {
    const std::size_t colour_row = colour_bits + colour_stride * (31 - y),
                      mask_row = mask_bits + 4 * (31 - y);
    for (std::size_t x = 0; x < 32; ++x) {
      const std::size_t bit = x * static_cast<std::size_t>(image.bits);
      const int shift = 8 - image.bits - static_cast<int>(bit % 8);
      image.colour.push_back((b.at(colour_row + bit / 8) >> shift) & ((1 << image.bits) - 1));
      image.transparent.push_back(((b.at(mask_row + x / 8) >> (7 - x % 8)) & 1) != 0);
    }
  }
  return image;
}

}  // namespace assets_test
