// The check before an import on a day of n transactions against a simulated company of 300
// accounts: every transaction judged (nothing posted yet), and every transaction found among
// the entries QuickBooks holds (the day posted already), where each is matched against the
// whole answer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine/company/company_session.h"
#include "engine/review/check_run.h"
#include "engine/import/cls_ztl.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "qbsim/company.h"
#include "qbsim/processor_factory.h"

namespace fs = std::filesystem;
using namespace ztl;

namespace {

struct CheckWorld {
    fs::path dir, company, totals;

    explicit CheckWorld(int transactions) {
        dir = fs::temp_directory_path() /
              ("ztl_check_bench_" + std::to_string(::getpid()) + "_" + std::to_string(transactions));
        fs::remove_all(dir);
        fs::create_directories(dir);
        company = dir / "company.qbw";
        auto c = qbsim::Company::create(company);
        std::vector<qbsim::NewAccount> accounts;
        std::vector<std::string> codes;
        for (int i = 0; i < 300; ++i) {
            std::string number = std::to_string(1000 + i);
            std::string type = i == 1   ? "AccountsReceivable"
                               : i == 2 ? "AccountsPayable"
                               : i % 3  ? "Income"
                                        : "Expense";
            std::string name = i == 3 ? "Sales Tax Payable" : "Account " + number;
            if (i == 3) type = "OtherCurrentLiability";
            accounts.push_back({number, name, type, ""});
            codes.push_back(number);
        }
        c.addAccounts(accounts);
        c.addCustomer("Walk-in Customer");
        c.addVendor("Main Supplier");
        c.addVendor("State Tax Agency");

        std::mt19937 rng(42);
        std::string text;
        char buf[64];
        for (int t = 0; t < transactions; ++t) {
            text += "Q 0003 BENCH STORE\r\n";
            std::snprintf(buf, sizeof buf, "H  %-8d %-8s\r\n", 100000 + t, "12/05/26");
            text += buf;
            int lines = 3 + static_cast<int>(rng() % 4);
            long total = 0;
            for (int l = 0; l + 1 < lines; ++l) {
                long cents = 100 + static_cast<long>(rng() % 100000);
                total += cents;
                std::snprintf(buf, sizeof buf, "D %-7s %12.2f %12s\r\n", codes[rng() % codes.size()].c_str(),
                              static_cast<double>(cents) / 100.0, "0.00");
                text += buf;
            }
            std::snprintf(buf, sizeof buf, "D %-7s %12s %12.2f\r\n", codes[rng() % codes.size()].c_str(),
                          "0.00", static_cast<double>(-total) / 100.0);
            text += buf;
            text += "TRT    1\r\n";
        }
        totals = dir / "X390.QB";
        std::ofstream(totals, std::ios::binary) << text;
    }
    ~CheckWorld() { fs::remove_all(dir); }
};

void BM_CheckBeforeImport(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool posted = state.range(1) != 0;
    CheckWorld world(n);
    qbsim::SimProcessorFactory quickBooks(world.company);
    RecordingPrompter prompter;
    MemorySettingsStore settings;
    settings.set(kSettingsApp, "", "ARImportAccount", "Walk-in Customer");
    settings.set(kSettingsApp, "", "VendorImportAccount", "Main Supplier");
    settings.set(kSettingsApp, "", "TaxImportAccount", "State Tax Agency");
    FixedClock clock({2026, 12, 7, 21, 5, 3});
    Program program;
    program.prompter = &prompter;
    program.settings = &settings;
    program.clock = &clock;
    program.processors = &quickBooks;
    program.installFolder = world.dir;
    if (posted) {
        clsZTL z(program);
        z.X390source(world.totals.string());
        z.ZTLTrcount = Decimal::fromInt(n);
        z.NewStartImport();
    }
    ChartReading chart;
    {
        CompanySession session(program, "");
        chart.chart = session.loadChart().chart;
    }
    int flagged = 0;
    for (auto _ : state) {
        TotalsCheck check = checkBeforeImport(program, "", world.totals.string(), chart);
        flagged = check.flaggedCount();
        if (!check.incomplete.empty()) state.SkipWithError(check.incomplete.c_str());
    }
    if (flagged != (posted ? n : 0)) state.SkipWithError("the check did not find what the day holds");
    state.counters["txn_per_s"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_CheckBeforeImport)->Args({2000, 0})->Args({2000, 1})->Unit(benchmark::kMillisecond);
