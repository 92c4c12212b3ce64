// ztl totals [--single-store] FILE: the totals table as the main window shows it.
// ztl totals [--single-store] --table FILE: the day as a bookkeeper reads it: per transaction
// its accounts, their names in the company's chart, debits and credits, and the totals.
#include <algorithm>
#include <iostream>

#include "command.h"
#include "company_target.h"
#include "console.h"
#include "engine/company/company_session.h"
#include "engine/import/single_procedures.h"
#include "engine/totals/posted_sums.h"
#include "engine/totals/store_day.h"
#include "failure_notes.h"
#include "platform/trim.h"
#include "totals_archives.h"

namespace ztl::cli {
namespace {

// Characters, not bytes: the chart's names are UTF-8.
size_t width(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

std::string padRight(const std::string& s, size_t w) {
    return s + std::string(w > width(s) ? w - width(s) : 0, ' ');
}
std::string padLeft(const std::string& s, size_t w) {
    return std::string(w > width(s) ? w - width(s) : 0, ' ') + s;
}

struct Row {
    std::string account, name, debit, credit;
};

// The chart of the company the edition posts into, or nothing, said once on standard error:
// the table stands without names.
std::optional<CompanyChart> chartForNames(bool single) {
    QuickBooksConsole qb(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = qb.console.program;
    const std::string company =
        single ? p.settings->get(kSettingsApp, p.settingsSection, key::kCompany, "") : std::string();
    CompanySession session(p, company);
    const ChartLoad& load = session.loadChart();
    if (load.chart) return load.chart;
    failureNotes().line("ztl: the accounts are shown without their names: " + load.failure +
                        (load.failure.ends_with('.') ? "" : "."));
    return std::nullopt;
}

int table(const std::string& path, bool single) {
    std::shared_ptr<const StoreDay> walked;
    try {
        walked = readTotalsFile(path);
    } catch (const std::exception& ex) {
        const VbError e = toVbError(ex);
        if (e.number == vb::kFileNotFound)
            std::cerr << "ztl: "
                      << missingTotalsFileText(path, archivesOf(path),
                                               [&](const std::string& file) {
                                                   return std::string("ztl totals ") +
                                                          (single ? "--single-store " : "") + "--table " +
                                                          shellWord(file);
                                               })
                      << "\n";
        else
            std::cerr << "ztl: the totals file " << path << " could not be read (error # " << e.number << ": "
                      << e.description << ").\n";
        return 1;
    }
    const StoreDay& day = *walked;
    if (day.walkRefusal) {
        std::cerr << "ztl: " << path << " is not a totals file an import posts from (error # "
                  << day.walkRefusal->number << ": " << day.walkRefusal->description << ").\n";
        return 1;
    }
    const std::optional<CompanyChart> chart = chartForNames(single);

    // Every transaction's rows first, so that one set of column widths serves the whole day.
    struct Transaction {
        std::string heading;
        std::vector<Row> rows;
        Row total;
    };
    std::vector<Transaction> transactions;
    int withLines = 0;
    for (const DayBlock& block : day.blocks) {
        Transaction t;
        t.heading = "Invoice " + block.referenceNumber + "  " +
                    (block.date ? trimmed(block.dateText) : "date unreadable: \"" + block.dateText + "\"");
        if (block.lines.empty()) t.heading += "  (no lines: nothing is posted)";
        for (const StoreLine& line : block.lines) {
            Row r;
            r.account = line.accountCode;
            if (chart) {
                const CompanyChart::Account* account = chart->resolve(line.accountCode);
                r.name = account ? account->fullName : "(no such account in QuickBooks)";
            }
            // As the request posts it: a positive amount is a debit, anything else a credit.
            (line.amount.sign() > 0 ? r.debit : r.credit) = plainAmount(line.amount);
            t.rows.push_back(std::move(r));
        }
        if (!block.lines.empty()) {
            ++withLines;
            const PostedSums sums = postedSums(block);
            t.total = {"Total", "", plainAmount(sums.debits), plainAmount(sums.credits)};
        }
        transactions.push_back(std::move(t));
    }

    Row header{"Account", chart ? "Name" : "", "Debit", "Credit"};
    size_t wAccount = width(header.account), wName = width(header.name), wDebit = width(header.debit),
           wCredit = width(header.credit);
    auto widen = [&](const Row& row) {
        wAccount = std::max(wAccount, width(row.account));
        wName = std::max(wName, width(row.name));
        wDebit = std::max(wDebit, width(row.debit));
        wCredit = std::max(wCredit, width(row.credit));
    };
    for (const auto& t : transactions) {
        for (const auto& r : t.rows) widen(r);
        widen(t.total);
    }
    auto print = [&](const Row& r) {
        std::string line = "  " + padRight(r.account, wAccount) + "  ";
        if (chart) line += padRight(r.name, wName) + "  ";
        line += padLeft(r.debit, wDebit) + "  " + padLeft(r.credit, wCredit);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::cout << line << "\n";
    };
    for (const auto& t : transactions) {
        std::cout << t.heading << "\n";
        if (t.rows.empty()) continue;
        print(header);
        for (const auto& r : t.rows) print(r);
        print(t.total);
        std::cout << "\n";
    }
    const PostedSums daySums = postedSums(day);
    std::cout << withLines << (withLines == 1 ? " transaction" : " transactions") << " with lines: debits "
              << plainAmount(daySums.debits) << ", credits " << plainAmount(daySums.credits) << "\n";
    std::cout.flush();
    return 0;
}

int totals(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    bool single = takeFlag(args, "--single-store");
    bool asTable = takeFlag(args, "--table");
    if (args.size() != 1 || args[0].starts_with("--"))
        return usageError("totals", "one totals file expected");
    if (asTable) return table(args[0], single);
    ConsoleProgram console(single ? Edition::SingleStore : Edition::MultiStore);
    const LoadedTotals loaded = loadTotals(console.program, args[0]);
    for (const auto& line : loaded.table) std::cout << line << "\n";
    if (single)
        std::cout << "count=" << loaded.qLineCount << "\n";
    else
        std::cout << "ZTLTrcount=" << (loaded.transactionCount ? loaded.transactionCount->text() : std::string())
                  << "\n";
    std::cout.flush();
    return console.exitStatus();
}

ZtlCommand reg("totals", &totals);

}  // namespace
}  // namespace ztl::cli
