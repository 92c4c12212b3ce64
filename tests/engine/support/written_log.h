#pragma once
// Import logs for the tests of their readers, written by the run's own writer
// (engine/company/import_log.h) rather than typed: a reader tested on them reads what the run
// writes, and a change to a line reaches both.
#include <string>
#include <vector>

namespace ztl::test {

// The log of a run the fixed test clock dates: its opening lines, each note the run writes
// before the first transaction (with the blank line it follows a note with), then the blocks.
std::string writtenLog(const std::vector<std::vector<std::string>>& blocks,
                       const std::vector<std::string>& notes = {});

// The block of transaction n that QuickBooks posted as `txnId` with "Status OK".
std::vector<std::string> postedBlock(int n, const std::string& invoice, const std::string& txnId);

}  // namespace ztl::test
