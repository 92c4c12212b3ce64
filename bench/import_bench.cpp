// Whole import runs against a simulated company of 300 accounts: transactions per second,
// the peak memory a run adds, and the share of the time the company itself takes. The
// second argument is the duplicate guard: 0 off (every entry sent unasked), 1 on with a
// company that holds nothing of the day yet, 2 on with one that holds the whole day (the
// day imported a second time: nothing is sent).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine/import/cls_ztl.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "qbsim/company.h"
#include "qbsim/sim_request_processor.h"

namespace fs = std::filesystem;
using namespace ztl;

namespace {

using Clock = std::chrono::steady_clock;

// Times every call that reaches the simulated company.
class TimedProcessor : public RequestProcessor {
  public:
    TimedProcessor(std::shared_ptr<RequestProcessor> inner, Clock::duration& spent)
        : inner_(std::move(inner)), spent_(spent) {}
    void OpenConnection(const std::string& a, const std::string& b) override {
        timed([&] { inner_->OpenConnection(a, b); });
    }
    std::string BeginSession(const std::string& f, int m) override {
        std::string r;
        timed([&] { r = inner_->BeginSession(f, m); });
        return r;
    }
    std::string ProcessRequest(const std::string& t, const std::string& q) override {
        std::string r;
        timed([&] { r = inner_->ProcessRequest(t, q); });
        return r;
    }
    void EndSession(const std::string& t) override {
        timed([&] { inner_->EndSession(t); });
    }
    void CloseConnection() override {
        timed([&] { inner_->CloseConnection(); });
    }
    std::string GetCurrentCompanyFileName(const std::string& t) override {
        return inner_->GetCurrentCompanyFileName(t);
    }

  private:
    template <class F>
    void timed(F&& f) {
        auto start = Clock::now();
        try {
            f();
        } catch (...) {
            spent_ += Clock::now() - start;
            throw;
        }
        spent_ += Clock::now() - start;
    }
    std::shared_ptr<RequestProcessor> inner_;
    Clock::duration& spent_;
};

class TimedFactory : public RequestProcessorFactory {
  public:
    fs::path company;
    Clock::duration spent{};
    std::shared_ptr<RequestProcessor> create() override {
        return std::make_shared<TimedProcessor>(std::make_shared<qbsim::SimRequestProcessor>(company), spent);
    }
};

long procStatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field) + 1));
    return 0;
}

// A company of 300 accounts (receivables, payables and "Sales Tax Payable" among them) and
// a totals file of n balanced transactions of 3 to 6 lines on those accounts.
struct World {
    fs::path dir, templateCompany, totals;
    std::vector<std::string> codes;

    explicit World(int transactions) {
        dir = fs::temp_directory_path() /
              ("ztl_bench_" + std::to_string(::getpid()) + "_" + std::to_string(transactions));
        fs::remove_all(dir);
        fs::create_directories(dir);
        templateCompany = dir / "template.qbw";
        auto company = qbsim::Company::create(templateCompany);
        std::vector<qbsim::NewAccount> accounts;
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
        company.addAccounts(accounts);
        company.addCustomer("Walk-in Customer");
        company.addVendor("Main Supplier");
        company.addVendor("State Tax Agency");

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
    ~World() { fs::remove_all(dir); }
};

RunRecord importOnce(Program& program, const World& world, int n) {
    clsZTL z(program);
    z.X390source(world.totals.string());
    z.ZTLTrcount = Decimal::fromInt(n);
    return z.NewStartImport();
}

void BM_WholeImport(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const long guard = state.range(1);
    World world(n);
    RecordingPrompter prompter;
    MemorySettingsStore settings;
    settings.set(kSettingsApp, "", "ARImportAccount", "Walk-in Customer");
    settings.set(kSettingsApp, "", "VendorImportAccount", "Main Supplier");
    settings.set(kSettingsApp, "", "TaxImportAccount", "State Tax Agency");
    FixedClock clock({2026, 12, 7, 21, 5, 3});
    TimedFactory factory;
    Program program;
    program.prompter = &prompter;
    program.settings = &settings;
    program.clock = &clock;
    program.processors = &factory;
    program.installFolder = world.dir;
    program.duplicateCheckOff = guard == 0;

    // The company that the run starts from: the chart alone, or the chart and the whole day.
    fs::path start = world.templateCompany;
    if (guard == 2) {
        start = world.dir / "posted.qbw";
        fs::copy_file(world.templateCompany, start);
        factory.company = start;
        importOnce(program, world, n);
    }

    Clock::duration total{};
    long peakGrowthKb = 0;
    int alreadyPosted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        factory.company = world.dir / "company.qbw";
        fs::copy_file(start, factory.company, fs::copy_options::overwrite_existing);
        factory.spent = {};
        std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak-memory mark
        long before = procStatusKb("VmRSS:");
        state.ResumeTiming();

        auto begin = Clock::now();
        alreadyPosted = importOnce(program, world, n).count(RunRecord::Outcome::AlreadyThere);
        total += Clock::now() - begin;

        state.PauseTiming();
        peakGrowthKb = std::max(peakGrowthKb, procStatusKb("VmHWM:") - before);
        state.ResumeTiming();
    }
    if (!prompter.shown.empty()) state.SkipWithError(("a message box: " + prompter.shown[0].text).c_str());
    double seconds = std::chrono::duration<double>(total).count();
    state.counters["txn_per_s"] =
        benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()) / seconds);
    state.counters["ms_per_txn"] =
        seconds * 1000.0 / (static_cast<double>(n) * static_cast<double>(state.iterations()));
    state.counters["peak_growth_kb"] = static_cast<double>(peakGrowthKb);
    state.counters["log_kb"] = static_cast<double>(fs::file_size(world.dir / "QBImport.log")) / 1024.0;
    state.counters["already_posted"] = alreadyPosted;
    state.counters["company_share"] = std::chrono::duration<double>(factory.spent).count() /
                                      std::chrono::duration<double>(total / state.iterations()).count();
}

}  // namespace

BENCHMARK(BM_WholeImport)->Args({100, 1})->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeImport)
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Args({2000, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
