#pragma once
// Builds a firmware image of an exact file size from seeded pseudo-random data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace image {

// 2,535 chunks of 900 bytes and one of 284.
inline constexpr std::uint64_t kDefaultSize = 2'281'784;
inline constexpr std::uint64_t kDefaultSeed = 0x5EED'0F'F1'4A5Bull;
inline constexpr std::size_t kDataPerRecord = 32;

// Why an image of this size cannot be built; empty when it can. Every record line
// has an even length, and the smallest image is one 1-byte data record plus S7.
std::string sizeProblem(std::uint64_t size);

// Data bytes of each S3 record: kDataPerRecord each, the last one or two adjusted
// so that the records plus the S7 record make exactly `size` bytes.
std::vector<std::size_t> recordSizes(std::uint64_t size);

// The image text; the size must be acceptable to sizeProblem().
std::string generate(std::uint64_t size, std::uint64_t seed = kDefaultSeed);

}  // namespace image
