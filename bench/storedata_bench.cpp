// KFind of random keys in a key index of one million 10-byte keys (basic form, 512-byte
// nodes, four levels), against the same lookups in a std::map and in an SQLite table with an
// index on the key. The index is written by the fixtures' bulk loader into a temporary store
// server tree and read through the engine's physical layer (pread per node, page cache warm).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "storedata/engine.h"
#include "storedata/key_index.h"
#include "storedata/logical.h"
#include "tools/storedata_fixtures/store_fixtures.h"

namespace {

namespace fs = std::filesystem;
namespace sd = ztl::storedata;
namespace fx = ztl::storedata::fixtures;

constexpr int kKeys = 1'000'000;
constexpr int kProbes = 1 << 16;

std::string keyOf(int i) {
    char k[16];
    std::snprintf(k, sizeof k, "K%09d", i * 7);  // 10 bytes
    return k;
}

struct World {
    fs::path dir;
    std::shared_ptr<sd::cLogicalFile> index;
    std::map<std::string, int32_t> map;
    sqlite3* db = nullptr;
    sqlite3_stmt* select = nullptr;
    std::vector<std::string> probes;  // random existing keys
    int depth = 0;

    World() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ztl-bench-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp");
        dir = buf.data();

        std::vector<fx::IndexEntry> entries;
        entries.reserve(kKeys);
        for (int i = 0; i < kKeys; ++i) entries.push_back({keyOf(i), i + 1});
        const fx::IndexOptions options{10};
        depth = fx::bulkIndexDepth(entries.size(), options);
        fx::StoreServerTree tree(dir / "shares", "SRV1", "DATA");
        tree.addCatalogue("DATA:BENCHCT", {fx::bulkIndex("BENCHX", entries, options)}, 1);

        setenv("ZENTREL_SHARES", (dir / "shares").c_str(), 1);
        sd::resetEngine();
        auto sys = std::make_shared<sd::cSystem>();
        sys->mUNCDrive = "SRV1";
        sys->mDirectory = "DATA";
        sd::engine().system = sys;
        sd::createRegistries();
        index = sd::LogicalOpen("BENCHX");
        if (!index) throw std::runtime_error("index not found");

        for (int i = 0; i < kKeys; ++i) map.emplace(keyOf(i), i + 1);

        if (sqlite3_open((dir / "bench.db").c_str(), &db) != SQLITE_OK) throw std::runtime_error("sqlite open");
        sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                         "CREATE TABLE keys(key BLOB NOT NULL, rec INTEGER NOT NULL);", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO keys VALUES (?, ?)", -1, &insert, nullptr);
        for (int i = 0; i < kKeys; ++i) {
            const std::string k = keyOf(i);
            sqlite3_bind_blob(insert, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 2, i + 1);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT; CREATE INDEX keys_key ON keys(key);", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, "SELECT rec FROM keys WHERE key = ?", -1, &select, nullptr);

        std::mt19937 rng(20261207);
        std::uniform_int_distribution<int> pick(0, kKeys - 1);
        for (int i = 0; i < kProbes; ++i) probes.push_back(keyOf(pick(rng)));
    }
    ~World() {
        sqlite3_finalize(select);
        sqlite3_close(db);
        sd::resetEngine();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

World& world() {
    static World w;
    return w;
}

void BM_KFind(benchmark::State& state) {
    World& w = world();
    std::string buff, key;
    int32_t rec = 0;
    size_t i = 0;
    for (auto _ : state) {
        key = w.probes[i++ & (kProbes - 1)];
        sd::KFind(w.index, buff, key, rec);
        if (rec <= 0) state.SkipWithError("key not found");
        benchmark::DoNotOptimize(rec);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["levels"] = w.depth;
}
BENCHMARK(BM_KFind);

void BM_StdMapFind(benchmark::State& state) {
    World& w = world();
    size_t i = 0;
    for (auto _ : state) {
        auto it = w.map.find(w.probes[i++ & (kProbes - 1)]);
        if (it == w.map.end()) state.SkipWithError("key not found");
        benchmark::DoNotOptimize(it->second);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdMapFind);

void BM_SQLiteIndexedSelect(benchmark::State& state) {
    World& w = world();
    size_t i = 0;
    for (auto _ : state) {
        const std::string& k = w.probes[i++ & (kProbes - 1)];
        sqlite3_bind_blob(w.select, 1, k.data(), static_cast<int>(k.size()), SQLITE_STATIC);
        if (sqlite3_step(w.select) != SQLITE_ROW) state.SkipWithError("key not found");
        benchmark::DoNotOptimize(sqlite3_column_int(w.select, 0));
        sqlite3_reset(w.select);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SQLiteIndexedSelect);

}  // namespace
