#pragma once
// The check before an import: for each transaction of a totals file, whether an import
// would get it into QuickBooks and, if not, why, in the operator's words. Nothing is posted.
//
// It walks the file as the import walks it, builds each transaction's entry as the import
// builds it (the same sort, the same names on receivables, payables and sales-tax lines),
// finds the transactions QuickBooks holds already with the import's own query and match,
// and judges the rest as QuickBooks judges them (entry_judge.h), against the chart the main
// window shows and the customers and vendors QuickBooks names.
//
// When QuickBooks cannot be asked, every finding that needs no answer from it is still made
// (the walk's refusals, the date, a zero first line, the balance, and with the window's chart
// account codes it lacks and lines whose account field is empty); a transaction with no such
// finding is left unjudged, never called one that will be posted.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/posting/entity_rule.h"
#include "engine/totals/store_day.h"
#include "engine/posting/entry_judge.h"
#include "engine/company/posted_entry_query.h"

namespace ztl {

struct TransactionVerdict {
    enum class Outcome {
        Posted,        // QuickBooks will take it
        AlreadyThere,  // QuickBooks holds it already: the import does not send it again
        Refused,       // QuickBooks will refuse it (refusal says how)
        NotSent,       // the import refuses it before sending: its date, or a zero first line
        NoLines,       // it has no lines: the import sends nothing for it
        NotReached,    // the import's walk through the file ends before it
        Changed,       // QuickBooks holds the import's entry of it changed by hand: the import does not send it
        Unchecked,     // QuickBooks could not be asked: whether it would be posted is not known
    };
    Outcome outcome = Outcome::Posted;
    std::string
        refNumber;      // the invoice number its entry carries (for one never reached: as the table shows it)
    int totalsRow = 0;  // the row of its H line in the totals table, from 0
    int rows = 1;       // its H row and its D rows
    std::string reason;                   // empty when it will be posted; single-byte text
    std::optional<EntryRefusal> refusal;  // Refused: what QuickBooks will answer
    std::string txnId;                    // AlreadyThere and Changed: the entry QuickBooks holds
    // Posted: an entry with its invoice number and date that is not it; the import posts it
    // beside that entry. Empty when there is none.
    std::string warning;

    // Marked in the window: the import will not post it, for whatever reason.
    bool flagged() const { return outcome != Outcome::Posted && outcome != Outcome::Unchecked; }
    // Something for the operator to mend or look at: flagged, and not because QuickBooks
    // holds it already as the file says.
    bool problem() const { return flagged() && outcome != Outcome::AlreadyThere; }
};

struct TotalsCheck {
    std::vector<TransactionVerdict> transactions;  // one per H line of the file, in file order
    // Not empty when part of the check could not be made, and why: QuickBooks' refusals are
    // then not foreseen, or not the transactions it holds already.
    std::string incomplete;
    // The same said short, for the count line: what could not be asked, without QuickBooks'
    // own words, which `incomplete` keeps for whoever wants the details. Empty: `incomplete`
    // is short already.
    std::string incompleteCause;
    // Not empty when the totals file may not hold the store system's whole day, and why
    // (StoreDay::notWhole): what is missing from it cannot be checked, nor posted.
    std::string notWhole;

    int flaggedCount() const;
    int count(TransactionVerdict::Outcome outcome) const;
    int problemCount() const;
    // Nothing would be refused or left unsent, and the check was made whole.
    bool allClear() const;
    // "All 9 transactions will be posted.", "1 will be posted; 6 already in QuickBooks.",
    // "3 of 9 transactions will not be posted; 6 will be posted.", ... then what could not
    // be checked.
    std::string summary() const;
};

struct CheckInput {
    std::shared_ptr<const StoreDay> day;  // the totals file as its caller walked it
    ChartReading chart;                // the chart the window shows, or why there is none
    EntityNames names;
    bool askPosted = true;  // the import's duplicate guard is on
};

// How a finding names the three account fields: as the main window labels them ("the Sales
// Tax Account"), or as the command line sets them ("the setting TaxImportAccount").
enum class FieldNaming { WindowLabels, SettingKeys };

// QuickBooks' refusal of an entry, in the operator's words, naming the field that mends it.
std::string describeRefusal(const EntryRefusal& refusal, const EntityNames& names, FieldNaming naming);
// What mends the refusal, as a step on the command line ("add account 6400 in QuickBooks
// ...", "... ztl settings set TaxImportAccount NAME"); `settingsCommand` is how the edition's
// settings are set ("ztl settings set"). Empty when there is no step to name.
std::string refusalFix(const EntryRefusal& refusal, const EntityNames& names,
                       const std::string& settingsCommand);

// Asks QuickBooks (through `ask`, one message set per question) for the customers and
// vendors and, when askPosted, for the journal entries of the file's dates. Throws VbError
// 53 only when it is given no day.
TotalsCheck checkTotals(const CheckInput& input, const AskQuickBooks& ask);

}  // namespace ztl
