#pragma once
// Which store this workstation serves, decided by the store system's menu and read through
// the store data engine: the store's name from its store record "FILE0" (characters 151 to
// 185 of block 1, as the store system pads them), and the path of its totals file in the
// CATCON share, named after the store number (the store directory from its fourth
// character on: "KVS003" is store 3, "\\SRV\CATCON\3X390.QB").
#include <string>

#include "storedata/business_basic.h"

namespace ztl::ms {

// "Error finding Store Name" when the store record cannot be read, for whatever reason.
std::string GetStoreName(storedata::cBusinessBasic& facade);

struct StoreSource {
    long long storeNumber = 0;
    std::string sourcePath;
};

StoreSource setSource(const storedata::cSystem& system);

}  // namespace ztl::ms
