// The totals file reader and the request writer: any bytes as X390.QB, read as the totals
// table is read, then walked block by block as the import run walks it, each block sorted
// and written as its journal entry request. Failures must be VbErrors the engine reports.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/import/cls_ztl.h"
#include "engine/totals/import_block_reader.h"
#include "engine/totals/totals_format.h"
#include "platform/store_date.h"
#include "platform/text_file.h"

namespace {

// Nobody answers the boxes: the engine takes each box's first button.
ztl::Program& program() {
    static ztl::Program p;
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // As Load390 reads it.
    ztl::TextReader table = ztl::TextReader::fromBytes(bytes);
    while (!table.atEnd()) {
        std::string line = table.readLine();
        if (!line.empty() && line[0] == 'T') (void)ztl::totals::tCount(line);
        (void)ztl::totals::totalsLine(line);
    }

    // As the import run walks it.
    ztl::clsZTL z(program());
    ztl::TextReader in = ztl::TextReader::fromBytes(bytes);
    ztl::ImportBlockReader blocks(in);
    try {
        blocks.readFirstLine();
        while (auto block = blocks.next()) {
            if (block->lines.empty()) continue;
            z.referenceNumber = block->referenceNumber;
            z.X390Sort(block->lines, block->lines.size());
            try {
                z.writeJournalEntry(ztl::readStoreDate(block->dateText));
            } catch (const ztl::VbError&) {
                // A date that is none, or the zero-amount rule: DoImport reports these.
            }
        }
    } catch (const ztl::VbError&) {
        // No Q line first, or nothing to read: the run's own report.
    }
    return 0;
}
