#include "tools/demo_world/demo_world.h"

#include <unistd.h>

#include <stdexcept>

#include "tools/demo_world/demo_company.h"
#include "tools/demo_world/demo_data.h"
#include "tools/demo_world/demo_store_server.h"
#include "tools/demo_world/totals_file_writer.h"
#include "tools/storedata_fixtures/store_fixtures.h"

namespace fs = std::filesystem;

namespace ztl::demo {
namespace {

void requireFreshFolder(const fs::path& folder) {
    std::error_code ec;
    const bool exists = fs::exists(folder, ec);
    if (!ec && !exists) return;
    const bool empty = !ec && fs::is_directory(folder, ec) && fs::is_empty(folder, ec);
    if (ec || !empty)
        throw std::runtime_error(
            "demo world: " + folder.string() +
            " is not an empty folder; the demo world is built only in a new or empty one");
}

}  // namespace

std::string hostName() {
    char name[80] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

DemoWorld buildDemoWorld(const fs::path& folder, const DemoWorldOptions& options, SettingsStore& settings) {
    if (options.currentStore < 1 || options.currentStore > kStoreCount)
        throw std::invalid_argument("demo world: store " + std::to_string(options.currentStore) +
                                    " does not exist; the store server has stores 1 to " +
                                    std::to_string(kStoreCount));
    DemoWorld w;
    w.computerName = options.computerName.empty() ? hostName() : options.computerName;
    if (w.computerName.empty() || w.computerName.find_first_of(" \t\r\n") != std::string::npos)
        throw std::invalid_argument("demo world: the computer name \"" + w.computerName +
                                    "\" cannot stand in the terminal map (empty or with blanks)");
    w.folder = fs::absolute(folder).lexically_normal();
    requireFreshFolder(w.folder);
    w.sharesRoot = w.folder / "shares";
    w.configFolder = w.folder / "tmp";
    w.companyFile = w.folder / "Demo Company.qbw";
    w.server = kServer;
    w.currentStore = options.currentStore;
    fs::create_directories(w.configFolder);

    writeDemoStoreServer(w.sharesRoot, w.computerName);
    writeDemoEngineConfig(w.configFolder, w.currentStore);

    // CATCON as the store system spells it; the single-store settings spell it "catcon", as
    // Windows paths ignore letter case.
    const fs::path catcon = w.sharesRoot / w.server / "CATCON";
    const std::string catconSource = "\\\\" + w.server + "\\CATCON\\";
    for (int n = 1; n <= kStoreCount; ++n) {
        const DemoStoreData& data = demoStore(n);
        DemoStore s{n, data.directory, data.name, catconSource + std::to_string(n) + "X390.QB",
                    catcon / (std::to_string(n) + "X390.QB")};
        storedata::fixtures::writeBytes(s.totalsFile, totalsFileText(data.day));
        w.stores.push_back(std::move(s));
    }
    w.singleStoreSource = "\\\\" + w.server + "\\catcon\\X390.QB";
    w.singleStoreTotalsFile = catcon / "X390.QB";
    storedata::fixtures::writeBytes(w.singleStoreTotalsFile, totalsFileText(singleStoreDay()));

    w.companyFileName = writeDemoCompany(w.companyFile);
    writeDemoSettings(settings, w.companyFileName, w.singleStoreSource);
    return w;
}

}  // namespace ztl::demo
