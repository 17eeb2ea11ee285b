#include "asset_files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace assets_test {

Bytes read_asset(const std::string& relative_path) {
  const std::string path = std::string(TICKBOMB_SOURCE_DIR) + "/assets/" + relative_path;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static void need(const Bytes& b, std::size_t at, std::size_t n) {
  if (at + n > b.size()) throw std::out_of_range("read past the end of the file");
}

std::uint16_t u16(const Bytes& b, std::size_t at) {
  need(b, at, 2);
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t u32(const Bytes& b, std::size_t at) {
  need(b, at, 4);
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::int32_t i32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }

std::string tag(const Bytes& b, std::size_t at) {
  need(b, at, 4);
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

static std::size_t stride_of(int width, int bits) { return static_cast<std::size_t>((width * bits + 31) / 32 * 4); }

static std::vector<Rgb> read_palette(const Bytes& b, std::size_t at, std::size_t count) {
  std::vector<Rgb> palette;
  for (std::size_t i = 0; i < count; ++i) {
    need(b, at + 4 * i, 4);
    palette.push_back({b[at + 4 * i + 2], b[at + 4 * i + 1], b[at + 4 * i]});
  }
  return palette;
}

Bitmap decode_bmp(const Bytes& file) {
  Bitmap bmp;
  if (tag(file, 0).substr(0, 2) != "BM") throw std::runtime_error("not a BMP file");
  bmp.bits_offset = u32(file, 10);
  bmp.info_size = u32(file, 14);
  bmp.width = i32(file, 18);
  bmp.height = i32(file, 22);
  bmp.bits = u16(file, 28);
  bmp.compression = u32(file, 30);
  bmp.image_size = u32(file, 34);
  bmp.colours_used = u32(file, 46);
  bmp.colours_important = u32(file, 50);
  if (bmp.width <= 0 || bmp.height <= 0 || (bmp.bits != 8 && bmp.bits != 24))
    throw std::runtime_error("unexpected BMP geometry");
  if (bmp.bits == 8) bmp.palette = read_palette(file, 14 + bmp.info_size, bmp.colours_used);
  const std::size_t stride = stride_of(bmp.width, bmp.bits);
  for (int y = 0; y < bmp.height; ++y) {
    const std::size_t row = bmp.bits_offset + stride * static_cast<std::size_t>(bmp.height - 1 - y);
    need(file, row, stride);
    for (int x = 0; x < bmp.width; ++x) {
      if (bmp.bits == 24) {
        const std::size_t p = row + 3 * static_cast<std::size_t>(x);
        bmp.pixels.push_back({file[p + 2], file[p + 1], file[p]});
      } else {
        const int index = file[row + static_cast<std::size_t>(x)];
        bmp.indices.push_back(index);
        bmp.pixels.push_back(index < static_cast<int>(bmp.palette.size()) ? bmp.palette[static_cast<std::size_t>(index)]
                                                                          : Rgb{-1, -1, -1});
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
  const std::size_t colour_bits = at + 40 + 4 * colours;
  const std::size_t colour_stride = stride_of(32, image.bits);
  const std::size_t mask_bits = colour_bits + colour_stride * 32;
  for (int y = 0; y < 32; ++y) {
    const std::size_t colour_row = colour_bits + colour_stride * static_cast<std::size_t>(31 - y);
    const std::size_t mask_row = mask_bits + 4 * static_cast<std::size_t>(31 - y);
    for (int x = 0; x < 32; ++x) {
      const std::size_t bit = static_cast<std::size_t>(x * image.bits);
      need(b, colour_row + bit / 8, 1);
      const int shift = 8 - image.bits - static_cast<int>(bit % 8);
      image.colour.push_back((b[colour_row + bit / 8] >> shift) & ((1 << image.bits) - 1));
      need(b, mask_row + static_cast<std::size_t>(x / 8), 1);
      image.transparent.push_back(((b[mask_row + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1) != 0);
    }
  }
  return image;
}

}  // namespace assets_test
