// Customer and vendor queries: which records come back, and the status QuickBooks gives a
// name it does not hold.
#include <gtest/gtest.h>

#include "qbsim/qbxml.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
using qbsim_test::SampleCompany;

namespace {

std::string query(const std::string& body) {
    return std::string(qbsim_test::kProlog) + "<QBXML><QBXMLMsgsRq onError=\"continueOnError\">" + body +
           "</QBXMLMsgsRq></QBXML>";
}

std::vector<std::string> names(pugi::xml_node rs) {
    std::vector<std::string> out;
    for (auto ret : rs.children()) {
        std::string n = ret.child("Name").text().get();
        if (ret.child("FullName")) n += "|" + std::string(ret.child("FullName").text().get());
        out.push_back(n);
    }
    return out;
}

TEST(NameQuery, RecordsAndStatusAsQuickBooksAnswers) {
    SampleCompany s;
    struct Case {
        const char* what;
        std::string body;
        std::string code, severity;
        std::vector<std::string> records;  // Name|FullName; vendors carry no FullName
    };
    const char* warnMissing = "500";
    // clang-format off
    const Case cases[] = {
        {"a customer by full name, case and blanks ignored",
         "<CustomerQueryRq requestID=\"7\"><FullName> walk-in CUSTOMER </FullName></CustomerQueryRq>",
         "0", "Info", {"Walk-in Customer|Walk-in Customer"}},
        {"a vendor by full name", "<VendorQueryRq><FullName>Main Supplier</FullName></VendorQueryRq>",
         "0", "Info", {"Main Supplier"}},
        {"a vendor's name asked as a customer",
         "<CustomerQueryRq><FullName>Main Supplier</FullName></CustomerQueryRq>", warnMissing, "Warn", {}},
        {"two names, one missing: the found one still comes back",
         "<CustomerQueryRq><FullName>Nobody</FullName><FullName>House Account</FullName></CustomerQueryRq>",
         warnMissing, "Warn", {"House Account|House Account"}},
        {"a name filter", "<VendorQueryRq><NameFilter><MatchCriterion>Contains</MatchCriterion><Name>TAX</Name>"
                          "</NameFilter></VendorQueryRq>", "0", "Info", {"State Tax Agency"}},
        {"a filter nothing passes", "<CustomerQueryRq><MaxReturned>5</MaxReturned><NameRangeFilter>"
                                    "<FromName>x</FromName></NameRangeFilter></CustomerQueryRq>", "1", "Info", {}},
        {"every customer", "<CustomerQueryRq></CustomerQueryRq>", "0", "Info",
         {"House Account|House Account", "Walk-in Customer|Walk-in Customer"}},
        {"MaxReturned not a number", "<VendorQueryRq><MaxReturned>a</MaxReturned></VendorQueryRq>", "3020", "Error", {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Answer a(answerRequest(s.company, query(c.body)));
        EXPECT_EQ(a.code, c.code) << a.message;
        EXPECT_EQ(a.severity, c.severity);
        EXPECT_EQ(names(a.rs), c.records);
    }
    Answer missing(
        answerRequest(s.company, query("<CustomerQueryRq><FullName>Nobody</FullName></CustomerQueryRq>")));
    EXPECT_EQ(missing.message,
              "The query request has not been fully completed. There was a required element (\"Nobody\") "
              "that could "
              "not be found in QuickBooks.");
}

TEST(NameQuery, OutOfSchemaQueriesAreParseErrors) {
    SampleCompany s;
    for (const char* body : {
             "<CustomerQueryRq><FullName>a</FullName><MaxReturned>1</MaxReturned></CustomerQueryRq>",
             "<VendorQueryRq><ListID>1</ListID><FullName>a</FullName></VendorQueryRq>",
             "<CustomerQueryRq><TotalBalanceFilter/></CustomerQueryRq>",
             "<VendorQueryRq><ActiveStatus>Sometimes</ActiveStatus></VendorQueryRq>",
             "<CustomerQueryRq><NameFilter><Name>a</Name></NameFilter></CustomerQueryRq>",
         }) {
        SCOPED_TRACE(body);
        EXPECT_THROW(answerRequest(s.company, query(body)), RequestParseError);
    }
}

}  // namespace
