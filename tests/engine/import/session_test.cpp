// The QuickBooks session, the chart of accounts and the journal-entry answers.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/import/cls_ztl.h"
#include "engine_fixture.h"
#include "platform/text_file.h"

using namespace ztl;
using ztl::test::accountResponse;
using ztl::test::journalResponse;
using ztl::test::ScratchDir;
using ztl::test::TestProgram;

TEST(Session, ConstructionOpensTheConnectionAndDestructionClosesIt) {
    TestProgram t;
    {
        clsZTL z(t.program);
        EXPECT_EQ(t.program.requestProcessor.get(), &t.qb());
    }
    EXPECT_EQ(t.qb().calls,
              (std::vector<std::string>{"OpenConnection::Korvane Zentrel   ", "CloseConnection"}));
    EXPECT_EQ(t.program.requestProcessor, nullptr);
}

TEST(Session, AFailingOpenConnectionIsReported) {
    TestProgram t;
    t.qb().failOperation = "OpenConnection";
    t.qb().failNumber = hresult::kCouldNotAccess;
    clsZTL z(t.program);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text,
              "Error in module clsZTL.Class_Initialize \nError # -2147220479  \nscripted failure of "
              "OpenConnection");
}

TEST(Session, SendRequestUsesOneSessionWithTheCompanyAndModeTwo) {
    TestProgram t;
    t.qb().responses = {"<answer/>"};
    clsZTL z(t.program);
    z.QBCompany = "/qb/Shop.qbw";
    z.requestText = "<request/>";
    z.SendRequest();
    EXPECT_FALSE(z.cZTLError);
    EXPECT_EQ(z.responseText, "<answer/>");
    EXPECT_EQ(t.qb().requests, (std::vector<std::string>{"<request/>"}));
    EXPECT_EQ(t.qb().calls,
              (std::vector<std::string>{"OpenConnection::Korvane Zentrel   ", "BeginSession:/qb/Shop.qbw:2",
                                        "ProcessRequest:ticket-1", "EndSession:ticket-1"}));
}

struct SendFailure {
    const char* operation;
    long number;
    const char* extra;  // what the report adds after the description
    const char* calls;  // the calls after OpenConnection, joined by |
};

TEST(Session, EveryFailingStepIsReportedAndClosesTheConnection) {
    const SendFailure cases[] = {
        {"BeginSession", hresult::kCompanyNotOpen,
         "\nChange the open QB company or change the import target company. \n"
         "Make the necessary changes, click Cancel, then re-start the program.",
         "BeginSession::2|CloseConnection"},
        {"ProcessRequest", hresult::kParseError,
         "\nThere is a problem with the source file X390.QB. \nImport aborted... call -Korvane !.",
         "BeginSession::2|ProcessRequest:ticket-1|EndSession:ticket-1|CloseConnection"},
        {"EndSession", hresult::kInvalidTicket, "\n",
         "BeginSession::2|ProcessRequest:ticket-1|EndSession:ticket-1|EndSession:ticket-1|CloseConnection"},
        {"BeginSession", hresult::kNeedCompanyFile, "\n", "BeginSession::2|CloseConnection"},
    };
    for (const auto& c : cases) {
        TestProgram t;
        t.qb().failOperation = c.operation;
        t.qb().failAtCall = 1;
        t.qb().failNumber = c.number;
        clsZTL z(t.program);
        z.SendRequest();
        EXPECT_TRUE(z.cZTLError) << c.operation;
        std::string calls;
        for (size_t i = 1; i < t.qb().calls.size(); ++i) calls += (i > 1 ? "|" : "") + t.qb().calls[i];
        EXPECT_EQ(calls, c.calls) << c.operation;
        ASSERT_EQ(t.prompter.shown.size(), 1u) << c.operation;
        EXPECT_EQ(t.prompter.shown[0].text, "Error in module clsZTL.SendRequest \nError # " +
                                                std::to_string(c.number) + "  \nscripted failure of " +
                                                c.operation + c.extra);
    }
}

// The request is refused, and closing the connection during the recovery fails as well.
static void failTheRecovery(TestProgram& t) {
    t.qb().failOperation = "ProcessRequest";
    t.qb().failNumber = hresult::kParseError;
    t.qb().failOperation2 = "CloseConnection";
    t.qb().failNumber2 = hresult::kCouldNotAccess;
}

TEST(Session, AFailureDuringTheRecoveryGoesToTheCaller) {
    TestProgram t;
    failTheRecovery(t);
    clsZTL z(t.program);
    try {
        z.SendRequest();
        FAIL() << "the recovery's failure must reach the caller";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, hresult::kCouldNotAccess);
    }
    EXPECT_FALSE(z.cZTLError);
    EXPECT_TRUE(t.prompter.shown.empty());

    // Through LoadQbCoa, its own report shows it and the flag is set.
    TestProgram t2;
    failTheRecovery(t2);
    clsZTL z2(t2.program);
    z2.LoadQbCoa();
    EXPECT_TRUE(z2.cZTLError);
    ASSERT_EQ(t2.prompter.shown.size(), 1u);
    EXPECT_EQ(
        t2.prompter.shown[0].text,
        "Error in module clsZTL.LoadQbCoa \nError # -2147220479  \nscripted failure of CloseConnection");
}

TEST(Session, LoadQbCoaKeepsTheDebugCopyAndAppendsTheAccounts) {
    TestProgram t;
    std::string response =
        accountResponse({"1200,Accounts Receivable,AccountsReceivable", ",Undeposited,Bank"});
    t.qb().responses = {response, response};
    clsZTL z(t.program);
    z.LoadQbCoa();
    EXPECT_FALSE(z.cZTLError);
    EXPECT_EQ(readWholeFile(t.install.path() / "xmlresult.xml"), response);
    EXPECT_EQ(t.qb().requests[0], accountQueryRequest());
    EXPECT_EQ(z.qbCoa(),
              (std::vector<std::string>{"1200,Accounts Receivable,AccountsReceivable", ",Undeposited,Bank"}));

    // A failed load leaves the debug copy empty and sets the flag.
    t.qb().failOperation = "BeginSession";
    t.qb().failNumber = hresult::kNeedCompanyFile;
    z.LoadQbCoa();
    EXPECT_TRUE(z.cZTLError);
    EXPECT_EQ(readWholeFile(t.install.path() / "xmlresult.xml"), "");
}

TEST(Responses, AccountFieldsAreTakenByNameWhateverTheirOrder) {
    TestProgram t;
    clsZTL z(t.program);
    z.GetCOAResults(
        "<QBXML><QBXMLMsgsRs><AccountQueryRs>"
        "<AccountRet><AccountNumber>1000</AccountNumber><Name>Checking</Name><AccountType>Bank</"
        "AccountType></AccountRet>"
        "<AccountRet><Name>No Number</Name><AccountType>Expense</AccountType></AccountRet>"
        "<AccountRet><Name>Reversed</Name><AccountType>Income</AccountType><AccountNumber>4000</"
        "AccountNumber></AccountRet>"
        "<AccountRet><Name>A, "
        "B</Name><AccountType>Income</AccountType><AccountNumber>4100</AccountNumber></AccountRet>"
        "<Other><AccountRet><Name>Nested elsewhere</Name></AccountRet></Other>"
        "</AccountQueryRs><AccountQueryRs/></QBXMLMsgsRs></QBXML>");
    EXPECT_EQ(z.qbCoa(), (std::vector<std::string>{"1000,Checking,Bank", ",No Number,Expense",
                                                   "4000,Reversed,Income", "4100,A, B,Income"}));
    EXPECT_TRUE(t.prompter.shown.empty());
}

std::string nested(int depth, const std::string& inner) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += "<a>";
    s += inner;
    for (int i = 0; i < depth; ++i) s += "</a>";
    return s;
}

// Answers that are not well-formed XML, each of which a lenient reader would have read.
struct Malformed {
    const char* what;
    std::string text;
};

// body nests bodyDepth elements; the root adds one more.
std::vector<Malformed> malformedAnswers(const std::string& body, int bodyDepth) {
    return {
        {"not xml at all", "not xml at all"},
        {"binary", std::string("\x00\xff\xfe<QBXML>\x01\x02", 9)},
        {"cut short", "<QBXML><AccountQueryRs><AccountRet>"},
        {"empty", ""},
        {"two top-level elements", "<QBXML>" + body + "</QBXML><QBXML/>"},
        {"nesting 100,000 deep", "<QBXML>" + nested(100000, body) + "</QBXML>"},
        {"nesting 257 deep", "<QBXML>" + nested(256 - bodyDepth, body) + "</QBXML>"},
        {"a repeated attribute", "<QBXML a=\"1\" a=\"2\">" + body + "</QBXML>"},
        {"an undefined entity", "<QBXML>&foo;" + body + "</QBXML>"},
        {"an undefined entity under an external DTD",
         "<!DOCTYPE QBXML SYSTEM \"qbxml.dtd\"><QBXML>&foo;" + body + "</QBXML>"},
        {"'<' in an attribute value", "<QBXML a=\"x<y\">" + body + "</QBXML>"},
        {"text before the root", "text<QBXML>" + body + "</QBXML>"},
        {"a reference to character 0", "<QBXML>&#0;" + body + "</QBXML>"},
        {"entity declarations",
         "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]><QBXML>&b;" +
             body + "</QBXML>"},
        {"not UTF-8", "<QBXML>Caf\xe9" + body + "</QBXML>"},
    };
}

void expectRefusedAsNotParsed(const RecordingPrompter& prompter, const char* what) {
    ASSERT_EQ(prompter.shown.size(), 1u) << what;
    EXPECT_EQ(prompter.shown[0].text.rfind("loadXML failed, reason: ", 0), 0u) << what;
    EXPECT_GT(prompter.shown[0].text.size(), std::string("loadXML failed, reason: ").size()) << what;
    EXPECT_EQ(prompter.shown[0].title, "Error") << what;
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation) << what;
}

TEST(Responses, AnAccountAnswerThatIsNotWellFormedIsRefusedAndChangesNothing) {
    const std::string body = "<AccountQueryRs><AccountRet><Name>x</Name></AccountRet></AccountQueryRs>";
    for (const auto& m : malformedAnswers(body, 3)) {
        TestProgram t;
        clsZTL z(t.program);
        z.GetCOAResults(m.text);
        EXPECT_TRUE(z.qbCoa().empty()) << m.what;
        expectRefusedAsNotParsed(t.prompter, m.what);
    }
    // The deepest nesting that is accepted, 256 levels with the root.
    TestProgram t;
    clsZTL z(t.program);
    z.GetCOAResults("<QBXML>" + nested(255 - 3, body) + "</QBXML>");
    EXPECT_EQ(z.qbCoa(), (std::vector<std::string>{",x,"}));
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST(Responses, AJournalEntryAnswerThatIsNotWellFormedIsRefusedAndChangesNothing) {
    const std::string body =
        "<JournalEntryAddRs statusCode=\"3180\" statusSeverity=\"Error\" statusMessage=\"m\"/>";
    for (const auto& m : malformedAnswers(body, 1)) {
        TestProgram t;
        ScratchDir dir("log");
        TextWriter log(dir.path() / "QBImport.log");
        t.program.importLog = &log;
        clsZTL z(t.program);
        z.GetImportResults(m.text);
        log.close();
        expectRefusedAsNotParsed(t.prompter, m.what);
        EXPECT_EQ(readWholeFile(dir.path() / "QBImport.log"), "") << m.what;
        EXPECT_EQ(z.transactionNumber, 1) << m.what;
        EXPECT_FALSE(t.program.ImportErrorFlag) << m.what;
    }
}

TEST(Responses, CharacterReferencesArriveAsSingleByteCharacters) {
    TestProgram t;
    clsZTL z(t.program);
    z.GetCOAResults(
        "<QBXML><AccountQueryRs>"
        "<AccountRet><Name>Caf&#233; &#x20AC;</Name><AccountType>Income</AccountType></AccountRet>"
        "<AccountRet><Name>M\xc3\xbcller &amp; "
        "S\xc3\xb6hne</Name><AccountType>Income</AccountType></AccountRet>"
        "</AccountQueryRs></QBXML>");
    EXPECT_EQ(z.qbCoa(), (std::vector<std::string>{",Caf\xe9 \x80,Income", ",M\xfcller & S\xf6hne,Income"}));

    ScratchDir dir("log");
    {
        TextWriter log(dir.path() / "QBImport.log");
        t.program.importLog = &log;
        z.referenceNumber = "1";
        z.GetImportResults(
            "<QBXML><JournalEntryAddRs statusCode=\"3140\" statusSeverity=\"Error\" "
            "statusMessage=\"Entity &quot;Caf&#233;&quot; not found\"/></QBXML>");
        log.close();
    }
    EXPECT_NE(readWholeFile(dir.path() / "QBImport.log")
                  .find("Return Status Message :Entity \"Caf\xe9\" not found\r\n"),
              std::string::npos);
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST(Responses, ThousandsOfAccountsAreRead) {
    std::vector<std::string> accounts;
    for (int i = 0; i < 20000; ++i)
        accounts.push_back(std::to_string(10000 + i) + ",Account " + std::to_string(i) + ",Expense");
    std::string response = accountResponse(accounts);
    ASSERT_GT(response.size(), 2u * 1024 * 1024);
    TestProgram t;
    clsZTL z(t.program);
    z.GetCOAResults(response);
    EXPECT_EQ(z.qbCoa(), accounts);
}

struct ImportAnswer {
    std::string response;
    std::vector<std::string> logLines;
    bool success;
    bool errorFlag;
};

TEST(Responses, EachJournalEntryAnswerWritesItsLogBlock) {
    const ImportAnswer cases[] = {
        {journalResponse("0", "Info", "Status OK", "1A-1196256987"),
         {"Transaction : 1    Invoice : 004711", "Import successful",
          "Response Status Code : 0       Return StatusSeverity Code : Info   Import result ID "
          ":1A-1196256987",
          "Return Status Message :Status OK", " "},
         true,
         false},
        {journalResponse("3180", "Error", "Transaction not in balance."),
         {"Transaction : 1    Invoice : 004711", "ERROR   ----------> !!! Import aborted !!! <--------- !",
          "Response Status Code : 3180       Return StatusSeverity Code : Error   Import result ID :",
          "Return Status Message :Transaction not in balance.", " "},
         false,
         true},
        {journalResponse("530", "Warning", "Something to note", "9-1"),
         {"Transaction : 1    Invoice : 004711",
          "Response Status Code : 530       Return StatusSeverity Code : Warning   Import result ID :9-1",
          "Return Status Message :Something to note", " "},
         false,
         false},
    };
    for (const auto& c : cases) {
        TestProgram t;
        ScratchDir dir("log");
        {
            TextWriter log(dir.path() / "QBImport.log");
            t.program.importLog = &log;
            clsZTL z(t.program);
            z.referenceNumber = "004711";
            z.GetImportResults(c.response);
            EXPECT_EQ(z.ImportSuccess, c.success);
            EXPECT_EQ(z.transactionNumber, 2);
            log.close();
        }
        std::string expected;
        for (const auto& l : c.logLines) expected += l + "\r\n";
        EXPECT_EQ(readWholeFile(dir.path() / "QBImport.log"), expected);
        EXPECT_EQ(t.program.ImportErrorFlag, c.errorFlag);
        EXPECT_TRUE(t.prompter.shown.empty());
    }
}

TEST(Responses, AnAnswerWithoutJournalEntryAddRsShowsItsDescriptionAlone) {
    TestProgram t;
    ScratchDir dir("log");
    TextWriter log(dir.path() / "QBImport.log");
    t.program.importLog = &log;
    clsZTL z(t.program);
    z.GetImportResults("<QBXML><QBXMLMsgsRs/></QBXML>");
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text, "Object variable or With block variable not set");
    EXPECT_EQ(t.prompter.shown[0].title, "Error");
    EXPECT_EQ(z.transactionNumber, 1) << "no block, no number used";
    z.GetImportResults("<<<");
    EXPECT_EQ(t.prompter.shown[1].text.rfind("loadXML failed, reason: ", 0), 0u);
}
