#include "engine/import_block_reader.h"

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

std::optional<totals::ImportBlock> ImportBlockReader::next() {
    if (ended_ || in_.atEnd()) {
        ended_ = true;
        return std::nullopt;
    }
    if (startsWith(hand_, "TRT")) hand_ = in_.readLine();
    if (startsWith(hand_, "Q")) hand_ = in_.readLine();
    if (!startsWith(hand_, "H")) {
        ended_ = true;
        return std::nullopt;
    }
    totals::ImportBlock block;
    block.referenceNumber = totals::trim(totals::columns(hand_, 4, 9));
    block.dateText = std::string(totals::columns(hand_, 12, 12));
    hand_ = in_.readLine();
    while (startsWith(hand_, "D")) {
        block.lines.push_back(totals::transactionEntry(hand_));
        hand_ = in_.readLine();
    }
    return block;
}

}  // namespace ztl
