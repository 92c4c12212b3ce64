// ztl_demo FOLDER [--store N] [--computer NAME]: builds the demo world in FOLDER (new or
// empty), writes the operator's settings into FOLDER/config through the programs' own
// settings store, and prints the environment that runs the programs on it, as shell export
// lines (eval "$(ztl_demo FOLDER)"); what it built is told on standard error.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/windows1252.h"
#include "tools/demo_world/demo_data.h"
#include "tools/demo_world/demo_world.h"
#include "ui/qsettings_store.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage = "usage: ztl_demo FOLDER [--store N] [--computer NAME]\n";

// A word for a POSIX shell: single quotes, a quote inside closed, escaped and reopened.
std::string shellQuoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Arguments {
    fs::path folder;
    ztl::demo::DemoWorldOptions options;
};

bool parse(const std::vector<std::string>& args, Arguments& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--store" || a == "--computer") {
            if (i + 1 >= args.size()) return false;
            const std::string& value = args[++i];
            if (a == "--computer") {
                out.options.computerName = value;
            } else {
                if (value.size() != 1 || value[0] < '1' || value[0] > '0' + ztl::demo::kStoreCount) {
                    std::cerr << "ztl_demo: --store takes a store number from 1 to " << ztl::demo::kStoreCount
                              << ", not \"" << value << "\"\n";
                    return false;
                }
                out.options.currentStore = value[0] - '0';
            }
        } else if (a.starts_with("--") || !out.folder.empty()) {
            return false;
        } else {
            out.folder = a;
        }
    }
    return !out.folder.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!parse(std::vector<std::string>(argv + 1, argv + argc), args)) {
        std::cerr << kUsage;
        return 2;
    }
    try {
        // The settings land in the demo folder, never in the operator's own configuration.
        const fs::path folder = fs::absolute(args.folder).lexically_normal();
        const fs::path config = folder / "config", state = folder / "state";
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ztl::QSettingsStore settings;
        ztl::demo::DemoWorld w = ztl::demo::buildDemoWorld(folder, args.options, settings);
        fs::create_directories(state);

        // What was built goes to standard error: standard output is for eval, and a path may
        // hold any character.
        const ztl::demo::DemoStore& store = w.current();
        std::cerr << "Zentrel demo world in " << w.folder.string() << "\n"
                  << "  store server " << w.server << "; this computer, \"" << w.computerName
                  << "\", is terminal " << ztl::demo::kTerminalId << "\n"
                  << "  current store " << store.number << " (" << store.directory
                  << "): " << ztl::windows1252ToUtf8(store.name) << "\n"
                  << "  its totals file " << store.totalsSource << " is " << store.totalsFile.string() << "\n"
                  << "  single-store workstation: " << w.singleStoreSource << " is "
                  << w.singleStoreTotalsFile.string() << "\n";
        std::cout << "export ZENTREL_SHARES=" << shellQuoted(w.sharesRoot.string()) << "\n"
                  << "export TMPDIR=" << shellQuoted(w.configFolder.string()) << "\n"
                  << "export ZENTREL_QUICKBOOKS=" << shellQuoted("sim:" + w.companyFileName) << "\n"
                  << "export XDG_CONFIG_HOME=" << shellQuoted(config.string()) << "\n"
                  << "export XDG_STATE_HOME=" << shellQuoted(state.string()) << "\n";
    } catch (const std::exception& e) {
        std::cerr << "ztl_demo: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
