// The record of the nights' runs read back: any bytes as a store's runs.jsonl, which a killed
// writer or a hand may have left damaged. The reading never fails, keeps only runs with a
// well-formed id, each once (a run's later line in the place of its earlier one), and what
// it keeps written again as the writer writes it reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "engine/unattended/run_history.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

std::string written(const ztl::RunEntry& run) {
    return ztl::toJson(run).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto runs = ztl::runsFromText(text);
    std::string again;
    std::set<std::string> ids;
    for (size_t i = 0; i < runs.size(); ++i) {
        require(ztl::isRunId(runs[i].id));
        require(ids.insert(runs[i].id).second);
        const std::string line = written(runs[i]);
        require(written(ztl::runEntryFromJson(nlohmann::json::parse(line))) == line);
        again += line + "\n";
    }
    require(ztl::runsFromText(again).size() == runs.size());
    return 0;
}
