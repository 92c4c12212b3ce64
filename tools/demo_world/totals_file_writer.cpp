#include "tools/demo_world/totals_file_writer.h"

#include <stdexcept>

namespace ztl::demo {
namespace {

std::string fitted(const std::string& text, size_t width, bool rightAligned, const char* field) {
    if (text.size() > width)
        throw std::invalid_argument(std::string("totals file: ") + field + " \"" + text +
                                    "\" is wider than " + std::to_string(width) + " columns");
    std::string pad(width - text.size(), ' ');
    return rightAligned ? pad + text : text + pad;
}

std::string countLine(const std::string& head, int count) {
    return fitted(head, 7, false, "trailer") + std::to_string(count);
}

}  // namespace

std::string totalsFileText(const TotalsDay& day) {
    const std::string crlf = "\r\n";
    const std::string q = "Q " + fitted(day.storeNumber, 4, false, "store number") + " " +
                          fitted(day.storeName, 26, false, "store name") + "END OF DAY " + day.date;
    std::string text;
    for (const TotalsTransaction& t : day.transactions) {
        text += q + crlf;
        text += "H  " + fitted(t.reference, 8, false, "reference") + " " +
                fitted(day.date, 8, false, "date") + crlf;
        for (const TotalsLine& d : t.lines)
            text += "D " + fitted(d.account, 7, false, "account code") + " " +
                    fitted(d.first, 12, true, "amount") + " " + fitted(d.second, 12, true, "amount") + crlf;
        text += countLine("TRT", 1) + crlf;
    }
    // The day's trailer counts nothing itself: every transaction was counted by its TRT.
    text += countLine("T", 0) + crlf;
    text += "* END OF DAY RUN COMPLETE" + crlf;
    return text;
}

}  // namespace ztl::demo
