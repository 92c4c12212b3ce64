#pragma once
// Whether QuickBooks will take a journal entry, judged before it is sent, the way QuickBooks
// decides it: a request text QuickBooks' parser refuses is unreadable, then the first refusal
// in document order wins (the date, the RefNumber, then line by line: the account, the
// amount, the name, the name the account needs), and the balance is judged last.
//
// - An AccountRef's FullName finds an account by its full name ignoring case and surrounding
//   blanks, failing that by its number (CompanyChart::resolve).
// - An EntityRef's FullName finds a customer or a vendor the same way (NameList).
// - A line on an AccountsReceivable account needs a customer; on an AccountsPayable account,
//   or on the account named "Sales Tax Payable" (ignoring case and blanks), a vendor.
// - Debits must equal credits to the cent.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/posting/planned_entry.h"
#include "engine/posting/posted_entries.h"
#include "qbxml/name_answer.h"

namespace ztl {

struct EntryRefusal {
    enum class Kind {
        Unreadable,    // QuickBooks cannot read the request: 0x80040400, nothing processed
        Date,          // 3020: the TxnDate is not a calendar date
        RefNumber,     // 3070: the RefNumber is longer than 11 characters
        Account,       // 3140: the AccountRef names no account
        Amount,        // 3020: the Amount is not [+-]digits(.dd), or too large
        Entity,        // 3140: the EntityRef names no customer or vendor
        NameRequired,  // 3180: the account needs a customer or a vendor the line lacks
        Empty,         // 3180: no lines
        Balance,       // 3180: not in balance
    };
    Kind kind = Kind::Unreadable;
    long statusCode = 0;  // what QuickBooks answers (the HRESULT for Unreadable)
    int line = -1;        // the line, in document order from 0, for line refusals
    std::string
        value;  // what QuickBooks names: the date, the amount, the account or entity reference (UTF-8)
    // NameRequired and Entity: the account as QuickBooks found it; NameRequired: the kind of
    // name it needs, and the kind of the name the line gives (none when it gives none).
    std::optional<CompanyChart::Account> account;
    NameKind needed = NameKind::Customer;
    std::optional<NameKind> given;
    std::int64_t debits = 0, credits = 0;  // Balance: the sums, in cents
};

// The refusal of an entry and the request text that carries it (single-byte, sent as UTF-8),
// or nothing when QuickBooks will post it. An entry without a date is not judged on its date.
// `names` must hold every name the entry gives that QuickBooks knows.
std::optional<EntryRefusal> judgeJournalEntry(const StoreTransaction& entry, std::string_view requestText,
                                              const CompanyChart& chart, const NameList& names);
// The refusal of a planned entry.
std::optional<EntryRefusal> judgeJournalEntry(const PlannedEntry& plan, const CompanyChart& chart,
                                              const NameList& names);
// The refusals that need no word from QuickBooks about its customers and vendors: a name a
// line gives is taken to be one QuickBooks knows, of the kind its account needs; a line that
// needs a name and gives none is still refused. Nothing means nothing was found, not that
// QuickBooks will post the entry.
std::optional<EntryRefusal> judgeWithoutNames(const PlannedEntry& plan, const CompanyChart& chart);

}  // namespace ztl
