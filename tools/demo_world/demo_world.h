#pragma once
// The demo world: everything both programs run on, built in one folder.
//
//   FOLDER/shares/STORESRV/...   the store server's shares ($ZENTREL_SHARES): three stores,
//                                their totals files 1X390.QB to 3X390.QB in CATCON, and the
//                                single-store workstation's X390.QB beside them
//   FOLDER/tmp/kvsCatalog.ini    the engine configuration ($TMPDIR), naming the current store
//   FOLDER/Demo Company.qbw      the simulated QuickBooks company
//
// and the operator's settings of both editions for that company, through the settings store
// given. Every file is the same on every build: no clock in any content, and the computer
// name only in the terminal map.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace ztl::demo {

struct DemoWorldOptions {
    int currentStore = 1;  // 1 to 3: the store kvsCatalog.ini points at
    // The workstation the terminal map names; empty: this computer's host name, as the store
    // data engine asks for it.
    std::string computerName;
};

struct DemoStore {
    int number = 0;
    std::string directory;             // mDirectory of the store: KVS001 ...
    std::string name;                  // as FILE0 holds it, without its padding
    std::string totalsSource;          // \\STORESRV\CATCON\<n>X390.QB
    std::filesystem::path totalsFile;  // where that path maps under sharesRoot
};

struct DemoWorld {
    std::filesystem::path folder;        // absolute
    std::filesystem::path sharesRoot;    // for ZENTREL_SHARES
    std::filesystem::path configFolder;  // holds kvsCatalog.ini: for TMPDIR
    std::filesystem::path companyFile;
    std::string companyFileName;  // as QuickBooks reports it; names the multi-store settings section
    std::string server;
    std::string computerName;
    std::vector<DemoStore> stores;  // stores 1 to 3, in order
    int currentStore = 1;
    std::string singleStoreSource;                // "Import Source": \\STORESRV\catcon\X390.QB
    std::filesystem::path singleStoreTotalsFile;  // where that path maps

    const DemoStore& current() const { return stores.at(static_cast<size_t>(currentStore - 1)); }
};

// Builds the world in folder, which must be absent or empty (nothing of an operator's is
// ever written over). Throws std::invalid_argument for a store number out of range or an
// unusable computer name, std::runtime_error (or the company's CompanyError) when a file
// cannot be written.
DemoWorld buildDemoWorld(const std::filesystem::path& folder, const DemoWorldOptions& options,
                         SettingsStore& settings);

// This computer's host name, as the store data engine reads it.
std::string hostName();

}  // namespace ztl::demo
