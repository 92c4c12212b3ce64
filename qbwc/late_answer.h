#pragma once
// What an answer of QuickBooks says about the entry it answers, in a line for the bridge's
// log: an answer that comes after the program stopped waiting must not vanish, and its
// TxnID is what lets the operator find the entry in QuickBooks.
#include <chrono>
#include <string>

namespace ztl::qbwc {

// "TxnID 1F-1765141503, RefNumber 004711", "statusCode 3140: ...", or the Web Connector's
// HRESULT and message when QuickBooks threw.
std::string describeAnswer(const std::string& response, const std::string& hresult,
                           const std::string& message);

// What a request is about, to find its entry again: "JournalEntryAddRq RefNumber 004711,
// TxnDate 2026-12-05"; the first request element's name alone when it names no entry.
std::string describeRequest(const std::string& request);

// The log's line for a request handed out at `sentAt` whose answer will never be read.
std::string noAnswerLine(const std::string& request, std::chrono::steady_clock::time_point sentAt);

// The log's line for an answer (as describeAnswer says it) that came after the program had
// stopped waiting for the request handed out at `sentAt`.
std::string lateAnswerLine(const std::string& request, std::chrono::steady_clock::time_point sentAt,
                           const std::string& answer);

}  // namespace ztl::qbwc
