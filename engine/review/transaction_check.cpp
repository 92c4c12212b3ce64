#include "engine/review/transaction_check.h"

#include "engine/company/settings_keys.h"
#include "engine/posting/entry_differences.h"
#include "engine/posting/planned_entry.h"
#include "engine/totals/store_day.h"
#include "platform/calendar.h"
#include "platform/text_file.h"
#include "platform/trim.h"
#include "platform/vb_error.h"
#include "platform/windows1252.h"
#include "qbxml/answer_document.h"
#include "qbxml/requests.h"
#include "qbxml/values.h"

namespace ztl {
namespace {

using Outcome = TransactionVerdict::Outcome;

std::string quoted(const std::string& utf8) {
    return "\"" + utf8ToWindows1252(utf8) + "\"";
}

// The account field a name was taken from, as the main window labels it or as its setting
// is keyed; empty when none. Where two fields hold the name, the one whose lines the account
// is wins.
std::string fieldOf(const std::string& utf8Name, const EntityNames& names,
                    const std::optional<CompanyChart::Account>& account, FieldNaming naming) {
    const std::string name = utf8ToWindows1252(utf8Name);
    struct Field {
        const std::string& value;
        const char* label;
        const char* key;
        bool preferred;
    };
    const std::string type = account ? account->type : std::string();
    const bool tax = account && sameQuickBooksName(account->name, "Sales Tax Payable");
    const Field fields[] = {
        {names.receivables, "A/R Import Account", key::kReceivablesName, type == "AccountsReceivable"},
        {names.payables, "Vendor Import Account", key::kPayablesName, type == "AccountsPayable"},
        {names.salesTax, "Sales Tax Account", key::kSalesTaxName, tax}};
    auto holds = [&](const Field& f) { return !f.value.empty() && sameQuickBooksName(name, f.value); };
    auto named = [&](const Field& f) {
        return std::string(naming == FieldNaming::SettingKeys ? f.key : f.label);
    };
    for (const Field& f : fields)
        if (f.preferred && holds(f)) return named(f);
    for (const Field& f : fields)
        if (holds(f)) return named(f);
    return {};
}

const char* article(NameKind k) {
    return k == NameKind::Customer ? "a customer" : "a vendor";
}

// The field whose name a line on this account takes: its window label or its settings key.
std::string fieldFor(const CompanyChart::Account& account, FieldNaming naming) {
    const bool keys = naming == FieldNaming::SettingKeys;
    if (account.type == "AccountsReceivable") return keys ? key::kReceivablesName : "A/R Import Account";
    if (account.type == "AccountsPayable") return keys ? key::kPayablesName : "Vendor Import Account";
    return keys ? key::kSalesTaxName : "Sales Tax Account";
}

const std::string& nameFor(const CompanyChart::Account& account, const EntityNames& names) {
    return account.type == "AccountsReceivable" ? names.receivables
           : account.type == "AccountsPayable"  ? names.payables
                                                : names.salesTax;
}

// "the Sales Tax Account" in the window, "the setting TaxImportAccount" on the command line.
std::string theField(const std::string& field, FieldNaming naming) {
    return naming == FieldNaming::SettingKeys ? "the setting " + field : "the " + field;
}

}  // namespace

std::string describeRefusal(const EntryRefusal& r, const EntityNames& names, FieldNaming naming) {
    using Kind = EntryRefusal::Kind;
    switch (r.kind) {
        case Kind::Unreadable:
            return "QuickBooks cannot read its entry (" + r.value + ")";
        case Kind::Date:
            return "QuickBooks cannot convert its date " + quoted(r.value);
        case Kind::RefNumber:
            return "its invoice number " + quoted(r.value) + " is longer than QuickBooks takes";
        case Kind::Account:
            return "account code " + utf8ToWindows1252(r.value) + " names no account in the company's chart";
        case Kind::Amount:
            return "QuickBooks cannot read the amount " + quoted(r.value);
        case Kind::Entity: {
            std::string field = fieldOf(r.value, names, r.account, naming);
            return (field.empty() ? std::string("the name ") : theField(field, naming) + " ") +
                   quoted(r.value) + " is no customer or vendor in QuickBooks";
        }
        case Kind::NameRequired: {
            const std::string account =
                utf8ToWindows1252(r.account->fullName) +
                (r.account->number.empty() ? "" : " (" + utf8ToWindows1252(r.account->number) + ")");
            std::string text = "its line on " + account + " needs " + article(r.needed);
            if (r.given) {
                std::string field = fieldOf(r.value, names, r.account, naming);
                return text + ", but " + (field.empty() ? std::string() : theField(field, naming) + " ") +
                       quoted(r.value) + " is " + article(*r.given);
            }
            if (trimmedView(nameFor(*r.account, names), kWhitespace).empty())
                return text + ": " + theField(fieldFor(*r.account, naming), naming) + " is empty";
            return text + ", and the import names none on it (its code is not that account's number)";
        }
        case Kind::Empty:
            return "QuickBooks refuses an entry without lines";
        case Kind::Balance:
            return "not in balance: debits " + centsText(r.debits) + ", credits " + centsText(r.credits);
    }
    return {};
}

std::string refusalFix(const EntryRefusal& r, const EntityNames& names, const std::string& settingsCommand) {
    using Kind = EntryRefusal::Kind;
    const std::string atTheStore =
        "correct it at the store (QuickBooks refuses it every time), or enter its entry by hand in "
        "QuickBooks";
    switch (r.kind) {
        case Kind::Account:
            return "add account " + utf8ToWindows1252(r.value) +
                   " in QuickBooks (with that number or that name), then import again";
        case Kind::Entity: {
            const std::string field = fieldOf(r.value, names, r.account, FieldNaming::SettingKeys);
            if (field.empty()) return "add " + quoted(r.value) + " in QuickBooks";
            const char* kind = field == key::kReceivablesName ? "customer" : "vendor";
            return "add " + quoted(r.value) + " in QuickBooks as a " + kind +
                   ", or name another: " + settingsCommand + " " + field + " NAME";
        }
        case Kind::NameRequired: {
            std::string field = fieldFor(*r.account, FieldNaming::SettingKeys);
            if (r.given) {
                const std::string given = fieldOf(r.value, names, r.account, FieldNaming::SettingKeys);
                if (!given.empty()) field = given;
            } else if (!trimmedView(nameFor(*r.account, names), kWhitespace).empty()) {
                return "make the line's account code the number of " +
                       utf8ToWindows1252(r.account->fullName) +
                       " at the store, or enter its entry by hand in QuickBooks";
            }
            return "name " + std::string(article(r.needed)) + " QuickBooks has: " + settingsCommand + " " +
                   field + " NAME";
        }
        case Kind::Balance:
        case Kind::Date:
        case Kind::Amount:
        case Kind::RefNumber:
        case Kind::Empty:
            return atTheStore;
        case Kind::Unreadable:
            return {};
    }
    return {};
}

namespace {

// A refusal for the balance alone, for when nothing else can be judged: the sums as the
// judge adds them, nothing when an amount cannot be read.
std::optional<EntryRefusal> balanceRefusal(const StoreTransaction& entry) {
    std::int64_t debits = 0, credits = 0;
    for (const EntryLine& l : entry.lines) {
        std::int64_t cents = 0;
        if (!l.amountText.empty()) {
            auto a = qbxmlAmountCents(l.amountText);
            if (!a) return std::nullopt;
            cents = *a;
        }
        (l.debit ? debits : credits) += cents;
    }
    if (entry.lines.empty() || debits == credits) return std::nullopt;
    EntryRefusal r;
    r.kind = EntryRefusal::Kind::Balance;
    r.statusCode = 3180;
    r.debits = debits;
    r.credits = credits;
    return r;
}

}  // namespace

int TotalsCheck::flaggedCount() const {
    int n = 0;
    for (const auto& t : transactions) n += t.flagged() ? 1 : 0;
    return n;
}

int TotalsCheck::count(Outcome outcome) const {
    int n = 0;
    for (const auto& t : transactions) n += t.outcome == outcome ? 1 : 0;
    return n;
}

int TotalsCheck::problemCount() const {
    int n = 0;
    for (const auto& t : transactions) n += t.problem() ? 1 : 0;
    return n;
}

bool TotalsCheck::allClear() const {
    return problemCount() == 0 && count(Outcome::Unchecked) == 0 && incomplete.empty() && notWhole.empty();
}

std::string TotalsCheck::summary() const {
    const int n = static_cast<int>(transactions.size());
    const int posted = count(Outcome::Posted), already = count(Outcome::AlreadyThere),
              unchecked = count(Outcome::Unchecked), problems = problemCount();
    const std::string noun = n == 1 ? " transaction" : " transactions";
    std::string text;
    if (n == 0) {
        text = "The totals file holds no transactions.";
    } else if (posted == n) {
        text = n == 1 ? "The transaction will be posted." : "All " + std::to_string(n) + noun + " will be posted.";
    } else if (already == n) {
        text = n == 1 ? "The transaction is already in QuickBooks."
                      : "All " + std::to_string(n) + noun + " are already in QuickBooks.";
    } else if (unchecked == n) {
        text = n == 1 ? "The transaction could not be judged."
                      : "None of the " + std::to_string(n) + noun + " could be judged.";
    } else {
        // What is held already is the good outcome, told apart from what will not be posted.
        std::vector<std::string> parts;
        if (problems) parts.push_back(std::to_string(problems) + " of " + std::to_string(n) + noun + " will not be posted");
        // "3 of 9 transactions will not be posted." says alone that the rest will be.
        if (posted && (already || unchecked)) parts.push_back(std::to_string(posted) + " will be posted");
        if (already) parts.push_back(std::to_string(already) + " already in QuickBooks");
        if (unchecked) parts.push_back(std::to_string(unchecked) + " could not be judged");
        for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? "; " : "") + parts[i];
        text += ".";
    }
    if (!notWhole.empty()) text += " The totals file may not be the whole day: " + notWhole + ".";
    if (!incomplete.empty())
        text += " The check is incomplete: " + (incompleteCause.empty() ? incomplete : incompleteCause);
    return text;
}

TotalsCheck checkTotals(const CheckInput& input, const AskQuickBooks& ask) {
    TotalsCheck check;
    if (!input.day) throw vbError(vb::kFileNotFound);
    const StoreDay& day = *input.day;
    if (!day.headers.empty()) check.notWhole = day.notWhole().value_or("");
    for (const DayHeader& h : day.headers) {
        TransactionVerdict v;
        v.refNumber = h.referenceNumber;
        v.totalsRow = h.row;
        v.rows = h.rows;
        check.transactions.push_back(std::move(v));
    }
    if (day.walkRefusal) {
        for (auto& v : check.transactions) {
            v.outcome = Outcome::NotReached;
            v.reason = "the import stops before it: " + day.walkRefusal->description;
        }
        return check;
    }
    const std::vector<DayBlock>& blocks = day.blocks;
    for (size_t i = blocks.size(); i < check.transactions.size(); ++i) {
        TransactionVerdict& v = check.transactions[i];
        if (day.headers[i].lastLine) {
            // The walk never reads the file's last line as a transaction; it has no lines anyway.
            v.outcome = Outcome::NoLines;
            v.reason = "it has no lines: the import sends no entry for it";
        } else {
            v.outcome = Outcome::NotReached;
            v.reason =
                "the import never reaches it: a line before it that is not an H, D, TRT or Q line ends "
                "the import";
        }
    }

    // The chart, as the window shows it and as the import's name rule reads it.
    const CompanyChart noChart;
    const CompanyChart& chart = input.chart.chart ? *input.chart.chart : noChart;
    const bool chartRead = input.chart.chart.has_value();
    if (!chartRead) {
        check.incomplete = input.chart.unreadable.empty()
                               ? "QuickBooks' chart of accounts could not be read."
                               : "QuickBooks' chart of accounts could not be read (" + input.chart.unreadable + ").";
        if (!input.chart.unreadable.empty())
            check.incompleteCause = "QuickBooks' chart of accounts could not be read.";
    }

    // Each transaction's entry, as the import builds it.
    std::vector<std::optional<PlannedEntry>> planned(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        const DayBlock& b = blocks[i];
        TransactionVerdict& v = check.transactions[i];
        v.refNumber = b.referenceNumber;  // what the entry carries as its RefNumber
        if (b.lines.empty()) {
            v.outcome = Outcome::NoLines;
            v.reason = "it has no lines: the import sends no entry for it";
            continue;
        }
        if (!b.date) {
            v.outcome = Outcome::NotSent;
            v.reason = "its date \"" + trimmed(b.dateText) + "\" cannot be converted: the import refuses it";
            continue;
        }
        PlannedEntry plan = planEntry(b, chart, input.names);
        if (plan.refusal) {
            v.outcome = Outcome::NotSent;
            v.reason =
                plan.refusal->number == kZeroAmountError
                    ? "its largest line amount is zero: the import refuses an entry whose first line is zero"
                    : "the import cannot write its entry (" + plan.refusal->description + ")";
            continue;
        }
        planned[i] = std::move(plan);
    }
    if (!chartRead) {
        // Without the chart no account can be judged; the balance still can.
        for (size_t i = 0; i < blocks.size(); ++i) {
            if (!planned[i]) continue;
            TransactionVerdict& v = check.transactions[i];
            if (auto refusal = balanceRefusal(planned[i]->entry)) {
                v.outcome = Outcome::Refused;
                v.reason = describeRefusal(*refusal, input.names, FieldNaming::WindowLabels);
                v.refusal = std::move(refusal);
            } else {
                v.outcome = Outcome::Unchecked;
                v.reason = "not judged: QuickBooks' chart of accounts could not be read";
            }
        }
        return check;
    }

    // The transactions QuickBooks holds already, found as the import finds them.
    std::optional<PostedEntries> posted;
    bool postedUnknown = false;
    if (input.askPosted && day.first) {
        try {
            posted.emplace(queryPostedEntries(ask, *day.first, *day.last), chart);
        } catch (const qbxml::AnswerError& e) {
            postedUnknown = true;
            check.incompleteCause =
                "QuickBooks could not be asked which transactions it already holds, and an import that "
                "cannot ask "
                "posts nothing.";
            check.incomplete =
                check.incompleteCause.substr(0, check.incompleteCause.size() - 1) + ": " + e.what();
        }
    }

    // The customers and vendors the entries name.
    std::optional<NameList> names;
    try {
        std::string request =
            entityQueryRequest({input.names.receivables, input.names.payables, input.names.salesTax});
        names = request.empty() ? NameList{} : readEntityQuery(ask(request));
    } catch (const qbxml::AnswerError& e) {
        if (check.incomplete.empty()) check.incomplete = e.what();
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        if (check.incomplete.empty()) {
            check.incompleteCause = "QuickBooks did not answer the question about its customers and vendors.";
            check.incomplete =
                "QuickBooks did not answer the question about its customers and vendors (error # " +
                std::to_string(e.number) + ": " + e.description + ").";
        }
    }

    // QuickBooks refusing to read a request costs the run its connection (the session's
    // recovery closes it): no later entry gets through.
    std::optional<std::string> unreadable;
    for (size_t i = 0; i < blocks.size(); ++i) {
        TransactionVerdict& v = check.transactions[i];
        if (v.flagged() || !planned[i]) continue;
        if (posted) {
            PostedEntries::Match m = posted->claim(planned[i]->entry);
            if (m.same) {
                v.outcome = Outcome::AlreadyThere;
                v.txnId = utf8ToWindows1252(m.same->txnId);
                v.reason =
                    "QuickBooks holds it already (TxnID " + v.txnId + "): the import does not send it again";
                continue;
            }
            if (m.changed) {
                v.outcome = Outcome::Changed;
                v.txnId = utf8ToWindows1252(m.changed->txnId);
                if (changedSinceMade(*m.changed)) {
                    v.reason = "QuickBooks holds its entry changed by hand since an import posted it (TxnID " +
                               v.txnId + "): the import does not send it again; compare that entry with the file";
                } else {
                    std::string differences;
                    for (const std::string& d : entryDifferences(planned[i]->entry, *m.changed, posted->chart()))
                        differences += (differences.empty() ? "" : "; ") + d;
                    v.reason = "QuickBooks holds it already, with other lines (TxnID " + v.txnId + "): " +
                               differences + "; the import does not send it again";
                }
                continue;
            }
            for (const PostedEntry* other : m.others) {
                if (!v.warning.empty()) v.warning += "; ";
                v.warning += "QuickBooks entry TxnID " + utf8ToWindows1252(other->txnId) +
                             (carriesImportMemo(*other) ? " has this invoice number and date but other lines"
                                                        : " has this invoice number and date and was not made "
                                                          "by an import");
            }
            if (!v.warning.empty()) v.warning += ": the import posts this transaction beside it";
        }
        if (unreadable) {
            v.outcome = Outcome::NotSent;
            v.reason = "the import sends nothing after invoice " + *unreadable +
                       ", whose entry QuickBooks cannot read: its connection to QuickBooks is closed then";
            continue;
        }
        auto refusal = names ? judgeJournalEntry(*planned[i], chart, *names) : judgeWithoutNames(*planned[i], chart);
        if (refusal) {
            v.outcome = Outcome::Refused;
            v.reason = describeRefusal(*refusal, input.names, FieldNaming::WindowLabels);
            if (refusal->kind == EntryRefusal::Kind::Unreadable) unreadable = v.refNumber;
            v.refusal = std::move(refusal);
        } else if (!names || postedUnknown) {
            v.outcome = Outcome::Unchecked;
            v.reason = postedUnknown ? "not judged: QuickBooks could not be asked whether it holds it already"
                                     : "not judged: QuickBooks could not be asked about its customers and vendors";
        }
    }
    return check;
}

}  // namespace ztl
