#include "engine/company/posted_entry_query.h"

#include "platform/calendar.h"
#include "platform/vb_error.h"
#include "platform/windows1252.h"
#include "qbxml/requests.h"

namespace ztl {
namespace {

long dayOf(const CalendarDate& d) {
    return dayNumber(d.year, d.month, d.day);
}

CalendarDate dateOf(long day) {
    CalendarDate d;
    dateOfDayNumber(day, d.year, d.month, d.day);
    return d;
}

std::string usDate(const CalendarDate& d) {
    return std::to_string(d.month) + "/" + std::to_string(d.day) + "/" + std::to_string(d.year);
}

void ask(const AskQuickBooks& send, long first, long last, int pageSize, std::vector<PostedEntry>& out) {
    const CalendarDate from = dateOf(first), to = dateOf(last);
    std::string response;
    try {
        response = send(journalEntryQueryRequest(from, to, pageSize));
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        throw qbxml::AnswerError("QuickBooks did not answer the question (error # " + std::to_string(e.number) +
                                    ": " + e.description + ").");
    }
    JournalEntryQueryAnswer answer;
    try {
        answer = readJournalEntryQuery(response);
    } catch (const std::exception& ex) {
        throw qbxml::AnswerError("QuickBooks' answer could not be read (" + toVbError(ex).description + ").");
    }
    if (!answer.answered())
        throw qbxml::AnswerError("QuickBooks refused the question: status " + answer.statusCode + " (" +
                                    answer.statusSeverity + "): " + utf8ToWindows1252(answer.statusMessage));
    if (static_cast<long>(answer.entries.size()) < pageSize) {
        for (auto& e : answer.entries) out.push_back(std::move(e));
        return;
    }
    // A full answer may have left entries out.
    if (first == last)
        throw qbxml::AnswerError("QuickBooks holds " + std::to_string(pageSize) +
                                    " or more journal entries dated " + usDate(from) +
                                    ", more than one answer can carry.");
    const long middle = first + (last - first) / 2;
    ask(send, first, middle, pageSize, out);
    ask(send, middle + 1, last, pageSize, out);
}

}  // namespace

std::vector<PostedEntry> queryPostedEntries(const AskQuickBooks& send, const CalendarDate& from,
                                            const CalendarDate& to, int pageSize) {
    std::vector<PostedEntry> out;
    ask(send, dayOf(from), dayOf(to), pageSize < 1 ? 1 : pageSize, out);
    return out;
}

}  // namespace ztl
