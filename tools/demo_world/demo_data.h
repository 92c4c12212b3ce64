#pragma once
// What the demo world holds: three stores served by one store server, each with its
// merchandise lines and its end of day, and a single-store workstation's end of day.
//
// Every account code of the days is in the sample company's chart except 6400
// (advertising), which store 1's transaction 101004 books: QuickBooks refuses that one entry
// and accepts every other. Store 3 also has a voided transaction (an H block without lines)
// that the import passes over.
#include <string>
#include <utility>
#include <vector>

#include "tools/demo_world/totals_file_writer.h"
#include "tools/storedata_fixtures/store_fixtures.h"

namespace ztl::demo {

inline constexpr const char* kServer = "STORESRV";
inline constexpr int kStoreCount = 3;
// This workstation's store-system terminal number, in the terminal map and kvsCatalog.ini.
inline constexpr const char* kTerminalId = "14";

struct DemoStoreData {
    int number = 0;
    std::string directory;  // the store's system directory on KRVLINK: "KVS" + three digits
    std::string name;       // single-byte text, shorter than the 35 characters of FILE0
    std::vector<storedata::fixtures::LineSpec> lines;
    std::vector<std::pair<int, char>> comodities;
    TotalsDay day;
};

// Store 1 to 3.
const DemoStoreData& demoStore(int number);
// The end of day of the workstation that serves one store and reads catcon\X390.QB.
const TotalsDay& singleStoreDay();

// The customer and vendors an operator names for receivables, payables and "Sales Tax
// Payable" lines; all three are in the sample company.
inline constexpr const char* kReceivablesCustomer = "House Account";
inline constexpr const char* kPayablesVendor = "Main Supplier";
inline constexpr const char* kSalesTaxVendor = "State Tax Agency";

}  // namespace ztl::demo
