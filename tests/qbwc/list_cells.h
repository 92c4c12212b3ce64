#pragma once
// On a phone the console's lists show each cell under its column's name, taken from the
// cell's data-label: a cell without it, or with another column's name, reads as a bare value.
#include <regex>
#include <string>
#include <vector>

namespace ztl::qbwc::test {

// Each data cell of the page's class="list" tables whose data-label is not its column's
// heading, as "column heading: the cell's tag"; a row's own heading (th scope="row") is its
// name, not a cell to label. Empty when every cell names its column, or when the page has
// no list (`lists` says how many were read).
inline std::vector<std::string> mislabelledCells(const std::string& page, int* lists = nullptr) {
    std::vector<std::string> wrong;
    int read = 0;
    const std::regex table("<table class=\"list\"[^>]*>([\\s\\S]*?)</table>");
    const std::regex heading("<th scope=\"col\">([^<]*)</th>");
    const std::regex row("<tr>([\\s\\S]*?)</tr>");
    const std::regex cell("<(td|th)([^>]*)>");
    const std::regex label("data-label=\"([^\"]*)\"");
    for (std::sregex_iterator t(page.begin(), page.end(), table), end; t != end; ++t) {
        ++read;
        const std::string text = (*t)[1];
        const size_t bodyAt = text.find("<tbody>");
        if (bodyAt == std::string::npos) {
            wrong.push_back("a list without its <tbody>");
            continue;
        }
        const std::string head = text.substr(0, bodyAt), body = text.substr(bodyAt);
        std::vector<std::string> columns;
        for (std::sregex_iterator h(head.begin(), head.end(), heading); h != end; ++h) columns.push_back((*h)[1]);
        for (std::sregex_iterator r(body.begin(), body.end(), row); r != end; ++r) {
            const std::string cells = (*r)[1];
            size_t column = 0;
            for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != end; ++c, ++column) {
                const std::string attributes = (*c)[2];
                if ((*c)[1] == "th") continue;
                std::smatch named;
                const std::string wanted = column < columns.size() ? columns[column] : "(no column)";
                if (!std::regex_search(attributes, named, label) || named[1] != wanted)
                    wrong.push_back(wanted + ": " + (*c).str());
            }
        }
    }
    if (lists) *lists = read;
    return wrong;
}

}  // namespace ztl::qbwc::test
