// ztl_manual_page SOURCE VERSION PAGE USAGE_HEADER: makes a program's manual page and the
// usage lines it prints from the one source kept beside the program. Runs at build time.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "manual_page.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: ztl_manual_page SOURCE VERSION PAGE USAGE_HEADER\n";
        return 2;
    }
    const std::string source = argv[1];
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << "ztl_manual_page: cannot read " << source << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    try {
        auto page = ztl::manual::parseManualSource(text.str());
        const std::string name = std::filesystem::path(source).filename().string();
        if (!writeFile(argv[3], ztl::manual::renderRoff(page, argv[2])) ||
            !writeFile(argv[4], ztl::manual::renderUsageHeader(page, name))) {
            std::cerr << "ztl_manual_page: cannot write " << argv[3] << " or " << argv[4] << "\n";
            return 1;
        }
    } catch (const ztl::manual::SourceError& e) {
        // The compiler's form, so an editor jumps to the line.
        std::cerr << source << ":" << e.line << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
