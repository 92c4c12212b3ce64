// An undo facing a QuickBooks that refuses: a question it will not answer stops the undo
// before anything is removed, a delete it refuses is reported and the next one still goes,
// and a lost connection leaves the entries after it unsent, each said in the log.
#include <gtest/gtest.h>

#include <map>

#include "engine/review/undo_run.h"
#include "engine_fixture.h"
#include "platform/text_file.h"
#include "written_log.h"

using namespace ztl;
using namespace ztl::test;

namespace {

std::string logWith(const std::vector<std::pair<std::string, std::string>>& posted) {
    std::vector<std::vector<std::string>> blocks;
    int n = 1;
    for (const auto& [ref, id] : posted) blocks.push_back(postedBlock(n++, ref, id));
    return writtenLog(blocks);
}

const char* kChart =
    "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><AccountQueryRs statusCode=\"0\" statusSeverity=\"Info\" "
    "statusMessage=\"Status "
    "OK\"><AccountRet><ListID>1</ListID><Name>Checking</Name><FullName>Checking</FullName>"
    "<AccountType>Bank</AccountType><AccountNumber>1000</AccountNumber></AccountRet></AccountQueryRs></"
    "QBXMLMsgsRs>"
    "</QBXML>";

std::string rs(const std::string& kind, const std::string& code, const std::string& severity,
               const std::string& body = "", const std::string& message = "msg") {
    return "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><" + kind + "Rs requestID=\"1\" statusCode=\"" +
           code + "\" statusSeverity=\"" + severity + "\" statusMessage=\"" + message + "\">" + body + "</" +
           kind + "Rs></QBXMLMsgsRs></QBXML>";
}

std::string entryRet(const std::string& id, const std::string& ref) {
    return "<JournalEntryRet><TxnID>" + id +
           "</TxnID><TimeCreated>T</TimeCreated><TimeModified>T</TimeModified><TxnNumber>1</"
           "TxnNumber><TxnDate>"
           "2026-12-05</TxnDate><RefNumber>" +
           ref +
           "</RefNumber><JournalDebitLine><AccountRef><FullName>Checking</FullName></"
           "AccountRef><Amount>1.00</Amount>"
           "<Memo> Korvane Import </Memo></JournalDebitLine><JournalCreditLine><AccountRef><FullName>Checking"
           "</FullName></AccountRef><Amount>1.00</Amount><Memo> Korvane Import </Memo></JournalCreditLine>"
           "</JournalEntryRet>";
}

std::string between(const std::string& s, const std::string& open, const std::string& close) {
    auto a = s.find(open);
    if (a == std::string::npos) return {};
    a += open.size();
    return s.substr(a, s.find(close, a) - a);
}

// A company holding entries A1 (1-1), A2 (2-1), A3 (3-1), answering as `statuses` says.
struct Company {
    std::map<std::string, std::string> queryStatus;   // TxnID -> status of its query (default 0)
    std::map<std::string, std::string> deleteStatus;  // TxnID -> status of its delete (default 0)
    std::string preferences = "0";

    std::string operator()(const std::string& request) {
        if (request.find("<AccountQueryRq") != std::string::npos) return kChart;
        if (request.find("<PreferencesQueryRq") != std::string::npos)
            return rs("PreferencesQuery", preferences, preferences == "0" ? "Info" : "Error",
                      "<PreferencesRet><AccountingPreferences/></PreferencesRet>");
        const std::string id = between(request, "<TxnID>", "</TxnID>");
        const std::string ref = "A" + id.substr(0, 1);
        if (request.find("<JournalEntryQueryRq") != std::string::npos) {
            std::string code = queryStatus.count(id) ? queryStatus[id] : "0";
            return rs("JournalEntryQuery", code,
                      code == "0"     ? "Info"
                      : code == "500" ? "Warn"
                                      : "Error",
                      code == "0" ? entryRet(id, ref) : "");
        }
        std::string code = deleteStatus.count(id) ? deleteStatus[id] : "0";
        return rs("TxnDel", code, code == "0" ? "Info" : "Error", "", code == "0" ? "Status OK" : "in use");
    }
};

struct Undo : ::testing::Test {
    TestProgram t;
    ScratchDir dir{"undo"};
    std::string log;
    Company company;

    void SetUp() override {
        t.qb().answer = [this](const std::string& r) { return company(r); };
        log = dir.file("QBImport.log", logWith({{"A1", "1-1"}, {"A2", "2-1"}, {"A3", "3-1"}})).string();
    }
    int deletesSent() const {
        int n = 0;
        for (const auto& r : t.factory.processor->requests) n += r.find("<TxnDelRq") != std::string::npos;
        return n;
    }
};

}  // namespace

TEST_F(Undo, AQuestionQuickBooksRefusesStopsItBeforeAnythingIsRemoved) {
    for (auto refuse : {std::function<void(Company&)>([](Company& c) { c.queryStatus["2-1"] = "3100"; }),
                        std::function<void(Company&)>([](Company& c) { c.preferences = "3250"; })}) {
        company = {};
        refuse(company);
        CompanySession qb(t.program, "");
        EXPECT_THROW(planUndo(qb, log, ""), CompanyError);
        EXPECT_EQ(deletesSent(), 0);
    }
    // "Not found" is an answer: that entry is gone already.
    company = {};
    company.queryStatus["2-1"] = "500";
    CompanySession qb(t.program, "");
    UndoPlan plan = planUndo(qb, log, "");
    ASSERT_EQ(plan.entries.size(), 3u);
    EXPECT_EQ(plan.entries[1].plan, UndoEntry::Plan::AlreadyGone);
    EXPECT_EQ(plan.toRemove(), 2);
}

TEST_F(Undo, ARefusedDeleteIsReportedAndTheNextStillGoesALostConnectionStopsIt) {
    company.deleteStatus["1-1"] = "3175";
    {
        CompanySession qb(t.program, "");
        UndoPlan plan = planUndo(qb, log, "");
        carryOutUndo(qb, plan, &t.clock);
        EXPECT_EQ(plan.entries[0].outcome, UndoEntry::Outcome::Failed);
        EXPECT_EQ(plan.entries[1].outcome, UndoEntry::Outcome::Removed);
        EXPECT_EQ(plan.entries[2].outcome, UndoEntry::Outcome::Removed);
        EXPECT_FALSE(plan.complete());
        EXPECT_EQ(plan.report()[0],
                  "Not removed : TxnID 1-1    Invoice : A1 - QuickBooks refused: status 3175 "
                  "(Error): in use");
    }
    std::string text = readWholeFile(log);
    EXPECT_NE(text.find("Removed from QuickBooks : TxnID 2-1    Invoice : A2\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Not removed : TxnID 1-1    Invoice : A1 - QuickBooks refused"), std::string::npos);

    // The connection goes at the second delete: the third is not sent, and the log says so.
    company = {};
    writeWholeFile(log, logWith({{"A1", "1-1"}, {"A2", "2-1"}, {"A3", "3-1"}}));
    t.factory.processor->requests.clear();
    CompanySession qb(t.program, "");
    UndoPlan plan = planUndo(qb, log, "");
    int before = 0;  // the processor counts its calls from its first
    for (const auto& c : t.qb().calls) before += c.starts_with("ProcessRequest:");
    t.qb().failOperation = "ProcessRequest";
    t.qb().failAtCall = before + 2;
    t.qb().failNumber = hresult::kCouldNotAccess;
    carryOutUndo(qb, plan, &t.clock);
    EXPECT_EQ(plan.entries[0].outcome, UndoEntry::Outcome::Removed);
    EXPECT_EQ(plan.entries[1].outcome, UndoEntry::Outcome::Failed);
    EXPECT_EQ(plan.entries[2].outcome, UndoEntry::Outcome::NotTried);
    EXPECT_EQ(deletesSent(), 2);
    text = readWholeFile(log);
    EXPECT_NE(text.find("Not removed : TxnID 3-1    Invoice : A3 - not sent: the undo stopped before it"),
              std::string::npos)
        << text;
}
