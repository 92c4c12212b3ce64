#include <gtest/gtest.h>

#include <string>

#include "qbxml/answer_error.h"
#include "qbxml/journal_entry_answer.h"
#include "qbxml/name_answer.h"
#include "qbxml/undo_answers.h"

using namespace ztl;

namespace {

std::string answer(const std::string& results) {
    return "<?xml version=\"1.0\" ?>\n<QBXML>\n<QBXMLMsgsRs>\n" + results + "</QBXMLMsgsRs>\n</QBXML>\n";
}

// The number and words an answer reader's refusal carries; fails when it throws nothing.
template <class Read>
std::pair<long, std::string> refusalOf(Read read) {
    try {
        read();
    } catch (const qbxml::AnswerError& e) {
        return {e.number, e.description};
    }
    ADD_FAILURE() << "the answer was read";
    return {};
}

}  // namespace

TEST(JournalEntryAnswer, EntriesAndTheirLinesComeOutAsQuickBooksWroteThem) {
    auto a = readJournalEntryQuery(answer(
        "<JournalEntryQueryRs requestID=\"1\" statusCode=\"0\" statusSeverity=\"Info\" "
        "statusMessage=\"Status OK\">\n"
        "<JournalEntryRet><TxnID>1-1196256987</TxnID><TimeCreated>2007-11-28T08:16:27-08:00</TimeCreated>"
        "<TimeModified>2007-11-28T08:16:27-08:00</TimeModified><EditSequence>1196256987</EditSequence>"
        "<TxnNumber>7</TxnNumber><TxnDate>2006-12-05</TxnDate><RefNumber>004711</RefNumber>"
        "<JournalDebitLine><TxnLineID>0</TxnLineID><AccountRef><ListID>80000001-1</ListID>"
        "<FullName>Checking</FullName></AccountRef><Amount>107.00</Amount><Memo> Korvane Import </Memo>"
        "<EntityRef><ListID>8-1</ListID><FullName>Smith &amp; Sons</FullName></EntityRef></JournalDebitLine>"
        "<JournalCreditLine><AccountRef><FullName>Sales</FullName></AccountRef><Amount>-100.5</Amount>"
        "</JournalCreditLine>"
        "<JournalCreditLine><AccountRef><FullName>Tax</FullName></AccountRef><Amount>6.5x</Amount>"
        "</JournalCreditLine></JournalEntryRet>\n"
        "<JournalEntryRet><TxnID>2-1</TxnID></JournalEntryRet>\n"
        "</JournalEntryQueryRs>\n"));
    EXPECT_TRUE(a.answered());
    ASSERT_EQ(a.entries.size(), 2u);
    const PostedEntry& e = a.entries[0];
    EXPECT_EQ(e.txnId, "1-1196256987");
    EXPECT_EQ(e.txnNumber, "7");
    EXPECT_EQ(e.txnDate, "2006-12-05");
    EXPECT_EQ(e.refNumber, "004711");
    EXPECT_EQ(e.editSequence, "1196256987");
    ASSERT_EQ(e.lines.size(), 3u);
    EXPECT_TRUE(e.lines[0].debit);
    EXPECT_EQ(e.lines[0].accountListId, "80000001-1");
    EXPECT_EQ(e.lines[0].account, "Checking");
    EXPECT_EQ(e.lines[0].cents, 10700);
    EXPECT_EQ(e.lines[0].memo, " Korvane Import ");
    EXPECT_EQ(e.lines[0].entity, "Smith & Sons");
    EXPECT_FALSE(e.lines[1].debit);
    EXPECT_EQ(e.lines[1].cents, 10050) << "the side is the element's; one decimal is read";
    EXPECT_EQ(e.lines[1].entity, "");
    EXPECT_EQ(e.lines[2].cents, -1) << "an amount that cannot be read matches nothing";
    EXPECT_TRUE(a.entries[1].lines.empty());
}

TEST(JournalEntryAnswer, NothingMatchedIsAnAnswerAndAnythingElseIsARefusalOrNoAnswer) {
    auto none =
        readJournalEntryQuery(answer("<JournalEntryQueryRs requestID=\"1\" statusCode=\"1\" "
                                     "statusSeverity=\"Info\" statusMessage=\"none\"/>\n"));
    EXPECT_TRUE(none.answered());
    EXPECT_TRUE(none.entries.empty());
    auto refused =
        readJournalEntryQuery(answer("<JournalEntryQueryRs statusCode=\"3020\" statusSeverity=\"Error\" "
                                     "statusMessage=\"bad\"/>\n"));
    EXPECT_FALSE(refused.answered());
    EXPECT_EQ(refused.statusMessage, "bad");
    // The numbers an error trap shows for an answer that is no answer.
    EXPECT_EQ(refusalOf([] { readJournalEntryQuery("<QBXML><a></b></QBXML>"); }).first, 13);
    EXPECT_EQ(refusalOf([] { readJournalEntryQuery(answer("<AccountQueryRs statusCode=\"0\"/>\n")); }),
              (std::pair<long, std::string>{91, "QuickBooks' answer holds no journal entry query result"}));
}

TEST(NameAnswer, CustomersAndVendorsAreToldApartAndAMissingNameIsNoRefusal) {
    NameList names = readEntityQuery(answer(
        "<CustomerQueryRs requestID=\"1\" statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"OK\">"
        "<CustomerRet><Name>Walk-in</Name><FullName>Walk-in "
        "Customer</FullName></CustomerRet></CustomerQueryRs>\n"
        "<CustomerQueryRs requestID=\"2\" statusCode=\"500\" statusSeverity=\"Warn\" "
        "statusMessage=\"missing\"/>\n"
        "<VendorQueryRs requestID=\"3\" statusCode=\"1\" statusSeverity=\"Info\" statusMessage=\"none\"/>\n"
        "<VendorQueryRs requestID=\"4\" statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"OK\">"
        "<VendorRet><Name>State Tax Agency</Name></VendorRet></VendorQueryRs>\n"));
    ASSERT_EQ(names.names().size(), 2u);
    ASSERT_NE(names.find(" walk-in CUSTOMER"), nullptr);
    EXPECT_EQ(names.find("walk-in customer")->kind, NameKind::Customer);
    ASSERT_NE(names.find("State Tax Agency"), nullptr)
        << "a vendor has no FullName: its Name is its full name";
    EXPECT_EQ(names.find("State Tax Agency")->kind, NameKind::Vendor);
    EXPECT_EQ(names.find("Walk-in"), nullptr);

    auto refused = refusalOf([] {
        readEntityQuery(
            answer("<VendorQueryRs statusCode=\"3200\" statusSeverity=\"Error\" "
                   "statusMessage=\"Caf&#233;\"/>\n"));
    });
    EXPECT_EQ(refused.second,
              "QuickBooks refused the question about its customers and vendors: status 3200 (Error): Caf\xE9")
        << "the operator reads single-byte text";
    EXPECT_EQ(refusalOf([] { readEntityQuery(answer("<AccountQueryRs statusCode=\"0\"/>\n")); }).second,
              "QuickBooks' answer holds no customer or vendor query result.");
    EXPECT_NE(refusalOf([] { readEntityQuery("<QBXML>"); }).second.find("not well-formed"),
              std::string::npos);
}

TEST(UndoAnswers, TheClosingDateAndTheDeleteAreReadOrRefused) {
    EXPECT_EQ(closingDateOf(
                  answer("<PreferencesQueryRs statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"OK\">"
                         "<PreferencesRet><AccountingPreferences><ClosingDate> 2006-12-31 </ClosingDate>"
                         "</AccountingPreferences></PreferencesRet></PreferencesQueryRs>\n")),
              "2006-12-31");
    EXPECT_EQ(closingDateOf(
                  answer("<PreferencesQueryRs statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"OK\">"
                         "<PreferencesRet><AccountingPreferences/></PreferencesRet></PreferencesQueryRs>\n")),
              "")
        << "no closing date";
    EXPECT_EQ(refusalOf([] {
                  closingDateOf(
                      answer("<PreferencesQueryRs statusCode=\"3250\" statusSeverity=\"Error\" "
                             "statusMessage=\"not enabled\"/>\n"));
              }).second,
              "QuickBooks refused to tell its preferences: status 3250 (Error): not enabled");

    DeleteAnswer removed = readDeleteAnswer(answer(
        "<TxnDelRs statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"Status OK\"><TxnID>1-1</TxnID>"
        "</TxnDelRs>\n"));
    EXPECT_TRUE(removed.removed());
    DeleteAnswer kept =
        readDeleteAnswer(answer("<TxnDelRs statusCode=\"3120\" statusSeverity=\"Error\" "
                                "statusMessage=\"Object &quot;1-1&quot;\"/>\n"));
    EXPECT_FALSE(kept.removed());
    EXPECT_EQ(kept.statusMessage, "Object \"1-1\"");
    EXPECT_EQ(refusalOf([] { readDeleteAnswer(answer("<JournalEntryQueryRs statusCode=\"0\"/>\n")); }).second,
              "QuickBooks' answer holds no TxnDelRs");
}

TEST(AnswerError, IsTheVbErrorAnErrorTrapReports) {
    try {
        readDeleteAnswer("not XML");
        FAIL() << "read";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, vb::kObjectErrorBase + 1);
        EXPECT_NE(std::string(e.what()).find("not well-formed XML"), std::string::npos);
    }
}
