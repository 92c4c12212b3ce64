#pragma once
// What the main window's two grids show: a header row, the data rows, and each column's
// width as a divisor of the grid's width. Odd data rows (the first, third, ...) are shaded.
#include <string>
#include <vector>

#include "engine/import/cls_ztl.h"
#include "engine/posting/company_chart.h"

namespace ztl::ui {

struct GridContent {
    std::vector<std::string> header;
    std::vector<double> widthDivisors;  // column width = grid width / divisor, rounded half to even
    std::vector<std::vector<std::string>> rows;
};

// The shading of data rows: red 192, green 255, blue 255 on odd rows.
inline bool isShadedRow(size_t dataRow /* from 1 */) {
    return dataRow % 2 == 1;
}

// loadgridx390: "H" lines show the invoice and the date, "D" lines the account and the
// amount; any other line leaves its row empty. A line without the fields its kind needs is
// error 9.
GridContent totalsGrid(const TotalsTable& totals);

// loadgridCoa: number, name and type of every account.
GridContent accountsGrid(const CompanyChart& chart);

// A column's width in the grid's units.
int columnWidth(int gridWidth, double divisor);

}  // namespace ztl::ui
