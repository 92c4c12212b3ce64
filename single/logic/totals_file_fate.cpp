#include "single/logic/totals_file_fate.h"

#include <cerrno>
#include <cstdio>

#include "engine/import_log.h"
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
    if (!run.reachedEnd || !run.totalsBefore) return TotalsFileFate::StoppedEarly;
    if (run.totalsAfter != run.totalsBefore) return TotalsFileFate::Changed;
    if (run.lockedElsewhere) return TotalsFileFate::InUse;
    int expected = transactionsToPost(*run.totalsBefore);
    bool allPosted = !run.refusedEntry && expected > 0 && run.log && postedEntries(*run.log) == expected;
    return allPosted ? TotalsFileFate::Removed : TotalsFileFate::Archived;
}

TotalsFileOutcome settleTotalsFile(const std::string& source, TotalsFileFate fate, const Clock& clock) {
    TotalsFileOutcome outcome{fate, {}};
    if (fate == TotalsFileFate::Removed) {
        if (std::remove(paths::map(source).c_str()) != 0) throw vbErrorOfErrno(errno);
    } else if (fate == TotalsFileFate::Archived) {
        std::optional<std::string> archive = ui::ArchiveFile(source, clock);
        if (!archive) throw vbError(vb::kPathFileAccessError);
        outcome.archive = *archive;
    }
    return outcome;
}

}  // namespace ztl::single
