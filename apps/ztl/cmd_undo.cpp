// ztl undo [--single-store] [--yes] [--totals FILE] LOG: removes from QuickBooks the journal
// entries that the import log records as posted by its run, after listing them and reading
// YES from the terminal (--yes answers for scripts). Exit status 0 when QuickBooks holds none
// of them afterwards (also when there was nothing left to remove), 1 otherwise.
#include <filesystem>
#include <iostream>

#include "command.h"
#include "company_target.h"
#include "console.h"
#include "engine/company/file_names.h"
#include "engine/review/undo_run.h"
#include "failure_notes.h"
#include "platform/paths.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "totals_archives.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {


bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(paths::map(path), ec);
}

// The next step when the totals file beside the log is gone: its archives, and the undo
// that compares each entry's lines with the newest.
std::string archivedTotalsHint(const std::string& besideLog, const std::vector<std::string>& archives,
                               const std::string& undoWithTotals) {
    std::string text;
    if (archives.empty()) {
        text = "No archive of " + besideLog + " is beside the log either.";
    } else {
        text = "Archives of " + besideLog + " beside the log, newest first: ";
        for (size_t i = 0; i < archives.size(); ++i) text += (i ? ", " : "") + archives[i];
        text += ".";
    }
    return text + "\nTo compare each entry's lines with the day's totals file too, name it: " + undoWithTotals;
}

// After an undo what the import posted is out of QuickBooks: how it goes in again, with its
// commands.
void printImportAgain(const std::string& log, const std::string& totals, bool single) {
    const std::string source = totalsPathOfLog(log);
    if (source.empty()) return;
    const std::string edition = single ? "--single-store " : "";
    std::cout << "What this import posted is out of QuickBooks. To post it again (the import sends only what "
                 "QuickBooks does not hold)";
    if (!exists(source)) {
        const std::vector<std::string> archives = archivesOf(source);
        const std::string archive = !totals.empty() ? totals : archives.empty() ? std::string() : archives[0];
        if (archive.empty()) {
            std::cout << ", put its totals file back as " << source << " and run: ztl import " << edition
                      << shellWord(source) << "\n";
            return;
        }
        std::cout << ", put it back and import it:\n  cp " << shellWord(paths::map(archive).string()) << " "
                  << shellWord(paths::map(source).string()) << "\n";
    } else {
        std::cout << ":\n";
    }
    std::cout << "  ztl import " << edition << shellWord(source) << "\n";
}

int undo(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    bool yes = takeFlag(args, "--yes");
    bool missing = false;
    std::string totals = takeOption(args, "--totals", missing);
    if (missing || args.size() != 1 || args[0].starts_with("--"))
        return usageError("undo", "one import log expected");
    const std::string& log = args[0];
    auto undoWithTotals = [&](const std::string& file) {
        return std::string("ztl undo ") + (single ? "--single-store " : "") + "--totals " + shellWord(file) + " " +
               shellWord(log);
    };
    if (!totals.empty() && !exists(totals)) {
        std::cerr << "ztl: " << missingTotalsFileText(totals, archivesOf(totals), undoWithTotals) << "\n";
        return 1;
    }
    // Without the totals file the entries are checked against QuickBooks' record only; the
    // listing then says where the day's file went and how to name it.
    std::string hint;
    if (const std::string beside = totalsPathOfLog(log); totals.empty() && !beside.empty() && !exists(beside)) {
        const std::vector<std::string> archives = archivesOf(beside);
        hint = archivedTotalsHint(beside, archives, undoWithTotals(archives.empty() ? "FILE" : archives[0]));
    }

    QuickBooksConsole qb(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = qb.console.program;
    std::optional<std::string> company = companyTarget(p);
    if (!company) return 1;
    try {
        CompanySession target(p, *company);
        UndoPlan plan = planUndo(target, log, totals);
        if (plan.entries.empty()) {
            std::cout << "The import log names no entry that its run posted: nothing to undo.\n";
            return 0;
        }
        if (plan.toRemove() > 0) {
            // The hint follows the listing's note on the totals file; the log keeps the note alone.
            const std::string note = plan.totalsNote;
            if (!hint.empty()) plan.totalsNote += "\n" + hint;
            std::cout << undoConfirmationText(plan) << std::endl;
            plan.totalsNote = note;
            if (!yes) {
                std::string answer;
                std::getline(std::cin, answer);
                if (!answer.empty() && answer.back() == '\r') answer.pop_back();
                if (!isUndoConfirmation(answer)) {
                    std::cout << "Not confirmed: nothing was removed.\n";
                    return 1;
                }
            }
        }
        carryOutUndo(target, plan, p.clock);
        for (const auto& line : plan.report()) std::cout << line << "\n";
        if (plan.complete() && plan.postedAnything()) {
            printImportAgain(log, totals, single);
        } else if (plan.complete()) {
            std::cout << "This import posted nothing itself: every entry it names was in QuickBooks before it, "
                         "posted by an earlier run. To remove them, undo the import log of that run (each "
                         "entry above names it, where it is known).\n";
        }
        std::cout.flush();
        return plan.complete() ? 0 : 1;
    } catch (const CompanyError& e) {
        failureNotes().line(std::string("ztl: ") + e.what());
        return 1;
    } catch (const VbError& e) {
        std::cerr << "ztl: the import log " << args[0] << " could not be written (error # " << e.number
                  << ": " << e.description << "); the entries removed so far are listed by ztl reconcile.\n";
        return 1;
    }
}

ZtlCommand reg("undo", &undo);

}  // namespace
}  // namespace ztl::cli
