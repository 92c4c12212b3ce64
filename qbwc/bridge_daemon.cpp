#include "qbwc/bridge_daemon.h"

#include <signal.h>

#include "platform/request_processor.h"
#include "platform/vb_error.h"
#include "qbwc/bridge_log.h"
#include "qbwc/local_channel.h"
#include "qbwc/local_socket_server.h"
#include "qbwc/qwc_file.h"
#include "qbwc/service_status.h"
#include "qbwc/web_connector_factory.h"

namespace ztl::qbwc {

namespace {

BridgeConfig configFor(const DaemonSetup& setup) {
    std::string why;
    auto config = bridgeConfigFor(setup.listen, setup.settings(), why);
    if (!config) throw DaemonFailure(why);
    config->note = withBridgeLog(setup.echo);
    return std::move(*config);
}

}  // namespace

void serveUntilConnected(const DaemonSetup& setup, std::optional<std::chrono::seconds> wait) {
    BridgeConfig config = configFor(setup);
    if (wait) config.timings.timeout = *wait;
    auto waited = std::chrono::duration_cast<std::chrono::seconds>(config.timings.timeout).count();
    WebConnectorFactory factory(std::move(config));
    if (!factory.startError().empty()) throw DaemonFailure(factory.startError());
    setup.out << "waiting up to " << waited << " s for the Web Connector (Update Selected, or its schedule)"
              << std::endl;
    try {
        auto qb = factory.create();
        qb->OpenConnection("", "Korvane Zentrel   ");
        std::string ticket = qb->BeginSession("", kOpenModeDoNotCare);
        std::string company = qb->GetCurrentCompanyFileName(ticket);
        qb->EndSession(ticket);
        qb->CloseConnection();
        setup.out << "the Web Connector connected; QuickBooks has " << company << " open" << std::endl;
    } catch (const VbError& e) {
        throw DaemonFailure("error # " + std::to_string(e.number) + ": " + e.description);
    }
}

void serveUntilStopped(const DaemonSetup& setup) {
    BridgeConfig config = configFor(setup);
    // Blocked before any thread starts, so that every thread inherits it and sigwait alone takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    auto note = config.note;
    config.timings.linger = std::chrono::milliseconds(2000);
    ListenAddress address = config.http.listen;
    const std::string served = "qbwc:" + setup.listen;
    if (setup.console) config.http.console = setup.console(served, note);
    WebConnectorFactory factory(std::move(config));
    if (!factory.startError().empty()) throw DaemonFailure(factory.startError());
    address.port = factory.port();
    LocalSocketServer local(*factory.service(), serviceSocketPath(address), note);
    auto reload = [&factory, &setup, note] {
        std::string text = factory.reload(setup.settings());
        note(text);
        return text;
    };
    local.setControls(
        [&factory, &setup, served] {
            return encodeStatus(factory.service()->status(), served, !setup.settings().passwordHash.empty());
        },
        reload);
    try {
        local.start();
    } catch (const std::exception& e) {
        throw DaemonFailure(std::string("the Web Connector service cannot start: ") + e.what());
    }
    note("the Web Connector service runs; programs with the setting QuickBooks (or ZENTREL_QUICKBOOKS) " +
         served + " hand their requests to it through " + local.path().string() + "; the Web Connector calls " +
         factory.url() +
         (!setup.console ? ""
                                            : "; the bookkeeper's console is at " + consoleAddress(factory.url())) +
         "; the log is " + bridgeLogFile().string());
    setup.out << "serving the Web Connector until stopped" << std::endl;
    int signal = 0;
    for (;;) {
        sigwait(&stopSignals, &signal);
        if (signal != SIGHUP) break;
        try {
            reload();
        } catch (const std::runtime_error& e) {
            note(std::string("the settings were not taken: ") + e.what());
        }
    }
    factory.service()->announce("the Web Connector service stops (signal " + std::to_string(signal) + ")");
    local.stop();
}

}  // namespace ztl::qbwc
