// ztl qbwc ...: the Web Connector bridge's side of the operator's work.
//   file --url URL --user NAME [--out FILE]  writes the .qwc file the Web Connector is given
//   set-password                             the password typed into the Web Connector
//   set KEY VALUE                            Certificate, PrivateKey or TimeoutSeconds
//   show                                     the bridge's settings (never the password)
//   serve [--listen HOST:PORT] [--wait SECONDS]
//                                            serves until the Web Connector has connected once
//   service [--listen HOST:PORT]             serves until stopped; programs hand it their requests
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "command.h"
#include "console.h"
#include "platform/request_processor.h"
#include "platform/vb_error.h"
#include "qbwc/bridge_log.h"
#include "qbwc/bridge_settings.h"
#include "qbwc/local_channel.h"
#include "qbwc/local_socket_server.h"
#include "qbwc/password_hash.h"
#include "qbwc/qwc_file.h"
#include "qbwc/web_connector_factory.h"
#include "ui/qsettings_store.h"

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

int writeQwcFile(std::vector<std::string> args) {
    bool missing = false;
    std::string url = takeOption(args, "--url", missing);
    std::string user = takeOption(args, "--user", missing);
    std::string out = takeOption(args, "--out", missing);
    if (missing || url.empty() || user.empty() || !args.empty())
        return usageError("qbwc", "qbwc file needs --url URL and --user NAME");
    if (auto why = appUrlRefusal(url)) return fail(*why);
    if (out.empty()) out = "Zentrel.qwc";

    QSettingsStore store;
    QwcFields f;
    f.appUrl = url;
    f.userName = user;
    f.ownerId = keptGuid(store, key::kOwnerId);
    f.fileId = keptGuid(store, key::kFileId);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << qwcFileText(f);
    file.close();
    if (!file) return fail("cannot write " + out);
    store.set(kSettingsApp, kBridgeSection, key::kUserName, user);
    std::cout << "wrote " << out << " for user " << user << "\n";
    if (bridgeSetting(store, key::kPasswordHash).empty())
        std::cout << "set the password the Web Connector will ask for: ztl qbwc set-password\n";
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

int setPassword(const std::vector<std::string>& args) {
    if (!args.empty()) return usageError("qbwc", "qbwc set-password takes no arguments");
    std::string password, again;
    if (!readSecret("Password for the Web Connector: ", password) || password.empty())
        return fail("no password given; nothing changed");
    if (::isatty(STDIN_FILENO) && (!readSecret("Again: ", again) || again != password))
        return fail("the two passwords differ; nothing changed");
    QSettingsStore store;
    store.set(kSettingsApp, kBridgeSection, key::kPasswordHash, hashPassword(password));
    std::cout << "password set\n";
    return 0;
}

int setKey(const std::vector<std::string>& args) {
    if (args.size() != 2) return usageError("qbwc", "qbwc set KEY VALUE");
    const std::string& k = args[0];
    const std::string& value = args[1];
    if (k == key::kTimeoutSeconds) {
        if (!parseTimeoutSeconds(value))
            return fail("TimeoutSeconds is a whole number of seconds from 1 to 86400");
    } else if (k == key::kCertificate || k == key::kPrivateKey) {
        std::error_code ec;
        if (!value.empty() && !std::filesystem::is_regular_file(value, ec))
            return fail(value + " is not a file");
    } else {
        return fail("no setting " + k + " here: Certificate, PrivateKey or TimeoutSeconds");
    }
    std::string stored = value;
    if (k != key::kTimeoutSeconds && !value.empty()) stored = std::filesystem::absolute(value).string();
    QSettingsStore().set(kSettingsApp, kBridgeSection, k, stored);
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
              << "FileID=" << bridgeSetting(store, key::kFileId) << "\n";
    return 0;
}

int serve(std::vector<std::string> args) {
    bool missing = false;
    std::string listen = takeOption(args, "--listen", missing);
    std::string wait = takeOption(args, "--wait", missing);
    if (missing || !args.empty())
        return usageError("qbwc", "qbwc serve [--listen HOST:PORT] [--wait SECONDS]");
    if (listen.empty()) {
        const char* env = std::getenv("ZENTREL_QUICKBOOKS");
        if (env && std::string_view(env).starts_with("qbwc:")) listen = env + 5;
    }
    if (listen.empty())
        return fail("no address to serve: --listen HOST:PORT, or ZENTREL_QUICKBOOKS=qbwc:HOST:PORT");

    QSettingsStore store;
    std::string why;
    auto config = bridgeConfigFor(listen, store, why);
    if (!config) return fail(why);
    if (!wait.empty()) {
        auto seconds = parseTimeoutSeconds(wait);
        if (!seconds) return fail("--wait is a whole number of seconds from 1 to 86400");
        config->timings.timeout = std::chrono::seconds(*seconds);
    }
    config->note = withBridgeLog([](const std::string& n) { std::cerr << "ztl qbwc: " << n << std::endl; });
    auto waited = std::chrono::duration_cast<std::chrono::seconds>(config->timings.timeout).count();
    WebConnectorFactory factory(std::move(*config));
    if (!factory.startError().empty()) return fail(factory.startError());
    std::cout << "waiting up to " << waited << " s for the Web Connector (Update Selected, or its schedule)"
              << std::endl;
    try {
        auto qb = factory.create();
        qb->OpenConnection("", "Korvane Zentrel   ");
        std::string ticket = qb->BeginSession("", kOpenModeDoNotCare);
        std::string company = qb->GetCurrentCompanyFileName(ticket);
        qb->EndSession(ticket);
        qb->CloseConnection();
        std::cout << "the Web Connector connected; QuickBooks has " << company << " open" << std::endl;
        return 0;
    } catch (const VbError& e) {
        return fail("error # " + std::to_string(e.number) + ": " + e.description);
    }
}

std::string listenFrom(std::vector<std::string>& args, bool& missing) {
    std::string listen = takeOption(args, "--listen", missing);
    if (listen.empty()) {
        const char* env = std::getenv("ZENTREL_QUICKBOOKS");
        if (env && std::string_view(env).starts_with("qbwc:")) listen = env + 5;
    }
    return listen;
}

// Runs the bridge until SIGTERM or SIGINT: the Web Connector's sessions are told "none"
// while no program wants QuickBooks; programs reach it through the local socket.
int service(std::vector<std::string> args) {
    bool missing = false;
    std::string listen = listenFrom(args, missing);
    if (missing || !args.empty()) return usageError("qbwc", "qbwc service [--listen HOST:PORT]");
    if (listen.empty())
        return fail("no address to serve: --listen HOST:PORT, or ZENTREL_QUICKBOOKS=qbwc:HOST:PORT");
    QSettingsStore store;
    std::string why;
    auto config = bridgeConfigFor(listen, store, why);
    if (!config) return fail(why);
    // Blocked before any thread starts, so that every thread inherits it and sigwait alone takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    auto note = withBridgeLog([](const std::string& n) { std::cerr << "ztl qbwc: " << n << std::endl; });
    config->note = note;
    config->timings.linger = std::chrono::milliseconds(2000);
    ListenAddress address = config->http.listen;
    WebConnectorFactory factory(std::move(*config));
    if (!factory.startError().empty()) return fail(factory.startError());
    address.port = factory.port();
    LocalSocketServer local(*factory.service(), serviceSocketPath(address), note);
    try {
        local.start();
    } catch (const std::exception& e) {
        return fail(std::string("the Web Connector service cannot start: ") + e.what());
    }
    note("the Web Connector service runs; programs with ZENTREL_QUICKBOOKS=qbwc:" + listen +
         " hand their requests to it through " + local.path().string() + "; the log is " +
         bridgeLogFile().string());
    std::cout << "serving the Web Connector until stopped" << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    note("the Web Connector service stops (signal " + std::to_string(signal) + ")");
    local.stop();
    return 0;
}

int qbwcCommand(const std::vector<std::string>& argv) {
    if (argv.empty()) return usageError("qbwc", "a qbwc command expected");
    std::vector<std::string> rest(argv.begin() + 1, argv.end());
    const std::string& sub = argv[0];
    if (sub == "file") return writeQwcFile(rest);
    if (sub == "set-password") return setPassword(rest);
    if (sub == "set") return setKey(rest);
    if (sub == "show") return show(rest);
    if (sub == "serve") return serve(rest);
    if (sub == "service") return service(rest);
    return usageError("qbwc", "no qbwc command " + sub);
}

ZtlCommand reg("qbwc", &qbwcCommand);

}  // namespace
}  // namespace ztl::cli
