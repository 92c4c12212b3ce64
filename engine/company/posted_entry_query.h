#pragma once
// Asking QuickBooks for every journal entry of a range of days, in pages: qbXML 1.0 has no
// iterators, so an answer that comes back full (MaxReturned entries) is asked again as two
// narrower date windows, down to a single day.
#include <functional>
#include <string>
#include <vector>

#include "engine/posting/posted_entries.h"
#include "platform/store_date.h"
#include "qbxml/answer_error.h"

namespace ztl {

// Sends one request in a session and returns QuickBooks' answer; throws VbError.
using AskQuickBooks = std::function<std::string(const std::string& request)>;

// The most entries one answer carries.
inline constexpr int kJournalQueryPageSize = 9999;

// Every journal entry dated from `from` to `to` (from <= to). Throws qbxml::AnswerError when
// QuickBooks could not be asked, or would not answer; what() says why, in words for the
// operator.
std::vector<PostedEntry> queryPostedEntries(const AskQuickBooks& ask, const CalendarDate& from,
                                            const CalendarDate& to, int pageSize = kJournalQueryPageSize);

}  // namespace ztl
