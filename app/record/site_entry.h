#pragma once
// An upgrade record line as the entry of the system log a site collects.
#include <string>

#include "app/system/site_log.h"
#include "upgrade_record.h"

// The entry for `line`, the record line of `entry`: the line's fields one by
// one, the same values, in its order (absent fields stay absent); a summary of
// the port, the outcome, the seconds, the station and the unit on one line;
// the level by the outcome: complete is information, abandoned and
// interrupted are warnings, every other outcome an error.
sys::SiteLogEntry SiteEntry(const RecordContext& context, const RecordEntry& entry, const std::string& line);
