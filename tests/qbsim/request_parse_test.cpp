// Requests that do not parse or break the message schema: refused as a whole, nothing
// stored. Hostile texts (entity tricks, deep nesting, binary junk) land here too.
#include <gtest/gtest.h>

#include <random>

#include "qbsim/qbxml.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
using qbsim_test::journalEntryRequest;
using qbsim_test::kProlog;
using qbsim_test::SampleCompany;

namespace {

const std::string kGood =
    journalEntryRequest("1", "2006-12-05", {{"1000", "0000010.00"}, {"4000", "-0000010.00"}});

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    auto p = s.find(from);
    EXPECT_NE(p, std::string::npos) << from;
    if (p != std::string::npos) s.replace(p, from.size(), to);
    return s;
}

// kGood with its QBXML element replaced.
std::string withBody(const std::string& body) {
    return std::string(kProlog) + body;
}

std::string withoutProlog(const std::string& r) {
    return r.substr(r.find("<QBXML>"));
}

struct ParseCase {
    const char* why;
    std::string text;
};

}  // namespace

TEST(RequestParsing, TheEnginesTextIsAcceptedUnderEitherProlog) {
    SampleCompany s;
    EXPECT_EQ(Answer(answerRequest(s.company, kGood)).code, "0");
    const std::string pi = "<?xml version=\"1.0\" ?>\r\n<?qbxml version=\"1.0\"?>\r\n" + withoutProlog(kGood);
    EXPECT_EQ(Answer(answerRequest(s.company, pi)).code, "0");
    const std::string piOnly = "<?qbxml version=\"1.0\"?>\n" + withoutProlog(kGood);
    EXPECT_EQ(Answer(answerRequest(s.company, piOnly)).code, "0");
    const std::string bom = "\xEF\xBB\xBF" + kGood;
    EXPECT_EQ(Answer(answerRequest(s.company, bom)).code, "0");
    EXPECT_EQ(s.company.journal().size(), 4u);
}

// Intuit's own samples give the DOCTYPE a system literal; QuickBooks takes them, never
// fetching what the literal names.
TEST(RequestParsing, TheDoctypeMayNameASystemLiteralAsIntuitsSamplesDo) {
    SampleCompany s;
    const std::string body = withoutProlog(kGood);
    for (const char* prolog :
         {"<?xml version=\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN' "
          "'http://developer.intuit.com'>\r\n",
          "<!DOCTYPE QBXML PUBLIC \"-//INTUIT//DTD QBXML QBD 1.0//EN\"  \"http://developer.intuit.com\">\n",
          "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.1//EN' \"it's anywhere\">\n"})
        EXPECT_EQ(Answer(answerRequest(s.company, prolog + body)).code, "0") << prolog;
    EXPECT_EQ(s.company.journal().size(), 3u);

    for (const char* prolog :
         {"<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN' http://developer.intuit.com>\n",
          "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN' 'http://developer.intuit.com\">\n",
          "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN' 'a' 'b'>\n",
          "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN''http://developer.intuit.com'>\n",
          "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN\" 'http://developer.intuit.com'>\n",
          "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 2.0//EN' 'http://developer.intuit.com'>\n",
          "<!DOCTYPE QBXML SYSTEM 'http://developer.intuit.com'>\n"})
        EXPECT_THROW(answerRequest(s.company, prolog + body), RequestParseError) << prolog;
    EXPECT_EQ(s.company.journal().size(), 3u) << "nothing stored from a refused request";
}

TEST(RequestParsing, ReferencesAndCdataAreDecodedBeforeLookup) {
    SampleCompany s;
    s.company.addAccount({"7100", "R&D <Lab>", "Expense", ""});
    auto r =
        journalEntryRequest("1", "2006-12-05", {{"R&amp;D &lt;Lab&gt;", "1.00"}, {"&#x43;hecking", "-1.00"}});
    EXPECT_EQ(Answer(answerRequest(s.company, r)).code, "0");
    auto cdata = journalEntryRequest("2", "2006-12-05",
                                     {{"<![CDATA[R&D <Lab>]]>", "1.00"}, {"&#67;hecking", "-1.00"}});
    EXPECT_EQ(Answer(answerRequest(s.company, cdata)).code, "0");
    EXPECT_EQ(s.company.findAccount("7100")->balanceCents, 200);
}

TEST(RequestParsing, MalformedOrOutOfSchemaRequestsAreRefusedWhole) {
    std::string deep = "<QBXML><QBXMLMsgsRq onError=\"stopOnError\">";
    for (int i = 0; i < 200000; ++i) deep += "<a>";
    std::string deepClosed = deep;
    for (int i = 0; i < 200000; ++i) deepClosed += "</a>";
    deepClosed += "</QBXMLMsgsRq></QBXML>";

    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE QBXML [\n<!ENTITY lol \"lol\">\n";
    laughs += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
    for (int i = 2; i < 10; ++i)
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"" + [&] {
            std::string x;
            for (int k = 0; k < 10; ++k) x += "&lol" + std::to_string(i - 1) + ";";
            return x;
        }() + "\">\n";
    laughs += "]>\n" + replaced(withoutProlog(kGood), " 1000</FullName>", "&lol9;</FullName>");

    const std::string external =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE QBXML [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n" +
        replaced(withoutProlog(kGood), " 1000</FullName>", "&x;</FullName>");

    const ParseCase cases[] = {
        {"empty text", ""},
        {"not XML", "hello"},
        {"truncated", kGood.substr(0, kGood.size() / 2)},
        {"binary junk", std::string("\x00\x01\x02\xff\xfe\x80QBXML", 12)},
        {"a NUL inside a name", replaced(kGood, " 1000<",
                                         std::string(" 10\0"
                                                     "00<",
                                                     7))},
        {"a control byte inside a name", replaced(kGood, " 1000<",
                                                  " 10\x1b"
                                                  "00<")},
        {"no version: neither DOCTYPE nor qbxml marker", "<?xml version=\"1.0\"?>\n" + withoutProlog(kGood)},
        {"qbXML version other than 1.0", "<?qbxml version=\"2.0\"?>\n" + withoutProlog(kGood)},
        {"DOCTYPE of another message set",
         "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 2.0//EN'>\n" + withoutProlog(kGood)},
        {"internal subset with entity definitions (exponential expansion)", laughs},
        {"external entity", external},
        {"undeclared entity", replaced(kGood, " 1000</FullName>", "&x;</FullName>")},
        {"bare ampersand in a name", replaced(kGood, " 1000</FullName>", "Meals & Entertainment</FullName>")},
        {"character reference to a control character",
         replaced(kGood, " 1000</FullName>", "&#1;</FullName>")},
        {"character reference beyond Unicode", replaced(kGood, " 1000</FullName>", "&#x110000;</FullName>")},
        {"DOCTYPE after the root", kGood + "<!DOCTYPE QBXML [<!ENTITY a \"b\">]>"},
        {"deep nesting, unclosed", deep},
        {"deep nesting, closed", deepClosed},
        {"second root element", kGood + "<QBXML/>"},
        {"text after the root", kGood + "junk"},
        {"wrong root",
         withBody("<QBXMLX><QBXMLMsgsRq onError=\"stopOnError\"><AccountQueryRq/></QBXMLMsgsRq></QBXMLX>")},
        {"no onError", replaced(kGood, " onError=\"stopOnError\"", "")},
        {"onError not of qbXML 1.0", replaced(kGood, "stopOnError", "rollbackOnError")},
        {"no request", withBody("<QBXML><QBXMLMsgsRq onError=\"stopOnError\"></QBXMLMsgsRq></QBXML>")},
        {"request this company does not answer",
         withBody("<QBXML><QBXMLMsgsRq onError=\"stopOnError\"><InvoiceQueryRq/></QBXMLMsgsRq></QBXML>")},
        {"account query with a filter",
         withBody("<QBXML><QBXMLMsgsRq onError=\"stopOnError\"><AccountQueryRq><MaxReturned>1</MaxReturned>"
                  "</AccountQueryRq></QBXMLMsgsRq></QBXML>")},
        {"RefNumber before TxnDate",
         replaced(replaced(kGood, "<TxnDate>2006-12-05</TxnDate>", "<RefNumber>1</RefNumber>"),
                  "<RefNumber>1</RefNumber>\r\n                <Memo>",
                  "<TxnDate>2006-12-05</TxnDate>\r\n<Memo>")},
        {"two TxnDates", replaced(kGood, "<RefNumber>", "<TxnDate>2006-12-06</TxnDate><RefNumber>")},
        {"entry memo after a line",
         replaced(kGood, "            </JournalEntryAdd>", "<Memo>late</Memo></JournalEntryAdd>")},
        {"debit line after a credit line",
         replaced(kGood, "            </JournalEntryAdd>",
                  "<JournalDebitLine><AccountRef><FullName>1000</FullName></AccountRef></JournalDebitLine>"
                  "</JournalEntryAdd>")},
        {"Amount before AccountRef", replaced(replaced(kGood, "<Amount>0000010.00</Amount>", ""),
                                              "<AccountRef>", "<Amount>0000010.00</Amount><AccountRef>")},
        {"EntityRef before Memo",
         replaced(kGood, "<Memo> Korvane Import </Memo>\r\n                    </JournalDebitLine>",
                  "<EntityRef><FullName>Walk-in "
                  "Customer</FullName></EntityRef><Memo>x</Memo></JournalDebitLine>")},
        {"line without AccountRef",
         replaced(kGood, "            </JournalEntryAdd>",
                  "<JournalCreditLine><Amount>1.00</Amount></JournalCreditLine></JournalEntryAdd>")},
        {"unknown element in a line",
         replaced(kGood, "<Amount>0000010.00</Amount>", "<Amount>0000010.00</Amount><Class/>")},
        {"FullName before ListID in a reference",
         replaced(kGood, " 1000</FullName>", " 1000</FullName><ListID>80000001-1</ListID>")},
        {"element inside a text field",
         replaced(kGood, "<TxnDate>2006-12-05</TxnDate>", "<TxnDate><b/>2006-12-05</TxnDate>")},
        {"text between elements", replaced(kGood, "<TxnDate>", "stray<TxnDate>")},
        {"JournalEntryAddRq without JournalEntryAdd",
         withBody("<QBXML><QBXMLMsgsRq onError=\"stopOnError\"><JournalEntryAddRq/></QBXMLMsgsRq></QBXML>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        SampleCompany s;
        EXPECT_THROW(answerRequest(s.company, c.text), RequestParseError);
        EXPECT_TRUE(s.company.journal().empty());
    }
}

TEST(RequestParsing, RandomJunkNeverGetsPastTheParser) {
    SampleCompany s;
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        // Damage the good request: flip some bytes, truncate, or splice random bytes in.
        std::string t = kGood;
        std::uniform_int_distribution<std::size_t> pos(0, t.size() - 1);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int k = 0; k < 1 + round % 5; ++k) t[pos(rng)] = static_cast<char>(byte(rng));
        if (round % 3 == 0) t.resize(pos(rng));
        try {
            std::string response = answerRequest(s.company, t);
            Answer a(response);  // whatever got through was answered with a well-formed response
            EXPECT_FALSE(a.code.empty());
        } catch (const RequestParseError&) {
        }
    }
    // Only an entry that stayed a complete, balanced request could have been stored.
    for (const auto& e : s.company.journal()) {
        std::int64_t d = 0, c = 0;
        for (const auto& l : e.lines) (l.debit ? d : c) += l.amountCents;
        EXPECT_EQ(d, c);
    }
}
