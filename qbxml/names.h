#pragma once
// Names as QuickBooks compares them: the full names of accounts, customers and vendors, a
// RefNumber. Surrounding blanks do not count and ASCII letters match whatever their case;
// other bytes must be the same.
#include <string>
#include <string_view>

namespace ztl {

// The name as QuickBooks compares it: surrounding blanks dropped, A-Z folded to a-z. Two
// names are the same when their folded forms are; they sort by their folded forms.
std::string foldedName(std::string_view name);

// The same name to QuickBooks.
bool sameQuickBooksName(std::string_view a, std::string_view b);

}  // namespace ztl
