// Deleting a journal entry and reading the closing date: qbXML 1.1 requests, refused under
// a 1.0 prolog as QuickBooks refuses them; and an entry changed as an operator changes it.
#include <gtest/gtest.h>

#include "qbsim/qbxml.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
using qbsim_test::journalEntryRequest;
using qbsim_test::SampleCompany;

namespace {

const std::string kDoctype10 = "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n";
const std::string kDoctype11 = "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.1//EN'>\r\n";
const std::string kPi10 = "<?qbxml version=\"1.0\"?>\r\n";
const std::string kPi11 = "<?qbxml version=\"1.1\"?>\r\n";

std::string message(const std::string& prolog, const std::string& body) {
    return "<?xml version=\"1.0\" ?>\r\n" + prolog + "<QBXML>\r\n<QBXMLMsgsRq onError=\"stopOnError\">\r\n" +
           body + "</QBXMLMsgsRq>\r\n</QBXML>\r\n";
}

std::string txnDel(const std::string& txnId, const std::string& type = "JournalEntry") {
    return "<TxnDelRq requestID=\"1\"><TxnDelType>" + type + "</TxnDelType><TxnID>" + txnId +
           "</TxnID></TxnDelRq>\r\n";
}

const std::string kPreferences = "<PreferencesQueryRq requestID=\"1\"/>\r\n";

std::int64_t balanceOf(Company& c, const std::string& name) {
    return c.findAccount(name)->balanceCents;
}

// A fixed clock: an edit within the same second as the posting must still be later.
CompanyOptions fixedClock() {
    CompanyOptions o;
    o.now = [] { return std::time_t{1764936000}; };
    return o;
}

std::string post(Company& c, const std::string& ref, const std::string& date,
                 const std::string& amount = "0000010.00") {
    Answer a(answerRequest(c, journalEntryRequest(ref, date, {{"1000", amount}, {"4000", "-" + amount}})));
    EXPECT_EQ(a.code, "0") << a.message;
    return a.rs.child("JournalEntryRet").child_value("TxnID");
}

}  // namespace

TEST(QbxmlVersions, EachRequestIsCheckedAgainstTheVersionItsPrologDeclares) {
    struct Case {
        const char* why;
        std::string prolog, body;
        bool parses;
    } cases[] = {
        {"delete under the 1.0 DOCTYPE", kDoctype10, txnDel("1-1"), false},
        {"delete under the 1.0 marker", kPi10, txnDel("1-1"), false},
        {"preferences under the 1.0 DOCTYPE", kDoctype10, kPreferences, false},
        {"delete under the 1.1 DOCTYPE", kDoctype11, txnDel("1-1"), true},
        {"delete under the 1.1 marker", kPi11, txnDel("1-1"), true},
        {"preferences under the 1.1 marker", kPi11, kPreferences, true},
        {"a 1.0 request under 1.1", kDoctype11, "<AccountQueryRq requestID=\"1\"></AccountQueryRq>\r\n",
         true},
        {"two versions in one prolog", kPi11 + kDoctype10, txnDel("1-1"), false},
        {"a version this company does not know", "<?qbxml version=\"1.2\"?>\r\n", txnDel("1-1"), false},
        {"a delete without its type", kPi11, "<TxnDelRq><TxnID>1-1</TxnID></TxnDelRq>", false},
        {"a type qbXML does not have", kPi11, txnDel("1-1", "Journalentry"), false},
        {"preferences with a filter", kPi11,
         "<PreferencesQueryRq><MaxReturned>1</MaxReturned></PreferencesQueryRq>", false},
    };
    for (const auto& c : cases) {
        SampleCompany s;
        post(s.company, "A1", "2026-12-05");
        const std::string text = message(c.prolog, c.body);
        if (c.parses) {
            EXPECT_NO_THROW(answerRequest(s.company, text)) << c.why;
        } else {
            EXPECT_THROW(answerRequest(s.company, text), RequestParseError) << c.why;
            EXPECT_EQ(s.company.journal().size(), 1u) << c.why << ": a refused request removes nothing";
        }
    }
}

TEST(TxnDel, RemovesTheEntryAndItsBalancesAndNothingElse) {
    SampleCompany s;
    const std::int64_t checking = balanceOf(s.company, "Checking");
    const std::string kept = post(s.company, "A1", "2026-12-05", "0000003.00");
    const std::string gone = post(s.company, "A2", "2026-12-05", "0000010.00");
    ASSERT_EQ(balanceOf(s.company, "Checking"), checking + 1300);

    Answer a(answerRequest(s.company, message(kDoctype11, txnDel(gone))));
    EXPECT_EQ(a.code, "0");
    EXPECT_EQ(std::string(a.rs.name()), "TxnDelRs");
    EXPECT_EQ(std::string(a.rs.child_value("TxnDelType")), "JournalEntry");
    EXPECT_EQ(std::string(a.rs.child_value("TxnID")), gone);
    EXPECT_EQ(std::string(a.rs.child_value("RefNumber")), "A2");
    EXPECT_FALSE(std::string(a.rs.child_value("TimeDeleted")).empty());
    EXPECT_EQ(balanceOf(s.company, "Checking"), checking + 300);
    EXPECT_EQ(balanceOf(s.company, "Merchandise Sales"), 300);
    ASSERT_EQ(s.company.journal().size(), 1u);
    EXPECT_EQ(s.company.journal()[0].txnId, kept);

    // Deleted once is deleted: the second delete finds nothing and changes nothing.
    Answer again(answerRequest(s.company, message(kPi11, txnDel(gone))));
    EXPECT_EQ(again.code, "3120");
    EXPECT_EQ(again.severity, "Error");
    EXPECT_NE(again.message.find("\"" + gone + "\" specified in the request cannot be found"),
              std::string::npos);
    EXPECT_EQ(balanceOf(s.company, "Checking"), checking + 300);
    // The company holds no invoices: another type finds nothing under a journal entry's TxnID.
    EXPECT_EQ(Answer(answerRequest(s.company, message(kPi11, txnDel(kept, "Invoice")))).code, "3120");
    EXPECT_EQ(s.company.journal().size(), 1u);
}

TEST(TxnDel, AnEntryOnOrBeforeTheClosingDateStays) {
    SampleCompany s;
    const std::string before = post(s.company, "A1", "2026-11-29");
    const std::string onIt = post(s.company, "A2", "2026-11-30");
    const std::string after = post(s.company, "A3", "2026-12-01");

    Answer none(answerRequest(s.company, message(kPi11, kPreferences)));
    EXPECT_EQ(none.code, "0");
    EXPECT_TRUE(none.rs.child("PreferencesRet").child("AccountingPreferences"));
    EXPECT_FALSE(none.rs.child("PreferencesRet").child("AccountingPreferences").child("ClosingDate"));

    s.company.setClosingDate("2026-11-30");
    Answer set(answerRequest(s.company, message(kDoctype11, kPreferences)));
    EXPECT_EQ(
        std::string(set.rs.child("PreferencesRet").child("AccountingPreferences").child_value("ClosingDate")),
        "2026-11-30");

    for (const auto& id : {before, onIt}) {
        Answer a(answerRequest(s.company, message(kPi11, txnDel(id))));
        EXPECT_EQ(a.code, "3161") << id;
        EXPECT_NE(a.message.find("closing date 2026-11-30"), std::string::npos) << a.message;
    }
    EXPECT_EQ(Answer(answerRequest(s.company, message(kPi11, txnDel(after)))).code, "0");
    EXPECT_EQ(s.company.journal().size(), 2u);

    s.company.setClosingDate("");
    EXPECT_FALSE(s.company.closingDate());
    EXPECT_EQ(Answer(answerRequest(s.company, message(kPi11, txnDel(onIt)))).code, "0");
    EXPECT_THROW(s.company.setClosingDate("2026-02-30"), CompanyError);
}

TEST(ChangedEntry, AmountsFollowIntoTheBalancesAndTheEntryIsLaterThanItsPosting) {
    SampleCompany s(fixedClock());
    const std::string id = post(s.company, "A1", "2026-12-05", "0000010.00");
    const JournalEntry posted = *s.company.findEntry(id);

    JournalEntry changed = s.company.changeLineAmounts(id, {{0, 1250}, {1, 1250}});
    EXPECT_GT(changed.timeModified, posted.timeCreated) << "the same second as the posting";
    EXPECT_NE(changed.editSequence, posted.editSequence);
    EXPECT_EQ(balanceOf(s.company, "Checking"), 1250);
    EXPECT_EQ(s.company.findEntry(id)->lines[1].amountCents, 1250);
    EXPECT_EQ(s.company.findEntry(id)->timeModified, changed.timeModified);

    EXPECT_THROW(s.company.changeLineAmounts(id, {{0, 999}}), CompanyError) << "out of balance";
    EXPECT_THROW(s.company.changeLineAmounts(id, {{5, 1}}), CompanyError) << "no such line";
    EXPECT_THROW(s.company.changeLineAmounts("9-9", {{0, 1}}), CompanyError);
    EXPECT_EQ(balanceOf(s.company, "Checking"), 1250) << "a refused change changes nothing";

    // A query shows the change: TimeModified is no longer TimeCreated.
    Answer q(answerRequest(s.company, message(kDoctype10, "<JournalEntryQueryRq><TxnID>" + id +
                                                              "</TxnID></JournalEntryQueryRq>")));
    auto ret = q.rs.child("JournalEntryRet");
    EXPECT_STRNE(ret.child_value("TimeCreated"), ret.child_value("TimeModified"));
}
