// ztl send FILE: sends the request held in FILE to the configured QuickBooks in one session
// and prints the response as received.
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/import/single_procedures.h"
#include "platform/vb_error.h"
#include "platform/text_file.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

int send(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].starts_with("--")) return usageError("send", "one request file expected");
    ConsoleProgram console;
    std::string request;
    try {
        request = readWholeFile(args[0]);
    } catch (const VbError& e) {
        std::cerr << "ztl: " << args[0] << ": " << e.description << "\n";
        return 1;
    }
    auto factory = processorFactoryFromEnvironment(QSettingsStore());
    console.program.processors = factory.get();
    std::optional<std::string> answer;
    try {
        answer = sendRequest(console.program, request);
    } catch (const std::exception& ex) {
        // A failure while SendRequest recovered from another one reaches its caller.
        VbError e = toVbError(ex);
        console.program.showMessage("Error # " + std::to_string(e.number) + "  \n" + e.description);
        return console.exitStatus();
    }
    if (answer) std::cout << *answer;
    std::cout.flush();
    return console.exitStatus();
}

ZtlCommand reg("send", &send);

}  // namespace
}  // namespace ztl::cli
