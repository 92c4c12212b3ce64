#include "engine/review/store_day.h"

#include <filesystem>

#include "engine/totals/import_block_reader.h"
#include "platform/calendar.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace ztl {

StoreDay readStoreDay(clsZTL& engine, const std::string& totalsPath) {
    StoreDay day;
    std::filesystem::path path = paths::map(totalsPath);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw vbError(vb::kFileNotFound);
    TextReader in(path);
    ImportBlockReader blocks(in);
    blocks.readFirstLine();
    long first = 0, last = 0;
    while (auto block = blocks.next()) {
        if (block->lines.empty()) continue;
        DayTransaction t;
        t.referenceNumber = block->referenceNumber;
        try {
            CalendarDate date = readStoreDate(block->dateText);
            engine.referenceNumber = block->referenceNumber;
            engine.X390Sort(block->lines, block->lines.size());
            engine.writeJournalEntry(date);
            t.transaction = transactionOfRequest(engine.requestText);
            long n = dayNumber(date.year, date.month, date.day);
            first = day.first ? std::min(first, n) : n;
            last = day.first ? std::max(last, n) : n;
            day.first = day.last = CalendarDate{};
        } catch (const std::exception& ex) {
            t.unpostable = toVbError(ex).description;
        }
        day.transactions.push_back(std::move(t));
    }
    if (day.first) {
        dateOfDayNumber(first, day.first->year, day.first->month, day.first->day);
        dateOfDayNumber(last, day.last->year, day.last->month, day.last->day);
    }
    return day;
}

}  // namespace ztl
