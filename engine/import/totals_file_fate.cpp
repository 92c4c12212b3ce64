#include "engine/import/totals_file_fate.h"

#include <cerrno>
#include <cstdio>

#include "engine/totals/store_day.h"
#include "platform/os_error.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/vb_error.h"
#include "engine/import/archive_file.h"

namespace ztl {
TotalsFileFate totalsFileFate(const ImportRunRecord& record) {
    const RunRecord& run = record.run;
    // A refused run stops before its results: it is told apart from one that failed.
    if (run.lockHeldElsewhere) return TotalsFileFate::InUse;
    if (!run.reachedEnd || !record.totalsBefore) return TotalsFileFate::StoppedEarly;
    if (record.totalsAfter != record.totalsBefore) return TotalsFileFate::Changed;
    if (run.count(RunRecord::Outcome::NoAnswer) > 0) return TotalsFileFate::AnswerLost;
    return run.postedWhole() ? TotalsFileFate::Removed : TotalsFileFate::Archived;
}

TotalsFileOutcome settleTotalsFile(const std::string& source, TotalsFileFate fate, const Clock& clock) {
    TotalsFileOutcome outcome{fate, {}};
    if (fate == TotalsFileFate::Removed) {
        // The file leaves its place, so that it is not imported twice; its bytes stay under the
        // archive's name, so that the day can still be reconciled or undone. A file that cannot
        // be archived is removed all the same: QuickBooks holds every transaction of it.
        if (std::optional<ArchivedFile> archive = ArchiveFile(source, clock);
            archive && !archive->originalLeft) {
            outcome.archive = archive->name;
        } else if (std::remove(paths::map(source).c_str()) != 0) {
            throw vbErrorOfErrno(errno);
        } else if (archive) {
            outcome.archive = archive->name;
        }
    } else if (fate == TotalsFileFate::Archived) {
        std::optional<ArchivedFile> archive = ArchiveFile(source, clock);
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
        case TotalsFileFate::AnswerLost:
            return "The totals file " + source +
                   " stays where it is: QuickBooks' answer to an entry never came back, so that entry may "
                   "or may not be in QuickBooks.\nImport the file again once QuickBooks can be reached: "
                   "the import asks QuickBooks what it holds and sends only what is missing.";
        case TotalsFileFate::Archived:
            if (!outcome.originalLeft) return std::nullopt;
            return originalLeftMessage(source, {outcome.archive, outcome.originalLeft});
        case TotalsFileFate::Removed:
        case TotalsFileFate::StoppedEarly:
            break;
    }
    return std::nullopt;
}

std::string totalsFileLine(const TotalsFileOutcome& outcome) {
    switch (outcome.fate) {
        case TotalsFileFate::Removed:
            return "removed: QuickBooks holds every transaction" +
                   (outcome.archive.empty() ? std::string() : "; a copy is kept as " + outcome.archive);
        case TotalsFileFate::Archived:
            return "archived as " + outcome.archive;
        case TotalsFileFate::StoppedEarly:
            return "left where it is: the import stopped before every transaction was sent";
        case TotalsFileFate::AnswerLost:
            return "left where it is: an answer never came back; the next import sends only what is missing";
        case TotalsFileFate::Changed:
            return "left where it is: it changed while it was imported";
        case TotalsFileFate::InUse:
            return "left where it is: another workstation is importing it";
    }
    return {};
}

}  // namespace ztl
