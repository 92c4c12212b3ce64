// ztl_sample_store SHARES_ROOT [CONFIG_FOLDER]: writes a sample store server share tree (server
// STORESRV, system directory KVS) under SHARES_ROOT and the engine configuration
// kvsCatalog.ini in CONFIG_FOLDER ($TMPDIR, else /tmp, by default), with this computer named
// in the terminal map as terminal 12. Then: ZENTREL_SHARES=SHARES_ROOT ztl store info.
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "store_fixtures.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: ztl_sample_store SHARES_ROOT [CONFIG_FOLDER]\n";
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path config = argc == 3 ? argv[2] : (tmp && *tmp ? tmp : "/tmp");
    char host[80] = {};
    ::gethostname(host, sizeof host - 1);
    try {
        ztl::storedata::fixtures::writeSampleStore(argv[1], config, host);
    } catch (const std::exception& e) {
        std::cerr << "ztl_sample_store: " << e.what() << "\n";
        return 1;
    }
    std::cout << "store server: " << (std::filesystem::path(argv[1]) / "STORESRV").string() << "\n"
              << "configuration: " << (config / "kvsCatalog.ini").string() << "\n";
    return 0;
}
