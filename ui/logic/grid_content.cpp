#include "ui/logic/grid_content.h"

#include <cmath>

#include "platform/vb_error.h"
#include "platform/windows1252.h"
#include "ui/logic/amount_format.h"

namespace ztl::ui {
namespace {

std::vector<std::string> splitAll(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

const std::string& field(const std::vector<std::string>& fields, size_t i) {
    if (i >= fields.size()) throw vbError(vb::kSubscriptOutOfRange);
    return fields[i];
}

}  // namespace

GridContent totalsGrid(const TotalsTable& totals) {
    GridContent g{{"Account", "Amount"}, {3, 1.7}, {}};
    for (const std::string& line : totals) {
        std::vector<std::string> f = splitAll(line);
        const std::string& kind = field(f, 0);
        if (!kind.empty() && kind[0] == 'H')
            g.rows.push_back({"Inv:" + field(f, 1), "Date :" + field(f, 2)});
        else if (!kind.empty() && kind[0] == 'D')
            g.rows.push_back({field(f, 1), dollarAmount(field(f, 2))});
        else
            g.rows.push_back({"", ""});
    }
    return g;
}

GridContent accountsGrid(const CompanyChart& chart) {
    GridContent g{{"Account", "Name", "Type"}, {5, 2.5, 2.5}, {}};
    for (const CompanyChart::Account& a : chart.accounts())
        g.rows.push_back({utf8ToWindows1252(a.number), utf8ToWindows1252(a.name), utf8ToWindows1252(a.type)});
    return g;
}

int columnWidth(int gridWidth, double divisor) {
    return static_cast<int>(std::nearbyint(gridWidth / divisor));  // the default mode rounds half to even
}

}  // namespace ztl::ui
