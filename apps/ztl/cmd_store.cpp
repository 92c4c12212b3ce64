// ztl store info | lines | keys NAME [--from KEY]: the store system's files read through the
// store data engine, with the workstation's real configuration ("kvsCatalog.ini" in the
// temporary folder, store-server shares under $ZENTREL_SHARES) as the multi-store program
// reads them. Engine errors: "error <number> (<source>): <description>" on standard error,
// exit status 1.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "command.h"
#include "console.h"
#include "platform/vb_error.h"
#include "storedata/business_basic.h"
#include "storedata/engine.h"
#include "storedata/key_index.h"
#include "storedata/lines.h"

namespace ztl::cli {
namespace {

using namespace ztl::storedata;

// The start-up as the main window's load runs it: StartDataEngine, then a facade object of
// our own (whose creation reports why the shared one could not be made).
struct NoConfiguration {};

std::shared_ptr<cBusinessBasic> startEngine(bool ownFacade) {
    StartDataEngine();
    if (!engine().sharedFacade) {
        if (!std::filesystem::is_regular_file(configurationPath()))
            throw NoConfiguration{};  // DodError shown
        // StartDataEngine swallowed the reason; make the facade again for its error, without
        // showing its message a second time.
        RecordingPrompter quiet;
        Prompter* shown = engine().prompter;
        engine().prompter = &quiet;
        try {
            engine().sharedFacade = std::make_shared<cBusinessBasic>();
        } catch (...) {
            engine().prompter = shown;
            throw;
        }
        engine().prompter = shown;
    }
    return ownFacade ? std::make_shared<cBusinessBasic>() : engine().sharedFacade;
}

std::string printable(const std::string& key) {
    std::string out;
    for (unsigned char c : key) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char b[5];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        }
    }
    return out;
}

int info() {
    auto bb = startEngine(true);
    auto sys = bb->TessSys();
    std::cout << "mUNCDrive=" << sys->mUNCDrive << "\n"
              << "mDirectory=" << sys->mDirectory << "\n"
              << "TerminalID=" << sys->TerminalID << "\n"
              << "ComputerName=" << sys->ComputerName << "\n"
              << "IP=" << sys->IP << "\n"
              << "KRVLINK=" << sys->KRVLINK() << "\n"
              << "CATCON=" << sys->CATCON() << "\n";
    std::cout.flush();
    // The store lookup's calling order.
    auto file0 = bb->OpenFile("FILE0");
    std::string block = bb->BlockReadFile(file0, 1, false);
    std::string name = block.substr(150, 35);
    bb->CloseFile("FILE0");
    std::cout << "StoreName=" << bb->Trun(name) << "\n";
    return 0;
}

int lines() {
    startEngine(false);
    clnLines all;
    for (const auto& l : all.NewEnum()) {
        std::string comodities;
        for (const auto& c : l->Comodities) comodities += c;
        std::cout << l->Line << "\t" << l->Line << "\t" << l->Alpha_Line << "\t" << Trun(l->Line_Name) << "\t"
                  << l->Line_Type << "\t" << l->Cost_of_Mdse.text() << "\t" << l->YTD_Sales.text() << "\t"
                  << comodities << "\n";
    }
    return 0;
}

int keys(std::vector<std::string> args) {
    bool missing = false;
    std::string from = takeOption(args, "--from", missing);
    if (missing) return usageError("store", "--from needs a key");
    if (args.size() != 2) return usageError("store", "store keys needs one index name");
    const std::string name = args[1];
    auto bb = startEngine(false);
    auto file = bb->LogicalOpen(name);
    if (!file) throw VbError(-10, "LogicalOpen", "File not Found: \"" + name + "\"");
    std::string buff, key = from;
    int32_t rec = 0;
    bb->KFind(file, buff, key, rec);
    // KNext stops a leaf chain that goes back on itself; this bound covers a garbled chain of
    // equal keys as well: no index holds more entries than its nodes can.
    const int64_t bound = (static_cast<int64_t>(std::max(file->LastRecord, 0)) + 1) *
                              (std::max(file->RecordLength, 1) / 5 + 1) +
                          1;
    for (int64_t n = 0; rec != 0; ++n) {
        if (n > bound)
            throw VbError(kIndexDamaged, "KNext", "Index is damaged.  File: " + name + "  (no end)");
        std::cout << printable(key) << "\t" << (rec < 0 ? -static_cast<int64_t>(rec) : rec) << "\n";
        bb->KNext(file, buff, key, rec);
    }
    return 0;
}

int store(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    if (args.empty()) return usageError("store", "store info, store lines or store keys NAME expected");
    ConsolePrompter prompter;
    engine().prompter = &prompter;
    int status = 0;
    try {
        if (args[0] == "info" && args.size() == 1)
            status = info();
        else if (args[0] == "lines" && args.size() == 1)
            status = lines();
        else if (args[0] == "keys")
            status = keys(args);
        else
            status = usageError("store", "unknown store command");
    } catch (const NoConfiguration&) {
        status = 1;
    } catch (const VbError& e) {
        std::cout.flush();
        std::cerr << "error " << e.number << " (" << e.source << "): " << e.description << "\n";
        status = 1;
    }
    std::cout.flush();
    resetEngine();  // closes the files while the prompter still exists
    return status;
}

ZtlCommand reg("store", &store);

}  // namespace
}  // namespace ztl::cli
