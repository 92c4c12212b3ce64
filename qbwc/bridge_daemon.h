#pragma once
// The bridge as a process of its own, for ztl qbwc: serving until the Web Connector has
// connected once (a check for the IT helper), or serving as the service until stopped, the
// programs handing it their requests through the local socket (local_socket_server.h).
// The command line is ztl's; what is served, logged and said to the operator is here.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "qbwc/bridge_settings.h"
#include "qbwc/soap_http_server.h"
#include "qbwc/web_connector_service.h"

namespace ztl::qbwc {

// Why the bridge cannot serve, or what a wait for the Web Connector came to, in the words
// the operator reads.
struct DaemonFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct DaemonSetup {
    std::string listen;  // HOST:PORT, as "qbwc:HOST:PORT" names the bridge
    // The bridge's settings, read anew at each use: set-password and set change them under
    // a running service and tell it to read them again.
    std::function<BridgeSettings()> settings;
    WebConnectorService::NoteSink echo;  // each line of the bridge's log also goes here
    std::ostream& out;                   // what the operator reads as the bridge goes on
    // The bookkeeper's console, made once the service knows where it serves the programs
    // ("qbwc:HOST:PORT") and where its log goes. None: the service serves no console.
    std::function<ConsoleHandler(const std::string& served, const WebConnectorService::NoteSink& note)> console = {};
};

// Serves until the Web Connector has connected once, and says which company file QuickBooks
// has open. `wait`, when given, is how long it waits instead of the setting's time.
void serveUntilConnected(const DaemonSetup& setup, std::optional<std::chrono::seconds> wait);

// Serves until SIGTERM or SIGINT; SIGHUP (systemctl --user reload) reads the settings again.
// While no program wants QuickBooks, the Web Connector's sessions are told "none".
void serveUntilStopped(const DaemonSetup& setup);

}  // namespace ztl::qbwc
