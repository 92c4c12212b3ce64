// The totals file reader and the request writer: any bytes as X390.QB, read as the totals
// table is read, then walked block by block as the import run walks it, each block sorted
// and written as its journal entry request. Failures must be VbErrors the engine reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/import/cls_ztl.h"
#include "engine/totals/store_day.h"

namespace {

// Nobody answers the boxes: the engine takes each box's first button.
ztl::Program& program() {
    static ztl::Program p;
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // As every reader walks it, then each transaction planned as the import run sends it.
    const ztl::StoreDay day = ztl::StoreDay::fromBytes(bytes);
    ztl::clsZTL z(program());
    for (const ztl::DayBlock& block : day.blocks)
        if (!block.lines.empty()) (void)z.planEntry(block);
    // The whole-day rule never fails, always says why not, and never takes a file whose last
    // line has no line end (CR or LF) for the whole day: the store system may still be writing it.
    const std::optional<std::string> notWhole = day.notWhole();
    if (notWhole && notWhole->empty()) std::abort();
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r' && !notWhole) std::abort();
    return 0;
}
