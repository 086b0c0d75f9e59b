#pragma once

#include <string>
#include <vector>

namespace sktest {

// The records of a log file's text without their time stamps. A record is "STAMP message\n", and
// every record after the first starts with a space; messages may hold line breaks of their own.
std::vector<std::string> SplitLogRecords(const std::string& content);

} // namespace sktest
