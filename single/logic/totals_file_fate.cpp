#include "single/logic/totals_file_fate.h"

#include <cerrno>
#include <cstdio>

#include "engine/import/import_log.h"
#include "platform/os_error.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/vb_error.h"
#include "ui/logic/archive_file.h"

namespace ztl::single {
namespace {

// Every line of the bytes, split where the engine's reader splits them.
template <class Visit>
void forEachLine(const std::string& bytes, Visit visit) {
    TextReader in = TextReader::fromBytes(bytes);
    while (!in.atEnd()) visit(in.readLine());
}

// The start of an import log's status line and, on it, the mark before QuickBooks'
// identifier of the new entry (see engine/import_log.h).
constexpr std::string_view kStatusLine = "Response Status Code : ";
constexpr std::string_view kResultId = "Import result ID :";

}  // namespace

int transactionsToPost(const std::string& totalsBytes) {
    int runs = 0;
    bool inRun = false;
    forEachLine(totalsBytes, [&](const std::string& line) {
        bool detail = line.starts_with('D');
        if (detail && !inRun) ++runs;
        inRun = detail;
    });
    return runs;
}

int postedEntries(const std::string& logBytes) {
    int posted = 0;
    forEachLine(logBytes, [&](const std::string& line) {
        // A transaction QuickBooks held already is posted as surely as one it accepted now.
        if (line.starts_with(importlog::kAlreadyPostedMark) &&
            line.size() > std::string_view(importlog::kAlreadyPostedMark).size()) {
            ++posted;
            return;
        }
        if (!line.starts_with(kStatusLine)) return;
        size_t mark = line.rfind(kResultId);
        if (mark != std::string::npos && mark + kResultId.size() < line.size()) ++posted;
    });
    return posted;
}

TotalsFileFate totalsFileFate(const ImportRunRecord& run) {
    // A refused run stops before its results: it is told apart from one that failed.
    if (run.lockedElsewhere) return TotalsFileFate::InUse;
    if (!run.reachedEnd || !run.totalsBefore) return TotalsFileFate::StoppedEarly;
    if (run.totalsAfter != run.totalsBefore) return TotalsFileFate::Changed;
    int expected = transactionsToPost(*run.totalsBefore);
    bool allPosted = !run.refusedEntry && expected > 0 && run.log && postedEntries(*run.log) == expected;
    return allPosted ? TotalsFileFate::Removed : TotalsFileFate::Archived;
}

TotalsFileOutcome settleTotalsFile(const std::string& source, TotalsFileFate fate, const Clock& clock) {
    TotalsFileOutcome outcome{fate, {}};
    if (fate == TotalsFileFate::Removed) {
        if (std::remove(paths::map(source).c_str()) != 0) throw vbErrorOfErrno(errno);
    } else if (fate == TotalsFileFate::Archived) {
        std::optional<ui::ArchivedFile> archive = ui::ArchiveFile(source, clock);
        if (!archive) throw vbError(vb::kPathFileAccessError);
        outcome.archive = archive->name;
        outcome.originalLeft = archive->originalLeft;
    }
    return outcome;
}

std::optional<std::string> totalsFileNotice(const std::string& source, const TotalsFileOutcome& outcome) {
    switch (outcome.fate) {
        case TotalsFileFate::Changed:
            return "The totals file " + source +
                   " changed while it was imported, so it stays where it is: what it holds now was "
                   "not imported.\nCompare it with the import log before importing it again.";
        case TotalsFileFate::InUse:
            return "The totals file " + source +
                   " stays where it is: another workstation is importing it.";
        case TotalsFileFate::Archived:
            if (!outcome.originalLeft) return std::nullopt;
            return ui::originalLeftMessage(source, {outcome.archive, outcome.originalLeft});
        case TotalsFileFate::Removed:
        case TotalsFileFate::StoppedEarly:
            break;
    }
    return std::nullopt;
}

}  // namespace ztl::single
