#include "qbsim/answers.h"

#include <optional>
#include <string>

#include "platform/trim.h"
#include "qbxml/names.h"
#include "qbxml/values.h"

namespace ztl::qbsim {
namespace {

const char* kSaveError = "There was an error when saving a Journal Entry.  QuickBooks error message: ";

Status invalidReference(const char* list, const std::string& name) {
    return {3140, "Error",
            std::string("There is an invalid reference to QuickBooks ") + list + " \"" + name +
                "\" in the Journal Entry line.  QuickBooks error message: Invalid argument.  The specified "
                "record "
                "does not exist in the list."};
}

// Checks a journal entry against the company; the first refusal in document order wins,
// the balance is checked last. On success `entry` is ready to post.
std::optional<Status> checkEntry(Company& company, const JournalEntryAddRq& rq, JournalEntry& entry) {
    if (rq.txnDate) {
        if (!isQbxmlDate(trimmedView(*rq.txnDate, kWhitespace)))
            return conversionError(*rq.txnDate, "TxnDate");
        entry.txnDate = std::string(trimmedView(*rq.txnDate, kWhitespace));
    } else {
        entry.txnDate = localDate(company.now());
    }
    if (rq.refNumber && utf8CharacterCount(*rq.refNumber) > 11)
        return Status{3070, "Error",
                      "The string \"" + *rq.refNumber + "\" in the field \"RefNumber\" is too long."};
    entry.refNumber = rq.refNumber;
    entry.memo = rq.memo;
    std::int64_t debits = 0, credits = 0;
    for (const auto& l : rq.lines) {
        auto account = l.account.listId     ? company.findAccountByListId(*l.account.listId)
                       : l.account.fullName ? company.findAccount(*l.account.fullName)
                                            : std::nullopt;
        if (!account) return invalidReference("Account", l.account.label());
        std::int64_t cents = 0;
        if (l.amount) {
            auto a = qbxmlAmountCents(*l.amount);
            if (!a) return conversionError(*l.amount, "Amount");
            cents = *a;
        }
        std::optional<Entity> entity;
        if (l.entity) {
            entity = l.entity->listId     ? company.findEntityByListId(*l.entity->listId)
                     : l.entity->fullName ? company.findEntity(*l.entity->fullName)
                                          : std::nullopt;
            if (!entity) return invalidReference("Entity", l.entity->label());
        }
        auto needs = [&](Entity::Kind kind, const char* accountWord,
                         const char* who) -> std::optional<Status> {
            if (entity && entity->kind == kind) return std::nullopt;
            return Status{3180, "Error",
                          std::string(kSaveError) + "When you use " + accountWord + ", you must choose " +
                              who + " in the Name field."};
        };
        std::optional<Status> missing;
        if (account->type == "AccountsReceivable")
            missing = needs(Entity::Kind::Customer, "Accounts Receivable", "a customer");
        else if (account->type == "AccountsPayable")
            missing = needs(Entity::Kind::Vendor, "Accounts Payable", "a vendor");
        else if (sameQuickBooksName(account->name, "Sales Tax Payable"))
            missing = needs(Entity::Kind::Vendor, "Sales Tax Payable", "a vendor");
        if (missing) return missing;
        (l.debit ? debits : credits) += cents;
        JournalLine line;
        line.debit = l.debit;
        line.accountId = account->id;
        line.amountCents = cents;
        line.memo = l.memo;
        if (entity) {
            line.entityId = entity->id;
            line.entityKind = entity->kind;
        }
        entry.lines.push_back(std::move(line));
    }
    if (rq.lines.empty()) return Status{3180, "Error", std::string(kSaveError) + "Transaction is empty."};
    if (debits != credits)
        return Status{3180, "Error", std::string(kSaveError) + "Transaction not in balance."};
    return std::nullopt;
}

}  // namespace

// An entry is checked before anything is stored, and stored in one transaction of the
// company file, so that a refused entry leaves no trace and another process never sees half
// of one.
void answerJournalEntryAdd(Company& company, const Request& r, XmlOut& x, Status& st) {
    std::optional<JournalEntry> posted;
    company.inWriteTransaction([&] {
        JournalEntry entry;
        if (auto refused = checkEntry(company, r.entry, entry)) {
            st = *refused;
            return false;
        }
        posted = company.post(std::move(entry));
        return true;
    });
    openRs(x, "JournalEntryAdd", r, st);
    if (posted) journalEntryOut(x, *posted, true);
    x.close("JournalEntryAddRs");
}

}  // namespace ztl::qbsim
