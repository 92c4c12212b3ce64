// ztl qbwc ...: the Web Connector bridge's side of the IT helper's work.
//   file --url URL --user NAME [--out FILE] [--listen HOST:PORT] [--unattended]
//                                            writes the .qwc file the Web Connector is given,
//                                            and the setting QuickBooks the programs follow
//   set-password                             the password typed into the Web Connector
//   set-console-password                     the password of the bookkeeper's console (/console/)
//   set KEY VALUE                            Certificate, PrivateKey, TimeoutSeconds or QuickBooks
//   show                                     the bridge's settings (never the password)
//   status                                   the running service: calls, company, requests
//   serve [--listen HOST:PORT] [--wait SECONDS]
//                                            serves until the Web Connector has connected once
//   service [--listen HOST:PORT]             serves until stopped; programs hand it their requests
// A running service takes a new password or setting at once: set-password and set tell it.
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include <QFileInfo>
#include <QSettings>

#include "command.h"
#include "console.h"
#include "engine/company/company_memory.h"
#include "engine/unattended/post_settings.h"
#include "engine/unattended/run_history.h"
#include "qbwc/bridge_daemon.h"
#include "qbwc/bridge_log.h"
#include "qbwc/bridge_settings.h"
#include "qbwc/console/bookkeeper_console.h"
#include "qbwc/console/console_actions.h"
#include "qbwc/console/connector_page.h"
#include "qbwc/console/console_password_file.h"
#include "qbwc/console/console_store_pages.h"
#include "qbwc/console/timer_stores.h"
#include "qbwc/local_channel.h"
#include "qbwc/password_hash.h"
#include "qbwc/pem_file.h"
#include "qbwc/qwc_file.h"
#include "qbwc/service_status.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"
#include "ztl_usage.h"

namespace ztl::cli {
namespace {

using namespace ztl::qbwc;

int fail(const std::string& message) {
    std::cerr << "ztl: " << message << "\n";
    return 1;
}

std::string bridgeSetting(const SettingsStore& store, const char* k) {
    return store.get(kSettingsApp, kBridgeSection, k, "");
}

// Every running service reads the bridge's settings again, at once: the IT helper need not
// restart one after a new password. What each says is printed.
void tellRunningServices() {
    auto sockets = runningServiceSockets();
    for (const auto& socket : sockets) {
        std::string failure;
        std::string where = socket.stem().string();
        if (auto status = askService(socket, 'T', 't')) where = decodeStatus(*status)["QuickBooks"];
        auto answer = askService(socket, 'L', 'l', &failure);
        if (!answer)
            std::cout << "the Web Connector service for " << where
                      << " did not answer; restart it: systemctl --user restart zentrel-qbwc.service\n";
        else if (!failure.empty())
            std::cout << "the Web Connector service for " << where << " keeps its settings: " << failure
                      << "; restart it: systemctl --user restart zentrel-qbwc.service\n";
        else
            std::cout << "the Web Connector service for " << where << ": " << *answer << "\n";
    }
}

// The service speaks https with both a certificate and its key, plain http with neither:
// one of the two alone keeps it from starting. What to do, when that is what this change
// leaves; nothing otherwise.
std::optional<std::string> halfPairHint(const SettingsStore& store, bool certificate, bool set) {
    const char* mine = certificate ? "Certificate" : "PrivateKey";
    const char* other = certificate ? "PrivateKey" : "Certificate";
    const bool otherSet = !bridgeSetting(store, certificate ? key::kPrivateKey : key::kCertificate).empty();
    if (set == otherSet) return std::nullopt;
    if (set)
        return std::string("note: a ") + mine + " without its " + other +
               " keeps the service from starting: set it too (ztl qbwc set " + other +
               " FILE), or clear this one (ztl qbwc set " + mine + " \"\")\n";
    return std::string("note: the ") + other + " stays set without its " + mine +
           ", which keeps the service from starting: clear it too for plain http (ztl qbwc set " + other +
           " \"\"), or set a " + mine + " again\n";
}

// The HOST:PORT where the bridge is to listen for a .qwc URL on this machine's loopback.
std::string listenForUrl(const std::string& url) {
    for (const char* prefix : {"http://", "https://"}) {
        if (!url.starts_with(prefix)) continue;
        std::string rest = url.substr(std::string(prefix).size());
        std::string hostPort = rest.substr(0, rest.find('/'));
        std::string why;
        auto a = parseListenAddress(hostPort, why);
        // "localhost" may resolve to ::1 alone; the Web Connector's side (a tunnel, say)
        // reaches 127.0.0.1, and a service there serves every loopback name of the port.
        if (a && isLoopbackHost(a->host) && a->port != 0)
            return a->host == "localhost" ? "127.0.0.1:" + std::to_string(a->port) : hostPort;
    }
    return {};
}

int writeQwcFile(std::vector<std::string> args) {
    bool missing = false;
    std::string url = takeOption(args, "--url", missing);
    std::string user = takeOption(args, "--user", missing);
    std::string out = takeOption(args, "--out", missing);
    std::string listen = takeOption(args, "--listen", missing);
    bool unattended = takeFlag(args, "--unattended");
    if (missing || url.empty() || user.empty() || !args.empty())
        return usageError("qbwc", "qbwc file needs --url URL and --user NAME");
    if (auto why = appUrlRefusal(url)) return fail(*why);
    if (out.empty()) out = "Zentrel.qwc";
    if (!listen.empty()) {
        std::string why;
        if (!parseListenAddress(listen, why)) return fail("--listen " + why);
    } else {
        listen = listenForUrl(url);
    }

    QSettingsStore store;
    const std::string ownerId = keptGuid(store, key::kOwnerId);
    QwcFields f = qwcFields(url, user, ownerId, keptGuid(store, key::kFileId), unattended);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << qwcFileText(f);
    file.close();
    if (!file) return fail("cannot write " + out);
    store.set(kSettingsApp, kBridgeSection, key::kUserName, user);
    store.set(kSettingsApp, kBridgeSection, key::kAppUrl, url);
    std::cout << "wrote " << out << " for user " << user << "\n";
    if (!listen.empty()) {
        store.set(kSettingsApp, kBridgeSection, key::kQuickBooks, "qbwc:" + listen);
        std::cout << "the programs reach QuickBooks through the bridge at qbwc:" << listen
                  << " (setting QuickBooks)\n";
    } else {
        std::cout << "the URL is not on this machine's loopback: say where the bridge listens, with "
                     "--listen HOST:PORT, or ztl qbwc set QuickBooks qbwc:HOST:PORT\n";
    }
    if (bridgeSetting(store, key::kPasswordHash).empty())
        std::cout << "next: set the password the Web Connector will ask for: ztl qbwc set-password\n";
    tellRunningServices();
    return 0;
}

// One line from standard input; with a terminal there, typed without echo.
bool readSecret(const char* prompt, std::string& line) {
    bool terminal = ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::cerr << prompt << std::flush;
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    bool got = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << "\n";
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return got;
}

// A new password, asked twice when typed at a terminal; nothing, and why said, when none was
// given or the two differ.
std::optional<std::string> newPassword(const char* prompt) {
    std::string password, again;
    if (!readSecret(prompt, password) || password.empty()) {
        fail("no password given; nothing changed");
        return std::nullopt;
    }
    // Typed: asked twice. From a pipe: a second line, when there is one, must be the same.
    if (::isatty(STDIN_FILENO)) {
        if (!readSecret("Again: ", again) || again != password) {
            fail("the two passwords differ; nothing changed");
            return std::nullopt;
        }
    } else if (readSecret("", again) && again != password) {
        fail("the second line differs from the first: the two passwords differ; nothing changed");
        return std::nullopt;
    }
    return password;
}

int setPassword(const std::vector<std::string>& args) {
    if (!args.empty()) return usageError("qbwc", "qbwc set-password takes no arguments");
    auto password = newPassword("Password for the Web Connector: ");
    if (!password) return 1;
    QSettingsStore store;
    store.set(kSettingsApp, kBridgeSection, key::kPasswordHash, hashPassword(*password));
    std::cout << "password set; type the same password into the Web Connector's Password column\n";
    if (runningServiceSockets().empty())
        std::cout
            << "No Web Connector service runs to take it. Start it (when it gave up after failed starts, "
               "reset it first):\n"
               "  systemctl --user reset-failed zentrel-qbwc.service\n"
               "  systemctl --user start zentrel-qbwc.service\n"
               "  ztl qbwc status\n";
    tellRunningServices();
    return 0;
}

// Beside the bridge's settings file, which keeps the Web Connector's password hash.
std::filesystem::path consolePasswordFile() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "ZTL", kSettingsApp);
    return std::filesystem::path(QFileInfo(settings.fileName()).absolutePath().toStdString()) /
           kConsolePasswordFileName;
}

int setConsolePassword(const std::vector<std::string>& args) {
    if (!args.empty()) return usageError("qbwc", "qbwc set-console-password takes no arguments");
    auto password = newPassword("Password for the bookkeeper's console: ");
    if (!password) return 1;
    try {
        writeConsolePasswordHash(consolePasswordFile(), hashPassword(*password));
    } catch (const std::runtime_error& e) {
        return fail(std::string(e.what()) + "; nothing changed");
    }
    std::string url = bridgeSetting(QSettingsStore(), key::kAppUrl);
    std::cout << "console password set; sign in with it at "
              << (url.empty() ? std::string("the service's address, path /console/") : consoleAddress(url))
              << " (anyone signed in with the old one is signed out)\n";
    return 0;
}

int setKey(const std::vector<std::string>& args) {
    if (args.size() != 2) return usageError("qbwc", "qbwc set KEY VALUE");
    const std::string& k = args[0];
    const std::string& value = args[1];
    QSettingsStore store;
    std::string stored = value;
    if (k == key::kTimeoutSeconds) {
        if (!parseTimeoutSeconds(value))
            return fail("TimeoutSeconds is a whole number of seconds from 1 to 86400; nothing changed");
    } else if (k == key::kCertificate || k == key::kPrivateKey) {
        bool certificate = k == key::kCertificate;
        if (!value.empty()) {
            if (auto why = pemFileRefusal(value, certificate ? "certificate" : "key"))
                return fail(*why + "; nothing changed");
            stored = std::filesystem::absolute(value).string();
            std::string other = bridgeSetting(store, certificate ? key::kPrivateKey : key::kCertificate);
            if (!other.empty()) {
                auto why = certificate ? pemPairRefusal(stored, other) : pemPairRefusal(other, stored);
                if (why)
                    std::cout << "note: " << *why << "; set the matching "
                              << (certificate ? "PrivateKey" : "Certificate") << " too\n";
            }
        }
        if (auto hint = halfPairHint(store, certificate, !value.empty())) std::cout << *hint;
    } else if (k == key::kQuickBooks) {
        std::string why;
        if (value.starts_with("qbwc:") && !parseListenAddress(value.substr(5), why))
            return fail("QuickBooks=" + why + "; nothing changed");
        if (!value.empty() && !value.starts_with("qbwc:") && !value.starts_with("sim:"))
            return fail("QuickBooks is qbwc:HOST:PORT (the bridge) or sim:FILE (a simulated company); nothing "
                        "changed");
    } else {
        return fail("no setting " + k + " here: Certificate, PrivateKey, TimeoutSeconds or QuickBooks");
    }
    store.set(kSettingsApp, kBridgeSection, k, stored);
    if (k == key::kQuickBooks && std::getenv("ZENTREL_QUICKBOOKS") && *std::getenv("ZENTREL_QUICKBOOKS"))
        std::cout << "note: ZENTREL_QUICKBOOKS=" << std::getenv("ZENTREL_QUICKBOOKS")
                  << " is set here and wins over the setting\n";
    if (k != key::kQuickBooks) tellRunningServices();
    return 0;
}

int show(const std::vector<std::string>& args) {
    if (!args.empty()) return usageError("qbwc", "qbwc show takes no arguments");
    QSettingsStore store;
    BridgeSettings s = readBridgeSettings(store);
    std::cout << "UserName=" << s.userName << "\n"
              << "PasswordHash=" << (s.passwordHash.empty() ? "(not set)" : "(set)") << "\n"
              << "Certificate=" << s.certificateFile << "\n"
              << "PrivateKey=" << s.privateKeyFile << "\n"
              << "TimeoutSeconds=" << s.timeout.count() << "\n"
              << "OwnerID=" << bridgeSetting(store, key::kOwnerId) << "\n"
              << "FileID=" << bridgeSetting(store, key::kFileId) << "\n"
              << "AppURL=" << s.appUrl << "\n"
              << "QuickBooks=" << bridgeSetting(store, key::kQuickBooks) << "\n";
    return 0;
}

// What the IT helper checks first: is the service there, does the Web Connector call.
int status(const std::vector<std::string>& args) {
    if (!args.empty()) return usageError("qbwc", "qbwc status takes no arguments");
    QSettingsStore store;
    BridgeSettings s = readBridgeSettings(store);
    std::string source;
    std::string quickBooks = quickBooksSetting(store, &source);
    std::cout << "Programs talk to: " << (quickBooks.empty() ? "(nothing set)" : quickBooks)
              << (quickBooks.empty() ? "" : " (" + source + ")") << "\n";
    std::cout << "Password: " << (s.passwordHash.empty() ? "not set (ztl qbwc set-password)" : "set")
              << "; user name: " << (s.userName.empty() ? "not set (ztl qbwc file)" : s.userName) << "\n";
    std::cout << "The .qwc file's URL: " << (s.appUrl.empty() ? "not known (ztl qbwc file)" : s.appUrl) << "\n";
    std::cout << "Log: " << bridgeLogFile().string() << "\n";
    // The programs hand their requests to the service whose socket their address names.
    std::filesystem::path programsSocket;
    if (quickBooks.starts_with("qbwc:")) {
        std::string why;
        if (auto a = parseListenAddress(quickBooks.substr(5), why)) programsSocket = serviceSocketPath(*a);
    }
    int running = 0;
    bool programsReachOne = false;
    std::string served;
    for (const auto& socket : runningServiceSockets()) {
        auto text = askService(socket, 'T', 't');
        if (!text) continue;
        ++running;
        StatusFields fields = decodeStatus(*text);
        if (!programsSocket.empty() && socket == programsSocket) programsReachOne = true;
        if (served.empty()) served = fields["QuickBooks"];
        std::cout << "\n" << describeStatus(fields);
    }
    if (running > 0 && !programsReachOne)
        std::cout
            << "\nWarning: the programs talk to " << (quickBooks.empty() ? "nothing" : quickBooks)
            << ", not to the service at " << served
            << ": they do not hand it their requests, and the Web Connector calls the service, not them.\n"
            << "Make the two the same: ztl qbwc set QuickBooks " << served
            << (source.find("ZENTREL_QUICKBOOKS") != std::string::npos
                    ? " (and unset ZENTREL_QUICKBOOKS, which wins over the setting)"
                    : "")
            << "\n";
    if (running == 0) {
        std::cout << "\nNo Web Connector service runs for this user: the programs serve the bridge "
                     "themselves while they run.\nStart the service: systemctl --user enable --now "
                     "zentrel-qbwc.service\n";
        return 3;
    }
    return 0;
}

int help() {
    std::cout << "usage:\n";
    for (std::string_view line : manual_page::kUsageLines)
        if (line.starts_with("qbwc ")) std::cout << "  ztl " << line << "\n";
    std::cout << "\nIn this order: ztl qbwc file (the .qwc file and where the bridge listens), ztl qbwc\n"
                 "set-password, add the .qwc file to the Web Connector on the bookkeeper's PC and type the\n"
                 "password there, then start the service (systemctl --user enable --now\n"
                 "zentrel-qbwc.service) and check it with ztl qbwc status. See man ztl.\n";
    return 0;
}

// --listen, else ZENTREL_QUICKBOOKS or the setting QuickBooks when they name the bridge.
std::string listenFrom(std::vector<std::string>& args, bool& missing) {
    std::string listen = takeOption(args, "--listen", missing);
    if (listen.empty()) {
        std::string value = quickBooksSetting(QSettingsStore());
        if (value.starts_with("qbwc:")) listen = value.substr(5);
    }
    return listen;
}

constexpr const char* kNoAddress =
    "no address to serve: --listen HOST:PORT, or the setting QuickBooks (ztl qbwc file --listen HOST:PORT, or "
    "ztl qbwc set QuickBooks qbwc:HOST:PORT)";

// What the bridge says as it serves, on standard error beside its log.
void echoNote(const std::string& n) {
    std::cerr << "ztl qbwc: " << n << std::endl;
}

// The company the store of this totals file last posted into, as the settings say it now.
std::string storeCompany(const std::string& totalsPath) {
    QSettingsStore settings;
    Program program;
    program.settings = &settings;
    return lastCompanyOf(program, totalsPath);
}

DaemonSetup daemonSetup(const std::string& listen) {
    auto console = [](const std::string& served, const WebConnectorService::NoteSink& note) -> ConsoleHandler {
        ConsoleSetup setup{consolePasswordFile(), [] { return quickBooksSetting(QSettingsStore()); }, served,
                           std::chrono::minutes(30), note};
        auto stores = std::make_shared<ConsoleStores>(ConsoleStoresSetup{
            runsFolder(), enabledTimersFolder(), storeCompany, [] { return readPostSettings(QSettingsStore()).postTime; }});
        setup.routes.push_back([pages = std::make_shared<StorePages>(stores)](const ConsoleVisit& visit) {
            return pages->answer(visit);
        });
        auto actions = std::make_shared<ConsoleActions>(
            ActionsSetup{[stores](const std::string& key) { return stores->totalsFileOf(key); }});
        setup.routes.push_back([actions](const ConsoleVisit& visit) { return actions->answer(visit); });
        setup.nights = [stores](std::chrono::system_clock::time_point now) { return stores->glance(now); };
        auto connector = std::make_shared<ConnectorPage>(
            [](std::string& missing) { return storedQwcFields(QSettingsStore(), missing); });
        setup.routes.push_back([connector](const ConsoleVisit& visit) { return connector->answer(visit); });
        auto bookkeeper = std::make_shared<BookkeeperConsole>(std::move(setup));
        return [bookkeeper](const ConsoleRequest& request, WebConnectorService& service) {
            return bookkeeper->answer(request, [&service] { return service.status(); });
        };
    };
    return {listen, [] { return readBridgeSettings(QSettingsStore()); }, echoNote, std::cout, console};
}

int serve(std::vector<std::string> args) {
    bool missing = false;
    std::string listen = listenFrom(args, missing);
    std::string wait = takeOption(args, "--wait", missing);
    if (missing || !args.empty())
        return usageError("qbwc", "qbwc serve [--listen HOST:PORT] [--wait SECONDS]");
    if (listen.empty()) return fail(kNoAddress);
    std::optional<std::chrono::seconds> waitFor;
    if (!wait.empty()) {
        auto seconds = parseTimeoutSeconds(wait);
        if (!seconds) return fail("--wait is a whole number of seconds from 1 to 86400");
        waitFor = std::chrono::seconds(*seconds);
    }
    try {
        serveUntilConnected(daemonSetup(listen), waitFor);
        return 0;
    } catch (const DaemonFailure& e) {
        return fail(e.what());
    }
}

int service(std::vector<std::string> args) {
    bool missing = false;
    std::string listen = listenFrom(args, missing);
    if (missing || !args.empty()) return usageError("qbwc", "qbwc service [--listen HOST:PORT]");
    if (listen.empty()) return fail(kNoAddress);
    try {
        serveUntilStopped(daemonSetup(listen));
        return 0;
    } catch (const DaemonFailure& e) {
        return fail(e.what());
    }
}

int qbwcCommand(const std::vector<std::string>& argv) {
    if (argv.empty()) return usageError("qbwc", "a qbwc command expected (ztl qbwc --help)");
    std::vector<std::string> rest(argv.begin() + 1, argv.end());
    const std::string& sub = argv[0];
    if (sub == "--help" || sub == "-h" || sub == "help") return help();
    if (sub == "status") return status(rest);
    if (sub == "file") return writeQwcFile(rest);
    if (sub == "set-password") return setPassword(rest);
    if (sub == "set-console-password") return setConsolePassword(rest);
    if (sub == "set") return setKey(rest);
    if (sub == "show") return show(rest);
    if (sub == "serve") return serve(rest);
    if (sub == "service") return service(rest);
    return usageError("qbwc", "no qbwc command " + sub);
}

ZtlCommand reg("qbwc", &qbwcCommand);

}  // namespace
}  // namespace ztl::cli
