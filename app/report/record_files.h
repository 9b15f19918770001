#pragma once
// The record files the report reads: files as named, and the *.jsonl files of
// a folder and its subfolders. Lines that cannot be read are counted and
// skipped, the first named, so that one broken line (a truncated last line
// after a power cut, a line of a schema this program does not know) never
// hides the rest. A line read again counts once: a file collected twice, or
// the entry a journal uploader sent again after an outage, is still one
// upgrade.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "yield_tally.h"

namespace report {

struct ReadSummary {
  int files = 0;
  long long lines = 0;  // blank lines left out
  long long unreadable = 0;
  // Lines that name their end (every line since the first schema) and were
  // read before, byte for byte: left out of the figures.
  long long repeated = 0;
  std::string firstUnreadableFile;
  long long firstUnreadableLine = 0;  // from 1
};

// The files `paths` name, each folder's spelled out. False with one line in
// `error` when a folder cannot be read.
bool ListRecordFiles(const std::vector<std::string>& paths, std::vector<std::string>& files,
                     std::string& error);

// Called with each line the tally covers, as read (without its line end).
using CoveredLine = std::function<void(std::string_view line)>;

// Reads every line of every file `paths` name into `tally`. False with one
// line in `error` when a file or folder cannot be read: a report that silently
// left out a station's file would mislead.
bool ReadRecordFiles(const std::vector<std::string>& paths, YieldTally& tally, ReadSummary& summary,
                     std::string& error, const CoveredLine& covered = {});

}  // namespace report
