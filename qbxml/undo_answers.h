#pragma once
// QuickBooks' answers to the requests of an undo: the company's preferences (for its
// closing date) and the delete of a journal entry.
#include <string>

namespace ztl {

// Reads a PreferencesQueryRs: the closing date (YYYY-MM-DD) or empty when the company has
// none. Throws qbxml::AnswerError when the answer is no such answer or a refusal.
std::string closingDateOf(const std::string& response);

struct DeleteAnswer {
    std::string statusCode, statusSeverity, statusMessage;  // single-byte
    bool removed() const { return statusCode == "0"; }
};
// Reads a TxnDelRs; throws qbxml::AnswerError when the text holds none.
DeleteAnswer readDeleteAnswer(const std::string& response);

}  // namespace ztl
