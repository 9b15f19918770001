// Writes the program's icon file (one 4-bpp entry per size) from the XPM images
// the build renders from res/orvex-programmer.svg, so that the Windows resource
// script embeds the same pictures the other backends draw. A tool of its own
// rather than an image converter: the same images give the same file byte for
// byte wherever it is built.
// Usage: xpm-to-ico OUT.ico
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "res/orvex_icon_16.xpm"
#include "res/orvex_icon_32.xpm"

namespace {

struct Entry {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;  // BITMAPINFOHEADER, palette, colour bits, mask bits
};

void put16(std::vector<uint8_t>& out, unsigned value) {
  out.push_back(value & 0xffU);
  out.push_back((value >> 8) & 0xffU);
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back((value >> (8 * i)) & 0xffU);
}

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "xpm-to-ico: %s\n", message.c_str());
  std::exit(1);
}

Entry encode(const char* const* xpm) {
  int width = 0, height = 0, colours = 0, charsPerPixel = 0;
  if (std::sscanf(xpm[0], "%d %d %d %d", &width, &height, &colours, &charsPerPixel) != 4 ||
      charsPerPixel != 1 || width <= 0 || width > 255 || height <= 0 || height > 255)
    fail("unsupported XPM header");
  std::map<char, int> slotOf;  // -1: transparent
  std::vector<uint32_t> palette;
  for (int i = 0; i < colours; ++i) {
    const std::string line = xpm[1 + i];
    std::istringstream rest(line.substr(1));
    std::string key, value;
    rest >> key >> value;
    if (key != "c") fail("only colour keys 'c' are supported");
    if (value == "None") {
      slotOf[line[0]] = -1;
      continue;
    }
    if (value.size() != 7 || value[0] != '#') fail("colours must be #RRGGBB or None");
    slotOf[line[0]] = static_cast<int>(palette.size());
    palette.push_back(static_cast<uint32_t>(std::strtoul(value.c_str() + 1, nullptr, 16)));
  }
  if (palette.size() > 16) fail("more than 16 colours");
  palette.resize(16, 0);

  const int colourStride = ((width * 4 + 31) / 32) * 4;
  const int maskStride = ((width + 31) / 32) * 4;
  std::vector<uint8_t> colourBits(static_cast<size_t>(colourStride) * height, 0);
  std::vector<uint8_t> maskBits(static_cast<size_t>(maskStride) * height, 0);
  for (int y = 0; y < height; ++y) {
    const std::string row = xpm[1 + colours + y];
    if (static_cast<int>(row.size()) != width) fail("row of the wrong length");
    const int dibRow = height - 1 - y;  // bitmaps are stored bottom-up
    for (int x = 0; x < width; ++x) {
      const auto it = slotOf.find(row[x]);
      if (it == slotOf.end()) fail("pixel of an undefined colour");
      const int slot = it->second < 0 ? 0 : it->second;
      if (it->second < 0) maskBits[dibRow * maskStride + x / 8] |= static_cast<uint8_t>(0x80U >> (x % 8));
      colourBits[dibRow * colourStride + x / 2] |= static_cast<uint8_t>(x % 2 != 0 ? slot : slot << 4);
    }
  }
  Entry entry{width, height, {}};
  auto& b = entry.bytes;
  put32(b, 40);
  put32(b, width);
  put32(b, 2 * height);  // colour bits and mask together
  put16(b, 1);
  put16(b, 4);
  put32(b, 0);
  put32(b, static_cast<uint32_t>(colourBits.size() + maskBits.size()));
  put32(b, 0);
  put32(b, 0);
  put32(b, 16);
  put32(b, 0);
  for (const uint32_t rgb : palette) {
    b.push_back(rgb & 0xffU);
    b.push_back((rgb >> 8) & 0xffU);
    b.push_back((rgb >> 16) & 0xffU);
    b.push_back(0);
  }
  b.insert(b.end(), colourBits.begin(), colourBits.end());
  b.insert(b.end(), maskBits.begin(), maskBits.end());
  return entry;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) fail("usage: xpm-to-ico OUT.ico");
  const std::vector<Entry> entries{encode(orvex_icon_32), encode(orvex_icon_16)};
  std::vector<uint8_t> out;
  put16(out, 0);
  put16(out, 1);
  put16(out, static_cast<unsigned>(entries.size()));
  auto offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const auto& e : entries) {
    out.push_back(static_cast<uint8_t>(e.width));
    out.push_back(static_cast<uint8_t>(e.height));
    out.push_back(16);
    out.push_back(0);
    put16(out, 1);
    put16(out, 4);
    put32(out, static_cast<uint32_t>(e.bytes.size()));
    put32(out, offset);
    offset += static_cast<uint32_t>(e.bytes.size());
  }
  for (const auto& e : entries) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
  FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) fail(std::string("cannot open ") + argv[1]);
  const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  if (std::fclose(file) != 0 || !written) fail(std::string("cannot write ") + argv[1]);
  return 0;
}
