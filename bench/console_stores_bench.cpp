// The bookkeeper's console over a year of nights: 20 stores with 365 runs each (an import
// log each, some refusals, a few pending days), the stores page, one store's page and the
// status page answered through the console as the service's workers ask it, signed in.
// Server time per page, without HTTP.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "engine/unattended/run_history.h"
#include "qbwc/console/bookkeeper_console.h"
#include "qbwc/console/console_password_file.h"
#include "qbwc/console/console_store_pages.h"
#include "qbwc/password_hash.h"

namespace fs = std::filesystem;
using namespace ztl;
using namespace ztl::qbwc;

namespace {

constexpr int kStores = 20;
constexpr int kNights = 365;

std::string night(int day) {
    const std::time_t t = 1735680600 + static_cast<std::time_t>(day) * 86400;  // 2025-01-01 21:30 UTC
    return recordTime(std::chrono::system_clock::from_time_t(t));
}

// A year of one store's runs, written as the run history writes each line.
void writeYear(const fs::path& runs, const StoreOfRuns& store) {
    const fs::path folder = runs / storeKey(store.totalsFile);
    fs::create_directories(folder);
    std::ofstream(folder / kStoreOfRunsName) << nlohmann::json{{"totalsFile", store.totalsFile},
                                                               {"localFile", store.localFile},
                                                               {"label", store.label}}
                                                    .dump()
                                             << "\n";
    std::ofstream lines(folder / kRunsFileName);
    for (int d = 0; d < kNights; ++d) {
        RunEntry run;
        run.id = night(d).substr(0, 4) + night(d).substr(5, 2) + night(d).substr(8, 2) + "T213000Z-1";
        run.start = run.end = night(d);
        const bool refused = d % 9 == 0;
        run.exitStatus = refused ? 1 : 0;
        run.counts.posted = 40 + d % 7;
        run.counts.refused = refused ? 2 : 0;
        run.mail = refused ? "sent" : "not wanted";
        run.headline = store.label + ", " + night(d).substr(0, 10) + ": " + std::to_string(run.counts.posted) + " posted";
        RunDay day;
        day.date = night(d).substr(0, 10);
        day.dateText = day.date;
        day.attempted = true;
        day.whole = !refused;
        day.logName = day.date + " QBImport.log";
        day.log = run.id + " 1.log";
        if (refused) {
            day.transactions.push_back({"1010" + std::to_string(d), "refused", "3140", "Error",
                                        "There is an invalid reference to QuickBooks Account \"9999\" in the Journal Entry."});
            day.transactions.push_back({"1011" + std::to_string(d), "refused", "3120", "Error",
                                        "Object \"Fixtures\" specified in the request cannot be found.  "});
        }
        run.days.push_back(day);
        lines << toJson(run).dump() << "\n";
        std::ofstream(folder / day.log) << "Transaction : 1\r\nStatus Code = 0\r\n";
    }
}

struct World {
    fs::path dir = fs::temp_directory_path() / ("ztl_console_bench_" + std::to_string(::getpid()));
    std::unique_ptr<BookkeeperConsole> console;
    std::string cookie;
    std::string oneStore;

    World() {
        fs::remove_all(dir);
        const fs::path runs = dir / "runs";
        for (int s = 1; s <= kStores; ++s) {
            const fs::path totals = dir / "CATCON" / (std::to_string(s) + "X390.QB");
            fs::create_directories(totals.parent_path() / "pending");
            std::ofstream(totals) << "Q\r\n";
            for (int p = 0; p < 3; ++p)
                std::ofstream(totals.parent_path() / "pending" /
                              ("2025-12-2" + std::to_string(p) + " " + totals.filename().string()))
                    << "a day";
            writeYear(runs, {totals.string(), totals.string(), "Store " + std::to_string(s)});
            if (s == 7) oneStore = "/console/stores/" + storeKey(totals.string());
        }
        writeConsolePasswordHash(dir / "console-password", hashPassword("bench", 1000));
        ConsoleSetup setup{dir / "console-password", [] { return std::string("qbwc:127.0.0.1:8080"); },
                           "qbwc:127.0.0.1:8080", std::chrono::minutes(30), {}};
        auto stores = std::make_shared<ConsoleStores>(ConsoleStoresSetup{
            runs, dir / "timers", [](const std::string&) { return std::string("C:\\Books\\Shop.qbw"); },
            [] { return std::string("21:30"); }});
        auto pages = std::make_shared<StorePages>(stores);
        setup.routes.push_back([pages](const ConsoleVisit& visit) { return pages->answer(visit); });
        setup.nights = [stores](std::chrono::system_clock::time_point now) { return stores->glance(now); };
        console = std::make_unique<BookkeeperConsole>(setup);

        ConsoleReply form = ask("/console/");
        std::smatch token;
        std::regex_search(form.body, token, std::regex("name=\"token\" value=\"([0-9a-f]+)\""));
        std::string signInCookie;
        for (const auto& [n, v] : form.headers)
            if (n == "Set-Cookie") signInCookie = v.substr(0, v.find(';'));
        ConsoleRequest in{"POST", "/console/sign-in", signInCookie, "application/x-www-form-urlencoded",
                          "token=" + token[1].str() + "&password=bench", "127.0.0.1", false};
        for (const auto& [n, v] : console->answer(in, [] { return ServiceStatus{}; }).headers)
            if (n == "Set-Cookie" && v.starts_with("zentrel_console=")) cookie = v.substr(0, v.find(';'));
    }
    ~World() { fs::remove_all(dir); }

    ConsoleReply ask(const std::string& target) {
        ConsoleRequest request{"GET", target, cookie, "", "", "127.0.0.1", false};
        return console->answer(request, [] { return ServiceStatus{}; });
    }
};

World& world() {
    static World w;
    return w;
}

void page(benchmark::State& state, const std::string& target) {
    World& w = world();
    std::size_t bytes = 0;
    for (auto _ : state) {
        ConsoleReply reply = w.ask(target);
        if (reply.status != 200) state.SkipWithError(("the console answered " + std::to_string(reply.status)).c_str());
        bytes = reply.body.size();
        benchmark::DoNotOptimize(reply);
    }
    state.counters["page_bytes"] = static_cast<double>(bytes);
}

void BM_ConsoleStoresPage(benchmark::State& state) {
    page(state, "/console/stores");
}
void BM_ConsoleStorePage(benchmark::State& state) {
    page(state, world().oneStore);
}
void BM_ConsoleStatusPage(benchmark::State& state) {
    page(state, "/console/");
}

// The first look after the service starts: nothing parsed yet, every store's runs read whole.
void BM_ConsoleStoresPageFirstLook(benchmark::State& state) {
    World& w = world();
    const ConsoleRequest request{"GET", "/console/stores", "", "", "", "127.0.0.1", false};
    for (auto _ : state) {
        state.PauseTiming();
        auto stores = std::make_shared<ConsoleStores>(ConsoleStoresSetup{
            w.dir / "runs", w.dir / "timers", [](const std::string&) { return std::string("C:\\Books\\Shop.qbw"); },
            [] { return std::string("21:30"); }});
        StorePages pages(stores);
        state.ResumeTiming();
        auto reply = pages.answer({request, "/console/stores", "", {}, false, "token", "127.0.0.1",
                                   std::chrono::system_clock::now()});
        if (!reply || reply->status != 200) state.SkipWithError("the stores page was not answered");
        benchmark::DoNotOptimize(reply);
    }
}

}  // namespace

BENCHMARK(BM_ConsoleStoresPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConsoleStorePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConsoleStatusPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConsoleStoresPageFirstLook)->Unit(benchmark::kMillisecond);
