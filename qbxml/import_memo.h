#pragma once
// The memo the import writes on a journal entry and on each of its lines. QuickBooks keeps
// the lines' memos, so an entry whose every line carries it is the import's own.
#include <string_view>

namespace ztl {

inline constexpr std::string_view kImportMemo = "Korvane Import";

}  // namespace ztl
