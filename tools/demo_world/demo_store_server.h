#pragma once
// The store server of the demo world, as the store system leaves it on its shares:
//
//   SHARES/STORESRV/KRVLINK/LINKSFILE         one link table for the three stores
//   SHARES/STORESRV/KRVLINK/ttymap            the terminal map, naming this workstation
//   SHARES/STORESRV/KRVLINK/KVS00n/FILE0      the store record with the store's name
//   SHARES/STORESRV/KRVLINK/KVS00n/LINECT     catalogue of LINEL, ELINEL and COMODI
//   SHARES/STORESRV/KRVLINK/KVS00n/LINEDB     their data file
//   SHARES/STORESRV/CATCON/                   the share that receives the totals files
//
// and the workstation's engine configuration kvsCatalog.ini, whose Directory names the
// store the store system's menu last chose.
#include <filesystem>
#include <string>

namespace ztl::demo {

// Writes the store server tree under sharesRoot. computerName is the workstation the
// terminal map gives terminal kTerminalId. REQUIRES: a name without blanks or line ends
// (the map splits its lines at them).
void writeDemoStoreServer(const std::filesystem::path& sharesRoot, const std::string& computerName);

// Writes configFolder/kvsCatalog.ini pointing at store currentStore (1 to kStoreCount).
void writeDemoEngineConfig(const std::filesystem::path& configFolder, int currentStore);

}  // namespace ztl::demo
