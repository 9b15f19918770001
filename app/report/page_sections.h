#pragma once
// The page's sections: each a heading, its charts, and their numbers as tables.
#include <string>

#include "report_output.h"

namespace report::page {

std::string Reading(const ReportInput& input);
std::string YieldByDay(const ReportInput& input);
std::string Outcomes(const YieldReport& figures);
std::string Failures(const YieldReport& figures);
std::string Seconds(const YieldReport& figures);

}  // namespace report::page
