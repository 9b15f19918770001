#include "image/image_generator.h"

#include <stdexcept>

#include "srec/record.h"

namespace image {
namespace {

constexpr std::uint64_t kEndLine = 16;  // S7 record with CR LF
constexpr std::uint64_t kMinSize = 18 + kEndLine;

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint8_t nextByte() {
    if (left_ == 0) {
      std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      bits_ = z ^ (z >> 31);
      left_ = 8;
    }
    --left_;
    const auto byte = static_cast<std::uint8_t>(bits_);
    bits_ >>= 8;
    return byte;
  }

 private:
  std::uint64_t state_, bits_ = 0;
  int left_ = 0;
};

std::size_t dataForLine(std::uint64_t lineBytes) { return static_cast<std::size_t>((lineBytes - 16) / 2); }

}  // namespace

std::string sizeProblem(std::uint64_t size) {
  if (size < kMinSize) return "the smallest image is " + std::to_string(kMinSize) + " bytes";
  if (size % 2 != 0) return "S-record lines with CR LF have even lengths, so the size must be even";
  return {};
}

std::vector<std::size_t> recordSizes(std::uint64_t size) {
  if (!sizeProblem(size).empty()) throw std::invalid_argument(sizeProblem(size));
  const std::uint64_t fullLine = srec::lineLength(3, kDataPerRecord);
  const std::uint64_t lines = size - kEndLine;
  std::vector<std::size_t> sizes(static_cast<std::size_t>(lines / fullLine), kDataPerRecord);
  const std::uint64_t rest = lines % fullLine;
  if (rest >= srec::lineLength(3, 1)) {
    sizes.push_back(dataForLine(rest));
  } else if (rest > 0) {
    sizes.back() = dataForLine(fullLine + rest);  // too short for a line of its own
  }
  return sizes;
}

std::string generate(std::uint64_t size, std::uint64_t seed) {
  const std::vector<std::size_t> sizes = recordSizes(size);
  Random random(seed);
  std::string text;
  text.reserve(static_cast<std::size_t>(size));
  srec::Record record;
  for (const std::size_t dataBytes : sizes) {
    record.data.resize(dataBytes);
    for (std::uint8_t& byte : record.data) byte = random.nextByte();
    text += srec::format(record);
    record.address += static_cast<std::uint32_t>(dataBytes);
  }
  text += srec::format(srec::Record{7, 0, {}});
  return text;
}

}  // namespace image
