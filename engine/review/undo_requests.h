#pragma once
// The requests of an undo, as exact text in the form of the import's own requests (CR LF,
// blanks in steps of four, request identifier 1). Each carries the prolog of the lowest
// qbXML version that has every element it uses: the journal-entry query by TxnID is 1.0,
// the delete and the preferences query are 1.1.
#include <string>

namespace ztl {

// The journal entry with this TxnID, with its lines (1.0).
std::string journalEntryByTxnIdRequest(const std::string& txnId);
// Removes the journal entry with this TxnID (1.1).
std::string journalEntryDeleteRequest(const std::string& txnId);
// The company's preferences, for its closing date (1.1).
std::string preferencesQueryRequest();

// Reads a PreferencesQueryRs: the closing date (YYYY-MM-DD) or empty when the company has
// none. Throws PostedEntryQueryError (posted_entry_query.h) when the answer is no such
// answer or a refusal.
std::string closingDateOf(const std::string& response);

struct DeleteAnswer {
    std::string statusCode, statusSeverity, statusMessage;  // single-byte
    bool removed() const { return statusCode == "0"; }
};
// Reads a TxnDelRs; throws PostedEntryQueryError when the text holds none.
DeleteAnswer readDeleteAnswer(const std::string& response);

}  // namespace ztl
