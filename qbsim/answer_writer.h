#pragma once
// The pieces every answer of the simulated company is written with: the indented XML text,
// the status of one request, a ...Rs element echoing the request's identifier, references,
// journal entries, times, and the refusals several requests share.
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "qbsim/company.h"
#include "qbsim/request.h"

namespace ztl::qbsim {

// XML text indented by two blanks a level, lines ending in LF, as QuickBooks answers.
class XmlOut {
  public:
    void open(std::string_view name);
    void close(std::string_view name);
    // An element holding only the text `value`, escaped.
    void leaf(std::string_view name, std::string_view value);
    // An opening tag whose attributes the caller has escaped.
    void openWith(std::string_view name, std::string_view attributes);
    void raw(std::string_view s) { out_ += s; }
    std::string& str() { return out_; }

  private:
    void indent() { out_.append(static_cast<std::size_t>(depth_) * 2, ' '); }
    std::string out_;
    int depth_ = 0;
};

struct Status {
    int code = 0;
    std::string severity = "Info";
    std::string message = "Status OK";
};

// Opens the <kind>Rs element of request `r` with the status.
void openRs(XmlOut& x, const std::string& kind, const Request& r, const Status& s);

// An empty <kind>Rs carrying a refusal, or QuickBooks' "nothing matched".
void refusalRs(XmlOut& x, const std::string& kind, const Request& r, const Status& s);

// An AccountRef or EntityRef.
void refOut(XmlOut& x, const char* name, const std::string& listId, const std::string& fullName);

// A JournalEntryRet, the same in the add's answer and the query's: QuickBooks keeps no memo
// on the entry itself, only its lines carry one. The lines only when `withLines`.
void journalEntryOut(XmlOut& x, const JournalEntry& e, bool withLines);

// 3020: a value that does not convert to its field's type.
Status conversionError(const std::string& value, const char* field);

// 1 (Info): a query that found nothing.
Status nothingFound();

// A MaxReturned: a whole number from 1; the refusal when it is none. Nothing asked: no limit.
struct MaxReturned {
    std::optional<long> count;
    std::optional<Status> refusal;
};
MaxReturned readMaxReturned(const std::optional<std::string>& text);

// Whether a text passes a 1.0 text filter, compared as QuickBooks compares names.
bool passes(const TextFilter& filter, std::string_view text);

// The time text of qbXML answers: local time with its UTC offset, 2007-11-28T08:16:27-08:00.
std::string qbTime(std::time_t t);

// The local date of a time, YYYY-MM-DD.
std::string localDate(std::time_t t);

}  // namespace ztl::qbsim
