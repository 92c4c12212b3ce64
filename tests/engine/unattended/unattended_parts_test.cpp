// The parts of an unattended run that a whole run against QuickBooks cannot reach easily:
// the message's encodings read back as a mail program reads them, the mail command's
// failures, the pending folder's names and order, and the Web Connector's deadline.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/unattended/mail_message.h"
#include "engine/unattended/pending_days.h"
#include "engine/unattended/post_settings.h"
#include "engine/unattended/send_mail.h"
#include "platform/clock.h"
#include "platform/vb_error.h"
#include "tests/support/read_mail.h"
#include "tests/support/shell_command.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

using testsupport::readMail;

class Scratch : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ztl_unattended_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST(PostSettings, NothingThatWouldWriteAHeaderOrAnotherLineIsStored) {
    const struct {
        const char* key;
        std::string value;
        bool stored;
    } rows[] = {
        {"MailTo", "books@example.org\r\nBcc: thief@example.org", false},
        {"MailTo", "books@example.org\nBcc: thief@example.org", false},
        {"MailTo", "books@example.org, owner@example.org", true},
        {"MailTo", "Store 12 <books@example.org>", true},
        {"MailTo", "books@example.org,", false},
        {"MailTo", "books", false},
        {"MailTo", "books@example.org thief@example.org", false},
        {"MailTo", "", true},  // cleared
        {"MailFrom", "zentrel@store12.example.org", true},
        {"MailFrom", "a@example.org, b@example.org", false},
        {"MailFrom", "zentrel@store12.example.org\tx", false},
        {"MailCommand", "/usr/sbin/sendmail -t -i", true},
        {"MailCommand", "/usr/sbin/sendmail -t\n rm -rf /", false},
        {"MailEveryRun", "yes", true},
        {"MailEveryRun", "maybe", false},
        {"PostTime", "21:30", true},
        {"PostDeadline", "7 o'clock", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(!postSettingRefusal(r.key, r.value), r.stored) << r.key << " = " << r.value;

    // Without a sender of its own the message carries no From: header at all.
    MailMessage mail;
    mail.to = {"books@example.org"};
    EXPECT_EQ(mailText(mail, "Tue, 01 Apr 2025 21:30:00 +0000", "=_b").find("From:"), std::string::npos);
}

TEST(MailText, EveryByteOfTextAndLogArrivesAsWritten) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    MailMessage mail;
    mail.from = "zentrel@store12.example.org";
    mail.to = mailAddresses("books@example.org, owner@example.org;  third@example.org");
    mail.subject = "Store 12 Caf\xe9, 04/01/25: 1 posted";
    // A long line, a trailing blank, an '=' and a byte above ASCII: what quoted-printable must keep.
    mail.text = "Refused : 1\n    101004 - " + std::string(120, 'x') + " = Caf\xe9 \nlast line";
    mail.attachments = {{"12QBImport.log", all + "\r\nend\r\n"}, {"empty.log", ""}};
    std::string text = mailText(mail, "Tue, 01 Apr 2025 21:30:00 +0000", "=_b");

    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) {
        ASSERT_GT(at, 0u);
        EXPECT_EQ(text[at - 1], '\r') << "every line ends in CR LF";
    }
    size_t longest = 0, start = 0;
    for (size_t at = 0; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        longest = std::max(longest, at - start);
    EXPECT_LE(longest, 78u) << "no line longer than a message allows";

    testsupport::ReadMail read = readMail(text);
    EXPECT_EQ(read.headers["To"], "books@example.org, owner@example.org, third@example.org");
    EXPECT_EQ(read.headers["Subject"].substr(0, 17), "=?windows-1252?B?");
    EXPECT_EQ(testsupport::decodeBase64(read.headers["Subject"].substr(17)), mail.subject);
    EXPECT_EQ(read.text, mail.text + "\n");
    ASSERT_EQ(read.attachments.size(), 2u);
    EXPECT_EQ(read.attachments["12QBImport.log"], all + "\r\nend\r\n");
    EXPECT_EQ(read.attachments["empty.log"], "");
}

TEST_F(Scratch, TheMailCommandGetsTheWholeMessageOrTheFailureIsSaid) {
    std::string message(300000, 'm');  // more than a pipe holds
    EXPECT_EQ(sendMail("cat > '" + (dir / "got").string() + "'", message), std::nullopt);
    EXPECT_EQ(testsupport::slurp(dir / "got"), message);

    EXPECT_EQ(sendMail("echo 'no such user' >&2; exit 67", "m"),
              "the mail command \"echo 'no such user' >&2; exit 67\" ended with status 67: no such user");
    EXPECT_TRUE(sendMail("/nonexistent/sendmail -t -i", "m")
                    .value_or("")
                    .starts_with("the mail command \"/nonexistent/sendmail -t -i\" could not be run (status 127): "));
    // A command that stops reading and says it is fine has not sent the message; the run
    // that handed it over lives on to say so.
    EXPECT_EQ(sendMail("head -c 10 >/dev/null", message),
              "the mail command \"head -c 10 >/dev/null\" did not read the whole message");
}

TEST_F(Scratch, PendingDaysAreKeptOnceEachAndComeBackOldestFirstForTheirStoreOnly) {
    fs::path totals = dir / "12X390.QB";
    fs::path first = keepPendingDay(totals, "2025-04-02", "day two");
    EXPECT_EQ(first.filename(), "2025-04-02 12X390.QB");
    EXPECT_EQ(keepPendingDay(totals, "2025-04-02", "day two"), first) << "the same day kept again is one copy";
    fs::path other = keepPendingDay(totals, "2025-04-02", "day two, written again");
    EXPECT_EQ(other.filename(), "2025-04-02 (2) 12X390.QB") << "nothing is written over";
    keepPendingDay(totals, "2025-03-31", "day one");
    keepPendingDay(dir / "112X390.QB", "2025-03-30", "another store");
    std::ofstream(pendingFolder(totals) / "2025-03-31 12QBImport.log") << "a log";

    std::vector<std::string> names;
    for (const auto& d : pendingDaysOf(totals)) names.push_back(d.file.filename().string() + "|" + d.date);
    EXPECT_EQ(names, (std::vector<std::string>{"2025-03-31 12X390.QB|2025-03-31", "2025-04-02 12X390.QB|2025-04-02",
                                               "2025-04-02 (2) 12X390.QB|2025-04-02"}));
    EXPECT_EQ(testsupport::slurp(other), "day two, written again");
    EXPECT_EQ(pendingDaysOf(dir / "missing" / "12X390.QB").size(), 0u);

    fs::permissions(pendingFolder(totals), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(pendingFolder(totals).c_str(), W_OK) != 0) {  // not as root, who may write anyway
        EXPECT_THROW(keepPendingDay(totals, "2025-04-03", "day three"), VbError);
    }
    fs::permissions(pendingFolder(totals), fs::perms::owner_all);
}

TEST_F(Scratch, ADayWrittenAgainReplacesItsCopyAndGoesToAnArchiveNeverOverAnother) {
    const fs::path totals = dir / "12X390.QB";
    auto day = [](std::initializer_list<const char*> refs) {
        std::string bytes;
        for (const char* ref : refs) {
            char block[160];
            std::snprintf(block, sizeof block, "Q\r\nH  %-8s %-8s\r\nD %-7s %12s %12s\r\nD %-7s %12s %12s\r\nTRT    1\r\n",
                          ref, "04/02/25", "1000", "5.00", "0.00", "4000", "0", "-5.00");
            bytes += block;
        }
        return bytes;
    };
    const fs::path held = keepPendingDay(totals, "2025-04-02", day({"101001", "101002"}));
    EXPECT_TRUE(pendingDaysReplacedBy(totals, "2025-04-02", day({"101001", "101002"})).empty()) << "the same bytes";
    EXPECT_TRUE(pendingDaysReplacedBy(totals, "2025-04-03", day({"101002"})).empty()) << "another date";
    EXPECT_TRUE(pendingDaysReplacedBy(totals, "2025-04-02", day({"101007"})).empty()) << "another batch of the date";
    const std::vector<PendingDay> replaced = pendingDaysReplacedBy(totals, "2025-04-02", day({"101002", "101003"}));
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(replaced[0].file, held);

    // Two copies archived in one minute: the second beside the first, not over it.
    const FixedClock clock({2025, 4, 3, 21, 30, 0});
    std::ofstream(dir / "other copy") << "the other copy";
    const fs::path first = archiveKeptCopy(held, totals, clock);
    const fs::path second = archiveKeptCopy(dir / "other copy", totals, clock);
    EXPECT_EQ(first, dir / "12X390.QB4320252130");
    EXPECT_EQ(second.string(), first.string() + ".1");
    EXPECT_EQ(testsupport::slurp(first), day({"101001", "101002"}));
    EXPECT_FALSE(fs::exists(held));

    // The day's logs follow it to the store's own kept logs, after those already there.
    const fs::path copy = keepPendingDay(totals, "2025-04-02", "day");
    std::ofstream(dir / "12QBImport.log.1") << "an earlier run";
    std::ofstream(pendingFolder(totals) / "2025-04-02 12QBImport.log.1") << "the day's first run";
    std::ofstream(pendingFolder(totals) / "2025-04-02 12QBImport.log") << "the day's last run";
    EXPECT_EQ(moveDayLogs(copy, totals), (std::vector<std::string>{
                                             "its import log is kept as " + (dir / "12QBImport.log.2").string(),
                                             "its import log is kept as " + (dir / "12QBImport.log.3").string()}));
    EXPECT_EQ(testsupport::slurp(dir / "12QBImport.log.2"), "the day's first run");
    EXPECT_EQ(testsupport::slurp(dir / "12QBImport.log.3"), "the day's last run");
    EXPECT_EQ(testsupport::slurp(dir / "12QBImport.log.1"), "an earlier run");
}

TEST(PostDeadline, TheWaitEndsAtTheNextDeadlineOClock) {
    using std::chrono::seconds;
    EXPECT_EQ(untilDeadline({2025, 4, 1, 21, 30, 0}, "07:00"), seconds(9 * 3600 + 30 * 60));
    EXPECT_EQ(untilDeadline({2025, 4, 1, 5, 0, 0}, "07:00"), seconds(2 * 3600)) << "a run started after midnight";
    EXPECT_EQ(untilDeadline({2025, 4, 1, 6, 59, 30}, "07:00"), seconds(60)) << "at least a minute";
    EXPECT_EQ(untilDeadline({2025, 4, 1, 7, 0, 0}, "07:00"), seconds(24 * 3600));
    EXPECT_EQ(untilDeadline({2025, 4, 1, 21, 30, 0}, "7 am"), seconds(9 * 3600 + 30 * 60)) << "the default's";
    for (const char* bad : {"24:00", "7:60", "07:0", ":30", "0730", "07:00 "})
        EXPECT_EQ(clockMinutes(bad), std::nullopt) << bad;
    EXPECT_EQ(clockMinutes("7:05"), 425);
}

}  // namespace
}  // namespace ztl
