// The operation log's entries, byte for byte, and the log growing by appending.
#include "engine/company/operation_log_entries.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/company/operation_log.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;
using namespace ztl;

TEST(OperationLogEntries, EachKindAsTheLogHoldsIt) {
    FixedClock clock(LocalDateTime{2026, 12, 5, 21, 7, 3}, "05.12.2026", "21:07:03");
    EXPECT_EQ(startEntry(clock), "05.12.2026 21:07:03 Zentrel Start ");
    EXPECT_EQ(endEntry(clock), "05.12.2026 21:07:03 Zentrel end program ");
    EXPECT_EQ(errorEntry(clock, "Error in form load event\nerror # 5  \nx"),
              "05.12.2026 21:07:03 \r\nError in form load event\nerror # 5  \nx");
    EXPECT_EQ(sourceCheckErrorEntry(clock, "m", "\\\\S\\catcon\\X390.QB"),
              "05.12.2026 21:07:03 \r\nm\r\nimportsource$=\\\\S\\catcon\\X390.QB");
    EXPECT_EQ(importErrorEntry(clock, "m", "/x/X390.QB"),
              "05.12.2026 21:07:03 \r\nm\r\nimportsource$= /x/X390.QB");
}

TEST(OperationLogEntries, AppendedWithCrLfToAFileCreatedWhenMissing) {
    fs::path dir = fs::temp_directory_path() / ("ztl-oplog-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    FixedClock clock(LocalDateTime{}, "d", "t");
    appendOperationLog(dir / kOperationLogName, startEntry(clock));
    appendOperationLog(dir / kOperationLogName, endEntry(clock));
    EXPECT_EQ(readWholeFile(dir / kOperationLogName), "d t Zentrel Start \r\nd t Zentrel end program \r\n");
    // A log that cannot be written is passed over in silence.
    appendOperationLog(dir / "no such folder" / kOperationLogName, startEntry(clock));
    fs::remove_all(dir);
}
