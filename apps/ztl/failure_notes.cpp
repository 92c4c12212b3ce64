#include "failure_notes.h"

#include <iostream>
#include <optional>
#include <regex>
#include <vector>

#include "platform/request_processor.h"

namespace ztl::cli {
namespace {

struct ReportedError {
    long number = 0;
    std::string description;  // its first line
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// The error a module error report names: "<heading>\nError # <number>  \n<description>...".
std::optional<ReportedError> reportedError(const std::string& text) {
    const std::vector<std::string> lines = linesOf(text);
    for (std::size_t i = 1; i + 1 < lines.size() && i < 3; ++i) {
        const std::string& l = lines[i];
        if (!l.starts_with("Error # ") && !l.starts_with("error # ")) continue;
        try {
            return ReportedError{std::stol(l.substr(8)), lines[i + 1]};
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The errors that say QuickBooks cannot be reached at all; after the first, every session
// that follows fails the same way.
bool unreachable(long number) {
    return number == hresult::kCouldNotAccess || number == hresult::kCouldNotStart ||
           number == hresult::kNeedCompanyFile;
}

// The text with every clock time (HH:MM:SS) taken out: two waits that ended alike say so
// with the times they began.
std::string withoutClockTimes(const std::string& text) {
    static const std::regex time("[0-9]{2}:[0-9]{2}:[0-9]{2}");
    return std::regex_replace(text, time, "");
}

}  // namespace

void FailureNotes::waitFailed(const std::string& why) {
    if (why.empty()) return;
    sayHeldReason(why);  // an earlier reason nothing carried
    // A second wait that ends as the first did (its time aside) tells nothing new.
    if (toldReasons_.contains(withoutClockTimes(why))) {
        ++notRepeated_;
        return;
    }
    heldReason_ = why;
}

void FailureNotes::sayHeldReason(const std::string& next) {
    if (heldReason_.empty()) return;
    toldReasons_.insert(withoutClockTimes(heldReason_));
    if (next.find(heldReason_) == std::string::npos) out_ << "ztl: " << heldReason_ << "\n";
    unreachableTold_ = true;
    heldReason_.clear();
}

void FailureNotes::box(const std::string& text) {
    const bool carriesHeld = !heldReason_.empty() && text.find(heldReason_) != std::string::npos;
    bool repeat = false;
    if (std::optional<ReportedError> e = reportedError(text)) {
        const std::string key = std::to_string(e->number) + " " + e->description;
        // Only QuickBooks out of reach repeats itself: every other report is a failure of its
        // own (two transactions refused alike are two), said each time.
        repeat = unreachable(e->number) &&
                 (told_.contains(key) || (!carriesHeld && (unreachableTold_ || !heldReason_.empty())));
        if (!repeat) {
            told_.insert(key);
            if (unreachable(e->number)) unreachableTold_ = true;
        }
    }
    sayHeldReason(text);
    if (repeat) {
        ++notRepeated_;
        return;
    }
    out_ << text << "\n\n";
    out_.flush();
}

void FailureNotes::line(const std::string& text) {
    sayHeldReason(text);
    out_ << text << "\n";
    out_.flush();
}

void FailureNotes::detail(const std::string& text) {
    const std::string plain = withoutClockTimes(text);
    for (const std::string& told : toldReasons_)
        if (plain.find(told) != std::string::npos) {
            sayHeldReason(text);
            ++notRepeated_;
            return;
        }
    line("ztl: " + text);
}

void FailureNotes::finish() {
    sayHeldReason({});
    if (notRepeated_ > 0)
        out_ << "ztl: " << notRepeated_ << (notRepeated_ == 1 ? " more report" : " more reports")
             << " of the same failure not repeated.\n";
    notRepeated_ = 0;
    out_.flush();
}

FailureNotes& failureNotes() {
    static FailureNotes notes(std::cerr);
    return notes;
}

}  // namespace ztl::cli
