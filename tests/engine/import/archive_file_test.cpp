// The archive that never loses the totals file: its time-stamped name, never over an
// earlier archive, and what stays when the copy or the deletion fails.
#include "engine/import/archive_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "tests/support/shell_command.h"
#include "tests/support/temp_folder.h"

using namespace ztl;
namespace fs = std::filesystem;

using testsupport::slurp;

TEST(ArchiveFile, TimeStampedNameNeverOverAnEarlierArchive) {
    EXPECT_EQ(archiveName("X", {2006, 3, 9, 14, 5, 0}), "X392006145");
    EXPECT_EQ(archiveName("X", {2006, 1, 12, 10, 5, 0}), "X1122006105");

    testsupport::TempFolder s;
    fs::path totals = s.write("3X390.QB", "Q 0003\r\nH  004711\r\n");
    FixedClock clock({2006, 11, 2, 10, 5, 0});  // the same name as 12 January at 10:05
    s.write("3X390.QB1122006105", "an earlier archive");
    std::optional<ArchivedFile> archive = ArchiveFile(totals.string(), clock);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->name, totals.string() + "1122006105.1");
    EXPECT_FALSE(archive->originalLeft);
    EXPECT_FALSE(fs::exists(totals));
    EXPECT_EQ(slurp(totals.string() + "1122006105.1"), "Q 0003\r\nH  004711\r\n");
    EXPECT_EQ(slurp(totals.string() + "1122006105"), "an earlier archive");
    EXPECT_FALSE(ArchiveFile(totals.string(), clock));  // nothing to archive any more
}

TEST(ArchiveFile, AnOriginalThatCannotBeDeletedIsToldAndKept) {
    testsupport::TempFolder s;
    fs::path totals = s.write("3X390.QB", "Q 0003\r\nH  004711\r\n");
    auto refuse = [](const fs::path&, std::error_code& ec) { ec = std::make_error_code(std::errc::permission_denied); };
    std::optional<ArchivedFile> archive =
        ArchiveFile(totals.string(), FixedClock({2026, 3, 9, 14, 5, 0}), refuse);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->name, totals.string() + "392026145");
    EXPECT_EQ(archive->originalLeft, std::string("Permission denied"));
    EXPECT_EQ(slurp(totals), slurp(archive->name));  // both names hold the day
    EXPECT_EQ(originalLeftMessage("\\\\STORESRV\\CATCON\\3X390.QB", *archive),
              "The totals file \\\\STORESRV\\CATCON\\3X390.QB is archived as " + archive->name +
                  ", but it could not be deleted (Permission denied).\nDelete it before the next start, or its "
                  "totals are imported a second time.");
}

TEST(ArchiveFile, ACopyThatCannotBeWrittenLeavesTheTotalsFileWhereItWas) {
    testsupport::TempFolder s;
    std::string day(4096, 'D');
    fs::path totals = s.write("1X390.QB", day);
    // A device that takes only 100 bytes, for any user (root included).
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::optional<ArchivedFile> archive = ArchiveFile(totals.string(), FixedClock({2026, 3, 9, 14, 5, 0}));
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(archive);
    EXPECT_EQ(slurp(totals), day);
    EXPECT_FALSE(fs::exists(totals.string() + "392026145"));  // no half copy left behind
}
