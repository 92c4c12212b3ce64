// What the main window marks: after a run, the count line and the marks that stay on the
// transactions the run did not get into QuickBooks, found on the grid rows of their blocks;
// before it, the check's warnings beside what it foresees refused.
#include "ui/logic/check_marks.h"
#include "ui/logic/run_marks.h"

#include <gtest/gtest.h>

using namespace ztl;
using Outcome = TransactionRecord::Outcome;

namespace {

// Table rows: Q 0, H 1 (D 2, 3), TRT 4, Q 5, H 6 (no lines), TRT 7, Q 8, H 9 (D 10, 11),
// H 12 (D 13), H 14 (D 15), T 16.
const std::string kDay =
    "Q 0003 DEMO\r\n"
    "H  004711   12/05/26\r\n"
    "D 1000          125.40\r\n"
    "D 4000            0.00      -125.40\r\n"
    "TRT    2\r\n"
    "Q 0003 DEMO\r\n"
    "H  004712   12/03/26\r\n"
    "TRT    0\r\n"
    "Q 0003 DEMO\r\n"
    "H  004713   13/45/26\r\n"
    "D 1200           10.00\r\n"
    "D 4100            0.00       -10.00\r\n"
    "H  004714   12/01/26\r\n"
    "D 1000            5.00\r\n"
    "H  004715   12/01/26\r\n"
    "D 1000            1.00\r\n"
    "T      2.5\r\n";

TransactionRecord record(Outcome outcome, const char* ref) {
    TransactionRecord t;
    t.outcome = outcome;
    t.referenceNumber = ref;
    return t;
}

// The rows carrying a mark, each with its text as the panel builds it.
std::vector<std::pair<int, std::string>> marked(const ui::CheckMarks& marks) {
    std::vector<std::pair<int, std::string>> out;
    for (const auto& r : marks.rows)
        out.push_back({r.row, (r.first ? "H " : "D ") + r.refNumber + " " + r.verdict + ": " + r.reason});
    return out;
}

}  // namespace

TEST(RunMarks, StayOnRefusedUnansweredAndUnsentTransactionsWithTheirReasons) {
    RunRecord run;
    TransactionRecord refused = record(Outcome::Refused, "004711");
    refused.statusCode = "3140";
    refused.statusMessage = "There is an invalid reference to QuickBooks Account \"6400\".";
    TransactionRecord unsent = record(Outcome::NotSent, "004713");
    unsent.reason = "its date cannot be converted";
    TransactionRecord lost = record(Outcome::NoAnswer, "004714");
    run.transactions = {refused, unsent, lost, record(Outcome::Posted, "004715")};

    const ui::CheckMarks marks = ui::runMarks(run, StoreDay::fromBytes(kDay));
    EXPECT_EQ(marks.countLine,
              "1 posted, 1 refused (004711), 1 sent without an answer (004714), 1 not sent (004713): see the marks");
    const std::string why711 =
        "004711 was refused by QuickBooks: There is an invalid reference to QuickBooks Account \"6400\". "
        "(status code 3140)";
    const std::string why713 = "004713 was not sent: its date cannot be converted";
    const std::string why714 = "004714 was sent and no answer came: it may be in QuickBooks";
    EXPECT_EQ(marked(marks), (std::vector<std::pair<int, std::string>>{{1, "H " + why711},
                                                                       {2, "D " + why711},
                                                                       {3, "D " + why711},
                                                                       {9, "H " + why713},
                                                                       {10, "D " + why713},
                                                                       {11, "D " + why713},
                                                                       {12, "H " + why714},
                                                                       {13, "D " + why714}}));
}

TEST(RunMarks, MarkNothingInQuickBooksNorWhatTheFileNoLongerHolds) {
    RunRecord run;
    TransactionRecord lost = record(Outcome::NoAnswer, "004711");
    lost.reason = "the Web Connector's PC went to sleep";
    run.transactions = {lost, record(Outcome::AlreadyThere, "004713"), record(Outcome::NotSent, "004714"),
                        record(Outcome::Posted, "004715")};
    ui::CheckMarks marks = ui::runMarks(run, StoreDay::fromBytes(kDay));
    // A transaction the run never came to has no reason to show: the count line names it.
    EXPECT_EQ(marks.countLine,
              "1 posted, 1 already in QuickBooks, 1 sent without an answer (004711), 1 not sent (004714): see "
              "the marks");
    ASSERT_EQ(marks.rows.size(), 3u);
    EXPECT_EQ(marks.rows[0].reason, "it may be in QuickBooks (the Web Connector's PC went to sleep)");

    // The file changed under the run: a record is marked only on a block of its own number.
    run.transactions = {record(Outcome::Refused, "009999")};
    marks = ui::runMarks(run, StoreDay::fromBytes(kDay));
    EXPECT_EQ(marks.countLine, "0 posted, 1 refused (009999).");
    EXPECT_TRUE(marks.rows.empty());

    // A run that could not read its file: the count line alone.
    marks = ui::runMarksForWindow(run);
    EXPECT_EQ(marks.countLine, "0 posted, 1 refused (009999).");
    EXPECT_TRUE(marks.rows.empty());
}

TEST(CheckMarks, AnEntryPostedBesideAnotherIsMarkedAndCountedApartFromTheRefusals) {
    TotalsCheck check;
    TransactionVerdict refused;
    refused.outcome = TransactionVerdict::Outcome::Refused;
    refused.refNumber = "004711";
    refused.totalsRow = 1;
    refused.rows = 3;
    refused.reason = "account code 6400 names no account in the company's chart";
    TransactionVerdict beside;
    beside.refNumber = "004712";
    beside.totalsRow = 6;
    beside.warning = "QuickBooks entry TxnID 9-1 has this invoice number and date and was not made by an import";
    check.transactions = {refused, beside, TransactionVerdict{}};
    const ui::CheckMarks marks = ui::checkMarks(check);
    EXPECT_EQ(marks.countLine, "1 of 3 transactions will not be posted; 1 with a warning: see the marks");
    EXPECT_EQ(marked(marks),
              (std::vector<std::pair<int, std::string>>{
                  {1, "H 004711 will not be posted: " + refused.reason},
                  {2, "D 004711 will not be posted: " + refused.reason},
                  {3, "D 004711 will not be posted: " + refused.reason},
                  {6, "H 004712 will be posted beside another entry: " + beside.warning}}));

    // Nothing refused: the warning alone still sends the operator to the marks.
    check.transactions = {beside};
    EXPECT_EQ(ui::checkMarks(check).countLine, "The transaction will be posted; 1 with a warning: see the marks");
}
