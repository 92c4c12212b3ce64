#include "tools/demo_world/demo_store_server.h"

#include <fstream>
#include <iterator>

#include "tools/demo_world/demo_data.h"
#include "tools/storedata_fixtures/store_fixtures.h"

namespace fs = std::filesystem;
namespace fx = ztl::storedata::fixtures;

namespace ztl::demo {
namespace {

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("demo world: cannot read back " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

void writeDemoStoreServer(const fs::path& sharesRoot, const std::string& computerName) {
    // Each store's tree writes LINKSFILE with its own links only; the server's link table is
    // all of them, store by store.
    std::string links;
    fs::path krvlink;
    for (int n = 1; n <= kStoreCount; ++n) {
        const DemoStoreData& store = demoStore(n);
        fx::StoreServerTree tree(sharesRoot, kServer, store.directory);
        tree.writeFile0(store.name);
        fx::writeLineFiles(tree, store.directory + ":LINECT", store.lines, store.comodities, 10);
        links += fileBytes(tree.krvlink() / "LINKSFILE");
        krvlink = tree.krvlink();
    }
    fx::writeBytes(krvlink / "LINKSFILE", links);
    fx::writeBytes(krvlink / "ttymap", "POS01 1\r\nPOS02 2\r\n192.168.10.21 3\r\nBACKOFFICE 9,1\r\n" +
                                           computerName + "   " + kTerminalId + ",2\r\n");
}

void writeDemoEngineConfig(const fs::path& configFolder, int currentStore) {
    fx::writeEngineConfig(configFolder, fx::EngineConfig{{{"Server", kServer},
                                                          {"DataShare", "KVSDATA"},
                                                          {"CatalogShare", "CATCON"},
                                                          {"Directory", demoStore(currentStore).directory},
                                                          {"TerminalID", kTerminalId},
                                                          {"CustomerNumber", "1001"}},
                                                         ""});
}

}  // namespace ztl::demo
