#include "engine/totals/transaction_sort.h"

#include "platform/vb_error.h"

namespace ztl {

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
    size_t n = rows.size();
    for (size_t gap = n / 2; gap > 0; gap /= 2) {
        bool exchanged = true;
        while (exchanged) {
            exchanged = false;
            for (size_t j = 0; j + gap < n; ++j) {
                if (rows[j][2] < rows[j + gap][2]) {
                    std::swap(rows[j], rows[j + gap]);
                    exchanged = true;
                }
            }
        }
    }
}

}  // namespace ztl
