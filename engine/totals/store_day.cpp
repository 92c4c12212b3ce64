#include "engine/totals/store_day.h"

#include <algorithm>
#include <string_view>

#include "engine/totals/import_block_reader.h"
#include "platform/calendar.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/trim.h"

namespace ztl {
namespace {

// The table, the headers and the counts: every line on its own.
void readTable(StoreDay& day) {
    TextReader in = TextReader::fromBytes(day.bytes);
    int row = 0;
    bool inTransaction = false, inRun = false;
    while (!in.atEnd()) {
        std::string line = in.readLine();
        const bool detail = line.starts_with('D');
        if (detail && !inRun) ++day.lineRuns;
        inRun = detail;
        if (line.starts_with('Q')) ++day.qLines;
        if (line.starts_with('T')) day.tCount = day.tCount.value_or(Decimal()) + totals::tCount(line);
        auto entry = totals::totalsLine(line);
        if (!entry) continue;
        if (line[0] == 'H') {
            day.headers.push_back({trimmed(totals::columns(line, 3, 9)), row, 1, in.atEnd()});
            inTransaction = true;
        } else if (detail && inTransaction) {
            ++day.headers.back().rows;
        } else {
            inTransaction = false;
        }
        day.table.push_back(std::move(*entry));
        ++row;
    }
}

// The blocks, as the import's walk meets them.
void readBlocks(StoreDay& day) {
    TextReader in = TextReader::fromBytes(day.bytes);
    ImportBlockReader walk(in);
    try {
        walk.readFirstLine();
    } catch (const VbError& e) {
        day.walkRefusal = e;
        return;
    }
    long first = 0, last = 0;
    while (auto block = walk.next()) {
        DayBlock b = std::move(*block);
        try {
            b.date = readStoreDate(b.dateText);
        } catch (const VbError& e) {
            b.dateError = e;
        }
        if (b.date && !b.lines.empty()) {
            const long n = dayNumber(b.date->year, b.date->month, b.date->day);
            first = day.first ? std::min(first, n) : n;
            last = day.first ? std::max(last, n) : n;
            day.first = day.last = CalendarDate{};
        }
        day.blocks.push_back(std::move(b));
    }
    if (day.first) {
        dateOfDayNumber(first, day.first->year, day.first->month, day.first->day);
        dateOfDayNumber(last, day.last->year, day.last->month, day.last->day);
    }
}

}  // namespace

int StoreDay::transactionsWithLines() const {
    return static_cast<int>(
        std::count_if(blocks.begin(), blocks.end(), [](const DayBlock& b) { return !b.lines.empty(); }));
}

std::optional<std::string> StoreDay::notWhole() const {
    if (bytes.empty()) return "it is empty";
    if (bytes.back() != '\n' && bytes.back() != '\r')
        return "its last line has no line end: it was cut in the middle of a line";
    std::string_view rest(bytes);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.remove_suffix(1);
    const size_t start = rest.find_last_of("\r\n");
    const std::string_view lastLine = start == std::string_view::npos ? rest : rest.substr(start + 1);
    if (!lastLine.starts_with('T') && !lastLine.starts_with('*'))
        return "its last line is not a trailer (TRT, T or the end line): it was cut after \"" +
               std::string(lastLine.substr(0, 40)) + "\"";
    // A transaction voided at the register keeps its H and TRT lines and has no lines to post:
    // the store system may count it or not, so either count is the whole day.
    const int held = transactionsWithLines();
    const int voided = static_cast<int>(blocks.size()) - held;
    const std::string counted = tCount.value_or(Decimal()).text();
    if (counted != std::to_string(held) && counted != std::to_string(held + voided))
        return "its T lines count " + counted + " transaction" + (counted == "1" ? "" : "s") + ", and it holds " +
               std::to_string(held) + (voided > 0 ? " and " + std::to_string(voided) + " without lines" : "");
    return std::nullopt;
}

StoreDay StoreDay::read(const std::filesystem::path& file) {
    return fromBytes(readWholeFile(file));
}

StoreDay StoreDay::fromBytes(std::string bytes) {
    StoreDay day;
    day.bytes = std::move(bytes);
    readTable(day);
    readBlocks(day);
    return day;
}

std::shared_ptr<const StoreDay> readTotalsFile(const std::string& path) {
    return std::make_shared<const StoreDay>(StoreDay::read(paths::map(path)));
}

std::shared_ptr<const StoreDay> walkTotalsFile(const std::string& path) {
    try {
        return readTotalsFile(path);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace ztl
