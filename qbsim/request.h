#pragma once
// A qbXML request message set as the simulated company reads it: the requests it
// understands, each read into a struct of its own, in the order they came. Texts are as the
// request gives them (references decoded); the answers check the values.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/trim.h"

namespace ztl::qbsim {

// The request text did not parse or broke the message schema; what() says where.
struct RequestParseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void parseError(const std::string& why) {
    throw RequestParseError(why);
}

struct RefRq {
    std::optional<std::string> listId, fullName;
    // What an error message calls the reference: the full name as given, else the ListID.
    std::string label() const {
        return fullName ? std::string(trimmedView(*fullName, kWhitespace)) : listId.value_or("");
    }
};

struct LineRq {
    bool debit = true;
    RefRq account;
    std::optional<std::string> amount, memo;
    std::optional<RefRq> entity;
};

struct JournalEntryAddRq {
    std::optional<std::string> txnDate, refNumber, memo;
    std::vector<LineRq> lines;
};

struct AccountQueryRq {};

// A 1.0 filter on a text (a name, a RefNumber): a match filter (MatchCriterion StartsWith,
// Contains or EndsWith, and the text) or a range filter (from, to, either left out).
struct TextFilter {
    std::optional<std::string> criterion, match, from, to;
};

// qbXML 1.0's customer and vendor queries: ListID+, or FullName+, or the filters.
struct NameQueryRq {
    std::vector<std::string> listIds, fullNames;
    std::optional<std::string> maxReturned, activeStatus;
    TextFilter name;
};

// qbXML 1.0's journal entry query: TxnID+, or RefNumber+, or the filters, in this order.
struct JournalEntryQueryRq {
    std::vector<std::string> txnIds, refNumbers;
    std::optional<std::string> maxReturned;
    std::optional<std::string> fromModified, toModified, fromTxnDate, toTxnDate;
    std::optional<std::string> entity, account;  // FullName or FullNameWithChildren
    TextFilter ref;
    std::optional<std::string> includeLineItems;
};

// qbXML 1.1's delete of one transaction.
struct TxnDelRq {
    std::string type, txnId;
};

struct Request {
    std::string kind;  // element name without the Rq suffix
    std::optional<std::string> requestId;
    AccountQueryRq query;
    JournalEntryAddRq entry;
    JournalEntryQueryRq journalQuery;
    TxnDelRq txnDel;
    NameQueryRq nameQuery;
};

struct MessageSet {
    bool stopOnError = true;
    std::string version;  // as the prolog declares it
    std::vector<Request> requests;
};

// Reads a whole request text; throws RequestParseError.
MessageSet readRequest(std::string_view text);

}  // namespace ztl::qbsim
