#include "engine/totals/transaction_sort.h"

#include "platform/vb_error.h"

namespace ztl {
namespace {

// Descending by the key's character codes, with a diminishing-gap exchange sort in which
// equal keys never exchange: the order the import has always listed an entry's lines in.
template <typename Row, typename Key>
void sortByAmountText(std::vector<Row>& rows, Key key) {
    const size_t n = rows.size();
    for (size_t gap = n / 2; gap > 0; gap /= 2) {
        bool exchanged = true;
        while (exchanged) {
            exchanged = false;
            for (size_t j = 0; j + gap < n; ++j) {
                if (key(rows[j]) < key(rows[j + gap])) {
                    std::swap(rows[j], rows[j + gap]);
                    exchanged = true;
                }
            }
        }
    }
}

}  // namespace

void sortTransactionRows(const std::vector<std::string>& lines, size_t count, SortedLineTable& rows) {
    rows.assign(count, {});
    for (size_t r = 0; r < count; ++r) {
        if (r >= lines.size()) throw vbError(vb::kSubscriptOutOfRange);
        const std::string& entry = lines[r];
        // Split at the first and the last comma: the amount text never holds one, so a comma
        // inside an account code stays in the code instead of taking the amount's place.
        size_t first = entry.find(',');
        size_t last = entry.rfind(',');
        if (first == std::string::npos || first == last) throw vbError(vb::kSubscriptOutOfRange);
        rows[r] = {entry.substr(0, first), entry.substr(first + 1, last - first - 1), entry.substr(last + 1)};
    }
    sortByAmountText(rows, [](const std::array<std::string, 3>& row) -> const std::string& { return row[2]; });
}

std::vector<PostingLine> sortedPostingLines(const std::vector<StoreLine>& lines) {
    struct Keyed {
        PostingLine line;
        std::string key;  // the amount as the sort compares it
    };
    std::vector<Keyed> rows;
    rows.reserve(lines.size());
    for (const StoreLine& l : lines) rows.push_back({{l.accountCode, l.amount}, l.amount.text()});
    sortByAmountText(rows, [](const Keyed& row) -> const std::string& { return row.key; });
    std::vector<PostingLine> sorted;
    sorted.reserve(rows.size());
    for (Keyed& row : rows) sorted.push_back(std::move(row.line));
    return sorted;
}

}  // namespace ztl
