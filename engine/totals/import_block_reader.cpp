#include "engine/totals/import_block_reader.h"

#include "engine/totals/totals_format.h"
#include "platform/trim.h"
#include "platform/vb_error.h"

namespace ztl {
namespace {
bool startsWith(const std::string& s, std::string_view p) {
    return s.compare(0, p.size(), p) == 0;
}
}  // namespace

void ImportBlockReader::readFirstLine() {
    hand_ = in_.readLine();
    if (!startsWith(hand_, "Q"))
        throw VbError(kNotAQFile, "Zentrel.clsZTL.NewStartImport",
                      "The totals file does not begin with a Q line.");
}

bool ImportBlockReader::advance() {
    if (in_.atEnd()) return false;
    hand_ = in_.readLine();
    return true;
}

std::optional<DayBlock> ImportBlockReader::next() {
    auto end = [this] {
        ended_ = true;
        return std::nullopt;
    };
    if (ended_ || in_.atEnd()) return end();
    if (startsWith(hand_, "TRT") && !advance()) return end();
    if (startsWith(hand_, "Q") && !advance()) return end();
    if (!startsWith(hand_, "H")) return end();
    DayBlock block;
    block.referenceNumber = trimmed(totals::columns(hand_, 4, 9));
    block.dateText = std::string(totals::columns(hand_, 12, 12));
    if (!advance()) {
        ended_ = true;
        return block;
    }
    while (startsWith(hand_, "D")) {
        block.lines.push_back({totals::accountCode(hand_), totals::lineAmount(hand_)});
        if (!advance()) {
            ended_ = true;
            break;
        }
    }
    return block;
}

}  // namespace ztl
