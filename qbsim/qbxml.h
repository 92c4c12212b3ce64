#pragma once
// The simulated company's qbXML message processing: one request message set in, one
// response message set out, as QuickBooks answers through the SDK's ProcessRequest.
//
// Requests understood: AccountQueryRq (no filters: every active account), CustomerQueryRq and
// VendorQueryRq (by ListID or FullName, or by name filters), JournalEntryAddRq and
// JournalEntryQueryRq (its 1.0 filters; no date macros), and from qbXML 1.1 TxnDelRq
// (journal entries) and PreferencesQueryRq (the closing date). A request that is not
// well-formed XML, carries binary data, declares its own DTD or entities, lacks a 1.0 or 1.1
// prolog, uses a request its prolog's version does not have, or breaks the message schema
// (unknown elements, elements out of order, text where elements belong) throws
// RequestParseError and changes nothing. Every other refusal is a status in the response.
//
// The request is read in request_reader.cpp (with request_prolog and request_schema), each
// kind is answered in a file of its own (answers.h), and this file hands each request of a
// message set to its answer.
#include <string>
#include <string_view>

#include "qbsim/answer_writer.h"
#include "qbsim/company.h"
#include "qbsim/request.h"

namespace ztl::qbsim {

// Answers one qbXML request message set against the company. Each JournalEntryAddRq is
// checked and stored in one transaction of its own. Throws RequestParseError (nothing
// processed) or CompanyError (the company file failed or stayed busy).
std::string answerRequest(Company& company, std::string_view request);

}  // namespace ztl::qbsim
