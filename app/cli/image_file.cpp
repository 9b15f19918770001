#include "image_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "named_file.h"
#include "srec/stream_parser.h"
#include "upgrade/firmware_image.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// What the file is when it is not a regular one; nothing is opened to learn it.
const char* NotAFile(fs::file_type type) {
  switch (type) {
    case fs::file_type::directory:
      return "is a directory, not an image file";
    case fs::file_type::block:
    case fs::file_type::character:
      return "is a device, not an image file";
    case fs::file_type::fifo:
      return "is a pipe (FIFO), not an image file";
    case fs::file_type::socket:
      return "is a socket, not an image file";
    case fs::file_type::regular:
      return nullptr;
    default:
      return "is not a regular file";
  }
}

std::string TooLarge(unsigned long long size) {
  return "is " + std::to_string(size) + " bytes; an image holds at most " + std::to_string(kMaxImageBytes) +
         " bytes (" + std::to_string(kMaxImageChunks) + " chunks of " + std::to_string(kChunkBytes) + ")";
}

bool Refuse(const std::string& path, const std::string& reason, std::string& bytes, std::string& why) {
  why = path + ": " + reason;
  std::string().swap(bytes);
  return false;
}

}  // namespace

bool ReadImageFile(const std::string& path, std::string& bytes, std::string& why) {
  std::error_code ec;
  const fs::path name = NamedPath(path);
  const fs::file_status status = fs::status(name, ec);
  if (ec) return Refuse(path, "cannot be read (" + ec.message() + ")", bytes, why);
  if (const char* what = NotAFile(status.type())) return Refuse(path, what, bytes, why);
  const auto size = fs::file_size(name, ec);
  if (ec) return Refuse(path, "cannot be read (" + ec.message() + ")", bytes, why);
  if (size > kMaxImageBytes) return Refuse(path, TooLarge(size), bytes, why);
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenNamedFile(path, "rb"), std::fclose);
  if (!file) return Refuse(path, std::string("cannot be read (") + std::strerror(errno) + ")", bytes, why);
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(size));  // at most kMaxImageBytes, checked above
  srec::StreamParser parser;
  char block[64 * 1024];
  while (const std::size_t got = std::fread(block, 1, sizeof block, file.get())) {
    // A file that grew after it was measured is held to the same bound.
    if (bytes.size() + got > kMaxImageBytes) return Refuse(path, TooLarge(bytes.size() + got), bytes, why);
    bytes.append(block, got);
    parser.feed(std::string_view(block, got));
    if (parser.firstProblem().line != 0) break;
  }
  if (std::ferror(file.get()) != 0) return Refuse(path, "cannot be read (a read failed)", bytes, why);
  parser.finish();
  if (!parser.valid()) {
    const srec::Problem& problem = parser.firstProblem();
    why = path + ":" + std::to_string(problem.line) + ": " + std::string(problem.what);
    std::string().swap(bytes);
    return false;
  }
  return true;
}

}  // namespace cli
