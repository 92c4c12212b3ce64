// Reading an import log back: every block as the run recorded its answer, the notes before
// the first block, a log cut short or damaged, and the log of a whole run on the simulated
// company read back against the run's own record of it.
#include "engine/company/import_log_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/import/cls_ztl.h"
#include "engine/company/import_log.h"
#include "engine/company/settings_keys.h"
#include "engine/review/undo_log.h"
#include "engine_fixture.h"
#include "import_runner.h"
#include "platform/request_processor.h"
#include "platform/text_file.h"
#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "qbsim/sim_request_processor.h"
#include "written_log.h"

namespace ztl::test {
namespace {

using Outcome = TransactionRecord::Outcome;

struct Answer {
    const char* guards;
    std::string code, severity, message, txnId;
    Outcome expected;
};

// QuickBooks' answers as the run logs them: an answer posts an entry when it carries the
// new entry's identifier and is no error.
const Answer kAnswers[] = {
    {"accepted", "0", "Info", "Status OK", "1-1796638280", Outcome::Posted},
    {"a warning with QuickBooks' identifier", "530", "Warn", "Import result ID :", "3-1796638280",
     Outcome::Posted},
    {"an error without one", "3140", "Error", "There is an invalid reference to QuickBooks Account \"6400\"",
     "", Outcome::Refused},
    {"an error that carries one", "3180", "Error", "There was an error when saving a Journal Entry",
     "4-1796638280", Outcome::Refused},
    {"no error and no identifier", "0", "Info", "Status OK", "", Outcome::Refused},
};

// One block per answer, transaction n for kAnswers[n-1], then one QuickBooks held already.
std::vector<std::vector<std::string>> answerBlocks() {
    std::vector<std::vector<std::string>> blocks;
    int n = 0;
    for (const Answer& a : kAnswers) {
        ++n;
        // The second one is the transaction whose invoice and date two other entries carry.
        std::vector<std::string> notes;
        if (n == 2) notes = {importlog::otherEntryLine("7-70"), importlog::otherEntryLine("8-80")};
        blocks.push_back(importlog::answerBlock(n, "40100" + std::to_string(n), notes, a.code, a.severity,
                                                a.message, a.txnId));
    }
    blocks.push_back(importlog::alreadyPostedBlock(++n, "401009", "9-90"));
    return blocks;
}

void expectSame(const importlog::LoggedTransaction& a, const importlog::LoggedTransaction& b) {
    EXPECT_EQ(a.number, b.number);
    EXPECT_EQ(a.referenceNumber, b.referenceNumber);
    EXPECT_EQ(a.outcome, b.outcome);
    EXPECT_EQ(a.txnId, b.txnId);
    EXPECT_EQ(a.statusCode, b.statusCode);
    EXPECT_EQ(a.statusSeverity, b.statusSeverity);
    EXPECT_EQ(a.statusMessage, b.statusMessage);
    EXPECT_EQ(a.otherEntries, b.otherEntries);
}

}  // namespace

TEST(ImportLogReader, ReadsEachBlockAsTheRunRecordsItsAnswer) {
    const importlog::LoggedRun run = importlog::readLog(writtenLog(answerBlocks()));
    EXPECT_TRUE(run.isImportLog);
    ASSERT_EQ(run.transactions.size(), std::size(kAnswers) + 1);
    for (size_t i = 0; i < std::size(kAnswers); ++i) {
        const Answer& a = kAnswers[i];
        const importlog::LoggedTransaction& t = run.transactions[i];
        SCOPED_TRACE(a.guards);
        EXPECT_EQ(t.number, static_cast<int>(i + 1));
        EXPECT_EQ(t.referenceNumber, "40100" + std::to_string(i + 1));
        EXPECT_EQ(t.outcome, a.expected);
        EXPECT_EQ(answerOutcome(a.severity, a.txnId), a.expected) << "the run records it alike";
        EXPECT_EQ(t.txnId, a.txnId);
        EXPECT_EQ(t.statusCode, a.code);
        EXPECT_EQ(t.statusSeverity, a.severity);
        EXPECT_EQ(t.statusMessage, a.message);
    }
    EXPECT_EQ(run.transactions[1].otherEntries, (std::vector<std::string>{"7-70", "8-80"}))
        << "entries a block names as not its transaction are not its entry";
    const importlog::LoggedTransaction& held = run.transactions.back();
    EXPECT_EQ(held.outcome, Outcome::AlreadyThere);
    EXPECT_EQ(held.txnId, "9-90");
    EXPECT_EQ(held.referenceNumber, "401009");
    EXPECT_EQ(held.statusCode, "");
}

TEST(ImportLogReader, ReadsTheNotesItsRunWritesBeforeTheFirstTransaction) {
    const auto block = postedBlock(1, "4711", "1-100");
    importlog::LoggedRun plain = importlog::readLog(writtenLog({block}));
    EXPECT_FALSE(plain.duplicateCheckOff);
    EXPECT_FALSE(plain.stoppedUnasked);
    EXPECT_EQ(plain.lockTakenOverFrom, "");

    importlog::LoggedRun off = importlog::readLog(writtenLog(
        {block}, {importlog::lockTakenOverLine("WS-2 (process 77)"), importlog::kDuplicateCheckOffLine}));
    EXPECT_TRUE(off.duplicateCheckOff);
    EXPECT_EQ(off.lockTakenOverFrom, "WS-2 (process 77)");
    ASSERT_EQ(off.transactions.size(), 1u);
    EXPECT_EQ(off.transactions[0].txnId, "1-100");

    importlog::LoggedRun unasked = importlog::readLog(
        writtenLog({}, {importlog::duplicateCheckFailedLine("Its chart of accounts could not be read.")}));
    EXPECT_TRUE(unasked.stoppedUnasked);
    EXPECT_TRUE(unasked.transactions.empty());

    // The same lines without the log's heading are no import log, though still read.
    const std::string log = writtenLog({block});
    importlog::LoggedRun headless = importlog::readLog(log.substr(log.find("\r\n") + 2));
    EXPECT_FALSE(headless.isImportLog);
    EXPECT_EQ(headless.transactions.size(), 1u);
    EXPECT_FALSE(importlog::readLog("").isImportLog);
}

TEST(ImportLogReader, ALogCutShortNeverNamesAnEntryItDoesNotHold) {
    // As a disk that fills or a killed run leaves it: cut at every byte.
    const std::string log = writtenLog(answerBlocks());
    const importlog::LoggedRun whole = importlog::readLog(log);
    for (size_t size = 0; size <= log.size(); ++size) {
        SCOPED_TRACE(size);
        const importlog::LoggedRun cut = importlog::readLog(std::string_view(log).substr(0, size));
        ASSERT_LE(cut.transactions.size(), whole.transactions.size());
        for (size_t i = 0; i + 1 < cut.transactions.size(); ++i)
            expectSame(cut.transactions[i], whole.transactions[i]);
        if (cut.transactions.empty()) continue;
        const auto& last = cut.transactions.back();
        const auto& full = whole.transactions[cut.transactions.size() - 1];
        EXPECT_EQ(last.number, full.number);
        EXPECT_EQ(last.referenceNumber, full.referenceNumber);
        // Its answer whole, or none at all: never a TxnID cut in two.
        if (last.outcome != Outcome::NoAnswer) {
            EXPECT_EQ(last.outcome, full.outcome);
            EXPECT_EQ(last.txnId, full.txnId);
        }
    }
}

TEST(ImportLogReader, ADamagedOrForeignLogNamesNoEntry) {
    const std::string status = importlog::statusLine("0", "Info", "1-100");
    const char binaryLine[] = "\0\xff\xfe binary \x01\r\x1a";
    const std::string transaction = importlog::kTransactionMark, invoice = importlog::kInvoiceMark;
    const std::string rows[] = {
        transaction + "99999999999999999999" + invoice + "1",  // a number no run counts to
        transaction + "x" + invoice + "1",
        transaction + "7",
        transaction + invoice + "1",
        std::string(binaryLine, sizeof binaryLine - 1),
    };
    for (const std::string& heading : rows) {
        SCOPED_TRACE(heading);
        const importlog::LoggedRun run =
            importlog::readLog(writtenLog({{heading, status, importlog::kBlankLine}}));
        EXPECT_TRUE(run.transactions.empty());
    }
    // An answer outside any block, or with its parts out of order, is nobody's.
    const std::string heading = importlog::transactionHeading(1, "1");
    const importlog::LoggedRun stray = importlog::readLog(
        writtenLog({{importlog::kBlankLine, status},
                    {heading, std::string(importlog::kStatusCodeMark) + "0" + importlog::kResultIdMark +
                                  "1-1" + importlog::kSeverityMark + "Info"}}));
    ASSERT_EQ(stray.transactions.size(), 1u);
    EXPECT_EQ(stray.transactions[0].outcome, Outcome::NoAnswer);
    EXPECT_EQ(stray.transactions[0].txnId, "");
    const char binary[] = "\0\r\n\xff\xff\r\nTransaction : 1    Invoice : \0\r\n";
    const importlog::LoggedRun read = importlog::readLog(std::string_view(binary, sizeof binary - 1));
    EXPECT_FALSE(read.isImportLog);
    ASSERT_EQ(read.transactions.size(), 1u);
    EXPECT_EQ(read.transactions[0].referenceNumber, std::string(1, '\0'));
    EXPECT_EQ(read.transactions[0].outcome, Outcome::NoAnswer);
}

namespace {

// The simulated company, with the answers to chosen entries changed as QuickBooks may give
// them: a warning or an error about an entry it saved.
struct ChangedAnswers : qbsim::SimRequestProcessor {
    using SimRequestProcessor::SimRequestProcessor;
    std::function<std::string(const std::string& request, std::string answer)> change;
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override {
        return change(request, SimRequestProcessor::ProcessRequest(ticket, request));
    }
};

struct ChangedAnswersFactory : RequestProcessorFactory {
    std::filesystem::path company;
    std::function<std::string(const std::string&, std::string)> change;
    std::shared_ptr<RequestProcessor> create() override {
        auto p = std::make_shared<ChangedAnswers>(company);
        p->change = change;
        return p;
    }
};

std::string replaced(std::string s, const std::string& what, const std::string& with) {
    auto at = s.find(what);
    return at == std::string::npos ? s : s.replace(at, what.size(), with);
}

// A transaction of the store's file: cash taken in for `account`.
std::string sale(const std::string& ref, const std::string& account, const std::string& amount,
                 const std::string& date = "12/05/26") {
    return file({"Q", H(ref, date), D("1000", amount), D(account, "0", "-" + amount), "TRT    1"});
}

void expectLogAgrees(const importlog::LoggedRun& log, const RunRecord& run) {
    EXPECT_TRUE(log.isImportLog);
    EXPECT_EQ(log.duplicateCheckOff, run.duplicateCheckOff);
    EXPECT_EQ(log.stoppedUnasked, run.stoppedUnasked);
    std::vector<TransactionRecord> logged;
    for (const auto& t : run.transactions)
        if (t.logNumber != 0) logged.push_back(t);
    ASSERT_EQ(log.transactions.size(), logged.size()) << "a block for each transaction the run logged";
    for (size_t i = 0; i < logged.size(); ++i) {
        const TransactionRecord& r = logged[i];
        SCOPED_TRACE(r.referenceNumber);
        // The record knows nothing of the other entries a block names.
        expectSame(log.transactions[i],
                   {r.logNumber, r.referenceNumber, r.outcome, r.txnId, r.statusCode, r.statusSeverity,
                    r.statusMessage, log.transactions[i].otherEntries});
    }
}

}  // namespace

TEST(ImportLogReader, TheLogOfARunReadsBackAsTheRunRecordedIt) {
    ScratchDir dir("log-agreement");
    ChangedAnswersFactory quickBooks;
    quickBooks.company = dir.path() / "Shop.qbw";
    {
        auto company = qbsim::Company::create(quickBooks.company);
        qbsim::addSampleCompany(company);
    }
    bool unasked = false;
    quickBooks.change = [&](const std::string& request, std::string answer) {
        if (unasked && request.find("<JournalEntryQueryRq") != std::string::npos)
            throw VbError(hresult::kCouldNotAccess, "QBXMLRP2", "Could not access QuickBooks.");
        if (request.find("<RefNumber>1002</RefNumber>") != std::string::npos)
            return replaced(replaced(answer, "statusCode=\"0\"", "statusCode=\"530\""), "\"Info\"",
                            "\"Warn\"");
        if (request.find("<RefNumber>1005</RefNumber>") != std::string::npos)
            return replaced(replaced(answer, "statusCode=\"0\"", "statusCode=\"3180\""), "\"Info\"",
                            "\"Error\"");
        return answer;
    };
    TestProgram t;
    t.program.processors = &quickBooks;
    for (auto [key, value] : {std::pair{key::kReceivablesName, "Walk-in Customer"},
                              {key::kPayablesName, "Main Supplier"},
                              {key::kSalesTaxName, "State Tax Agency"}})
        t.settings.set(kSettingsApp, t.program.settingsSection, key, value);
    auto importDay = [&](const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(dir.path() / name);
        const std::string path = dir.file(name + "/X390.QB", bytes).string();
        clsZTL z(t.program);
        z.X390source(path);
        RunRecord run = z.NewStartImport();
        return std::pair{run, importlog::readLog(readWholeFile(dir.path() / name / "QBImport.log"))};
    };

    const auto [before, beforeLog] =
        importDay("before", sale("1001", "4000", "7.00") + sale("1004", "4000", "9.00"));
    expectLogAgrees(beforeLog, before);
    // Held already; posted with a warning; refused by QuickBooks; posted beside an entry of
    // its invoice and date with other lines; refused with the entry's TxnID; never sent.
    const std::string day = sale("1001", "4000", "7.00") + sale("1002", "4000", "8.00") +
                            sale("1003", "6400", "3.00") + sale("1004", "4000", "4.00") +
                            sale("1005", "4000", "5.00") + sale("1006", "4000", "6.00", "13/45/26");
    {
        SCOPED_TRACE("the duplicate guard on");
        const auto [run, log] = importDay("guarded", day);
        expectLogAgrees(log, run);
        // Every kind of block is in this log, so the agreement above covers each.
        ASSERT_EQ(run.transactions.size(), 6u);
        EXPECT_EQ(run.transactions[0].outcome, Outcome::AlreadyThere);
        EXPECT_EQ(run.transactions[0].txnId, before.transactions[0].txnId);
        EXPECT_EQ(run.transactions[1].outcome, Outcome::Posted);
        EXPECT_EQ(run.transactions[1].statusSeverity, "Warn");
        EXPECT_EQ(run.transactions[2].outcome, Outcome::Refused);
        EXPECT_EQ(run.transactions[3].outcome, Outcome::Posted);
        EXPECT_EQ(run.transactions[4].outcome, Outcome::Refused);
        EXPECT_FALSE(run.transactions[4].txnId.empty());
        EXPECT_EQ(run.transactions[5].outcome, Outcome::NotSent);
        ASSERT_EQ(log.transactions.size(), 5u);
        EXPECT_EQ(log.transactions[3].otherEntries, (std::vector<std::string>{before.transactions[1].txnId}));
    }
    {
        SCOPED_TRACE("the duplicate guard off");
        t.settings.set(kSettingsApp, t.program.settingsSection, key::kDuplicateCheck, "off");
        const auto [run, log] = importDay("unguarded", day);
        EXPECT_TRUE(run.duplicateCheckOff);
        EXPECT_EQ(run.transactions[0].outcome, Outcome::Posted);
        expectLogAgrees(log, run);
        t.settings.set(kSettingsApp, t.program.settingsSection, key::kDuplicateCheck, "");
    }
    {
        SCOPED_TRACE("QuickBooks could not be asked what it holds");
        unasked = true;
        const auto [run, log] = importDay("unasked", day);
        EXPECT_TRUE(run.stoppedUnasked);
        expectLogAgrees(log, run);
    }
}

}  // namespace ztl::test

namespace ztl::test {

TEST(ImportLogReader, AnEntryFoundAfterItsAnswerWasLostIsThisLogsToUndoAndAnImportEntryWithOtherLinesIsHeld) {
    const std::string log = writtenLog({
        importlog::sentUnansweredBlock(1, "4711", "5-100", "12QBImport.log.2"),
        importlog::sentUnansweredBlock(2, "4712", "6-100", "12QBImport.log.2", true),
        // A line naming another entry than its block's says nothing about the block.
        {importlog::transactionHeading(3, "4713"), importlog::alreadyPostedLine("7-100"),
         importlog::sentUnansweredLine("12QBImport.log.2", "8-100"), importlog::kBlankLine},
        importlog::changedEntryBlock(4, "4714", "9-100", false),
    });
    const importlog::LoggedRun run = importlog::readLog(log);
    ASSERT_EQ(run.transactions.size(), 4u);
    using O = TransactionRecord::Outcome;
    for (const auto& t : run.transactions) EXPECT_EQ(t.outcome, O::AlreadyThere) << t.referenceNumber;
    EXPECT_TRUE(run.transactions[0].sentWithoutAnswer);
    EXPECT_EQ(run.transactions[0].sentBy, "12QBImport.log.2");
    EXPECT_TRUE(run.transactions[1].sentWithoutAnswer) << "changed by hand since: still the import's";
    EXPECT_TRUE(run.transactions[1].changedInQuickBooks);
    EXPECT_FALSE(run.transactions[2].sentWithoutAnswer);
    EXPECT_EQ(run.transactions[3].txnId, "9-100");

    // The undo takes the first two as this run's, the others as found there before it.
    undolog::ImportLogRecord record = undolog::readImportLog(log);
    ASSERT_EQ(record.entries.size(), 4u);
    EXPECT_TRUE(record.entries[0].postedByThisRun);
    EXPECT_TRUE(record.entries[1].postedByThisRun);
    EXPECT_FALSE(record.entries[2].postedByThisRun);
    EXPECT_FALSE(record.entries[3].postedByThisRun);
}

}  // namespace ztl::test
