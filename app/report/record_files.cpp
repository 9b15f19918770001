#include "record_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <system_error>
#include <unordered_set>

#include "named_file.h"

namespace report {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = 1 << 20;
// A record line is under 2 KiB; a longer one is not a record (a file named by
// mistake), and is counted unreadable without being kept whole.
constexpr std::size_t kLongestLine = std::size_t{64} * 1024;

// The lines read so far, as two unrelated 64-bit hashes of their bytes: 16
// bytes a line however long the collection, and two different lines that
// share both are far less likely than a disk's undetected error.
class SeenLines {
 public:
  // False when the same line was seen before.
  bool Insert(std::string_view line) {
    return seen_.insert({std::hash<std::string_view>{}(line), Fnv1a(line)}).second;
  }

 private:
  using Key = std::pair<std::uint64_t, std::uint64_t>;
  struct KeyHash {
    std::size_t operator()(const Key& key) const { return static_cast<std::size_t>(key.first); }
  };
  // FNV-1a over eight bytes at a time: a record line is read in a few dozen steps.
  static std::uint64_t Fnv1a(std::string_view line) {
    std::uint64_t hash = 0xcbf29ce484222325 ^ line.size();
    for (std::size_t at = 0; at < line.size(); at += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, line.data() + at, std::min<std::size_t>(8, line.size() - at));
      hash = (hash ^ word) * 0x100000001b3;
    }
    return hash;
  }

  std::unordered_set<Key, KeyHash> seen_;
};

// Carries a file's lines to the tally across chunk borders.
class LineFeed {
 public:
  LineFeed(const std::string& file, YieldTally& tally, ReadSummary& summary, SeenLines& seen,
           const CoveredLine& covered)
      : file_(file), tally_(tally), summary_(summary), seen_(seen), covered_(covered) {}

  // Every whole line of `text`; the part after the last newline waits for the next chunk.
  void Feed(std::string_view text) {
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
      if (overlong_) {
        Overlong();
      } else if (carry_.empty()) {
        Line(text.substr(0, end));
      } else {
        carry_.append(text.substr(0, end));
        Line(carry_);
        carry_.clear();
      }
      text.remove_prefix(end + 1);
    }
    if (!overlong_) carry_.append(text);
    if (carry_.size() > kLongestLine) {
      overlong_ = true;
      carry_.clear();
    }
  }
  void Finish() {
    if (overlong_) {
      Overlong();
    } else if (!carry_.empty()) {
      Line(carry_);
      carry_.clear();
    }
  }

 private:
  void Line(std::string_view line) {
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) return;
    ++summary_.lines;
    if (line.size() <= kLongestLine && ReadRecordFields(line, fields_)) {
      // A line of the first schema names no end: two upgrades in one second could share one.
      if (!fields_.ended.empty() && !seen_.Insert(line)) {
        ++summary_.repeated;
        return;
      }
      if (tally_.Add(fields_) && covered_) covered_(line);
    } else {
      Unreadable();
    }
  }
  void Overlong() {
    ++number_;
    ++summary_.lines;
    Unreadable();
    overlong_ = false;
  }
  void Unreadable() {
    if (summary_.unreadable++ > 0) return;
    summary_.firstUnreadableFile = file_;
    summary_.firstUnreadableLine = number_;
  }

  const std::string& file_;
  YieldTally& tally_;
  ReadSummary& summary_;
  SeenLines& seen_;
  const CoveredLine& covered_;
  RecordFields fields_;
  std::string carry_;
  bool overlong_ = false;
  long long number_ = 0;
};

// A FIFO is read as it comes (`--report <(journalctl ...)`), once a program
// writes into it.
constexpr std::chrono::seconds kFifoWait{10};

std::string CannotRead(const std::string& path, int error) {
  if (error == ENXIO) return "cannot read " + path + ": no program writes into it";
  return "cannot read " + path + ": " + std::strerror(error);
}

std::FILE* OpenRecordFile(const std::string& path) {
  std::error_code failure;
  if (fs::is_fifo(NamedPath(path), failure)) return OpenNamedFifo(path, kFifoWait);
  return OpenNamedFile(path, "rb");
}

bool ReadFile(const std::string& path, YieldTally& tally, ReadSummary& summary, SeenLines& seen,
              const CoveredLine& covered, std::string& error) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRecordFile(path), &std::fclose);
  if (!file) {
    error = CannotRead(path, errno);
    return false;
  }
  LineFeed feed(path, tally, summary, seen, covered);
  std::string chunk(kChunk, '\0');
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0)
    feed.Feed(std::string_view(chunk).substr(0, got));
  if (std::ferror(file.get()) != 0) {
    error = CannotRead(path, errno != 0 ? errno : EIO);
    return false;
  }
  feed.Finish();
  ++summary.files;
  return true;
}

std::string Utf8(const fs::path& path) {
  const std::u8string name = path.u8string();
  return {name.begin(), name.end()};
}

// Every *.jsonl of `folder` and of its subfolders, by name at each level so
// that reports repeat exactly. An entry that names a folder is one only when
// it can be followed there, so a *.jsonl that is a broken link or a loop is
// read, and said, as the file it claims to be. A folder reached again
// through a link (a loop, or a second name) is read once.
bool FolderFiles(const fs::path& folder, std::set<fs::path>& visited, std::vector<std::string>& files,
                 std::string& error) {
  std::error_code failure;
  const fs::path real = fs::canonical(folder, failure);
  if (!failure && !visited.insert(real).second) return true;
  std::vector<fs::path> entries;
  for (fs::directory_iterator entry(folder, failure), end; !failure && entry != end; entry.increment(failure))
    entries.push_back(entry->path());
  if (failure) {
    error = "cannot read " + Utf8(folder) + ": " + failure.message();
    return false;
  }
  std::sort(entries.begin(), entries.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
  for (const fs::path& entry : entries) {
    if (fs::is_directory(entry, failure)) {
      if (!FolderFiles(entry, visited, files, error)) return false;
    } else if (entry.extension() == ".jsonl") {
      files.push_back(Utf8(entry));
    }
  }
  return true;
}

}  // namespace

bool ListRecordFiles(const std::vector<std::string>& paths, std::vector<std::string>& files,
                     std::string& error) {
  for (const std::string& path : paths) {
    std::error_code failure;
    std::set<fs::path> visited;
    if (!fs::is_directory(NamedPath(path), failure)) {
      files.push_back(path);
    } else if (!FolderFiles(NamedPath(path), visited, files, error)) {
      return false;
    }
  }
  return true;
}

bool ReadRecordFiles(const std::vector<std::string>& paths, YieldTally& tally, ReadSummary& summary,
                     std::string& error, const CoveredLine& covered) {
  std::vector<std::string> files;
  if (!ListRecordFiles(paths, files, error)) return false;
  SeenLines seen;
  for (const std::string& file : files)
    if (!ReadFile(file, tally, summary, seen, covered, error)) return false;
  return true;
}

}  // namespace report
