// night_soak --ztl ZTL --qbsim QBSIM [--nights N] [--seed S] [--folder DIR]: many nights of
// `ztl post` for one store, each night's totals file written as the store system writes it
// and the night spoiled by a fault drawn from the seed: QuickBooks not running, an answer
// the Web Connector loses, a Web Connector that cannot open QuickBooks, the run killed at
// a drawn write, sync or rename, two runs at once, another company open, a mail command
// that fails, a totals file still being written when the run starts. Then runs follow
// without faults until nothing is pending, and QuickBooks is held against every night's
// file: each transaction exactly once, with its amount. One summary line on standard
// output; exit status 0 when it holds, 1 when it does not, 2 when the soak could not run.
//
// The Web Connector's nights play it on a thread of this program (the test suite's player)
// beside the same simulated company, `ztl post` serving the bridge itself.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "qbsim/sim_request_processor.h"
#include "tests/qbwc/web_connector_player.h"
#include "tests/support/shell_command.h"

namespace fs = std::filesystem;
using ztl::testsupport::CommandResult;

namespace {

constexpr const char* kUser = "clerk";
constexpr const char* kPassword = "soak pass";

enum class Fault {
    None,
    QuickBooksNotRunning,
    LostAnswer,
    WebConnectorError,
    Killed,
    TwoRunsAtOnce,
    AnotherCompany,
    MailFails,
    FileStillWritten,
};
constexpr int kFaultKinds = 9;

const char* faultName(Fault f) {
    switch (f) {
        case Fault::None: return "none";
        case Fault::QuickBooksNotRunning: return "QuickBooks unreachable";
        case Fault::LostAnswer: return "lost answer";
        case Fault::WebConnectorError: return "Web Connector error";
        case Fault::Killed: return "killed";
        case Fault::TwoRunsAtOnce: return "two runs at once";
        case Fault::AnotherCompany: return "another company";
        case Fault::MailFails: return "mail command fails";
        case Fault::FileStillWritten: return "file still being written";
    }
    return "?";
}

std::string shellWord(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One transaction the store system wrote: its invoice, date (MM/DD/YY) and amount.
struct Sale {
    std::string ref, date, amount;
};

// The lines of a sale from the till (1000) to sales (4000), as the store system writes them.
std::string saleLines(const Sale& s) {
    char h[64], d1[64], d2[64];
    std::snprintf(h, sizeof h, "H  %-8s %-8s\r\n", s.ref.c_str(), s.date.c_str());
    std::snprintf(d1, sizeof d1, "D %-7s %12s %12s\r\n", "1000", s.amount.c_str(), "0.00");
    std::snprintf(d2, sizeof d2, "D %-7s %12s %12s\r\n", "4000", "0", ("-" + s.amount).c_str());
    return std::string("Q\r\n") + h + d1 + d2 + "TRT    1\r\n";
}

class Soak {
  public:
    Soak(fs::path folder, std::string ztl, std::string qbsim, unsigned seed)
        : dir_(std::move(folder)), ztl_(std::move(ztl)), qbsim_(std::move(qbsim)), random_(seed) {}

    bool setUp(std::string& why);
    void night(int n);
    // Runs without faults until nothing is pending (a few at most); false when that never came.
    bool settle();
    // What QuickBooks holds against what the nights wrote; empty when they agree.
    std::vector<std::string> disagreements();
    std::string pendingLeft();

    std::map<Fault, int> faults;
    std::vector<Sale> written;  // every transaction of every night, in order

  private:
    CommandResult run(const std::string& command, const std::string& quickBooks);
    std::string environment(const std::string& quickBooks) const;
    std::string sim(const std::string& company) const { return "sim:" + (dir_ / company).string(); }
    std::string bridge() const { return "qbwc:127.0.0.1:" + std::to_string(port_); }
    CommandResult post(const std::string& quickBooks, const std::string& prefix = "", const std::string& suffix = "");
    CommandResult postThroughWebConnector(ztl::qbwc::test::WebConnectorPlayer::Options o, bool quickBooksOpen);
    void setPostSetting(const std::string& key, const std::string& value);
    std::string dayBytes(int n);
    int draw(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random_); }

    fs::path dir_;
    std::string ztl_, qbsim_;
    std::mt19937 random_;
    int port_ = 0;
    // The store's first run is the bookkeeper's, by hand, with the store's company open; the
    // timer's runs after it never pass --first-run, so another company open is refused.
    bool firstRunDone_ = false;
    std::vector<Sale> today_;
};

std::string Soak::environment(const std::string& quickBooks) const {
    std::string env = "cd " + shellWord(dir_.string()) + " && export XDG_CONFIG_HOME=" + shellWord((dir_ / "config").string()) +
                      " XDG_STATE_HOME=" + shellWord((dir_ / "state").string()) +
                      " XDG_RUNTIME_DIR=" + shellWord((dir_ / "run").string()) + "; ";
    return env + (quickBooks.empty() ? "unset ZENTREL_QUICKBOOKS; " : "export ZENTREL_QUICKBOOKS=" + shellWord(quickBooks) + "; ");
}

CommandResult Soak::run(const std::string& command, const std::string& quickBooks) {
    return ztl::testsupport::runShell(environment(quickBooks) + command, dir_ / "out.txt", dir_ / "err.txt");
}

void Soak::setPostSetting(const std::string& key, const std::string& value) {
    run(shellWord(ztl_) + " post set " + key + " " + shellWord(value), "");
}

bool Soak::setUp(std::string& why) {
    fs::create_directories(dir_ / "mail");
    fs::create_directories(dir_ / "run");
    fs::permissions(dir_ / "run", fs::perms::owner_all);
    port_ = ztl::qbwc::test::freePort();
    std::ofstream(dir_ / "sendmail") << "#!/bin/sh\ncat > \"$(mktemp " << shellWord((dir_ / "mail").string())
                                     << "/XXXXXX)\"\n";
    std::ofstream(dir_ / "failing-mail") << "#!/bin/sh\necho 'queue full' >&2\nexit 75\n";
    for (const char* script : {"sendmail", "failing-mail"}) fs::permissions(dir_ / script, fs::perms::owner_all);
    const std::vector<std::pair<std::string, std::string>> steps = {
        {shellWord(qbsim_) + " new shop.qbw --sample", ""},
        {shellWord(qbsim_) + " new other.qbw --sample", ""},
        {shellWord(ztl_) + " settings set ARImportAccount 'Walk-in Customer'", sim("shop.qbw")},
        {shellWord(ztl_) + " post set MailCommand " + shellWord((dir_ / "sendmail").string() + " -t -i"), ""},
        {shellWord(ztl_) + " post set MailTo books@example.org", ""},
        {shellWord(ztl_) + " post set SettleSeconds 2", ""},
        {"echo " + shellWord(kPassword) + " | " + shellWord(ztl_) + " qbwc set-password", ""},
        {shellWord(ztl_) + " qbwc file --url http://localhost:" + std::to_string(port_) + "/qbwc --user " + kUser +
             " --out shop.qwc",
         ""},
        // Which QuickBooks a night talks to is its own: without ZENTREL_QUICKBOOKS, none runs.
        {shellWord(ztl_) + " qbwc set QuickBooks ''", ""},
    };
    for (const auto& [command, quickBooks] : steps) {
        CommandResult r = run(command, quickBooks);
        if (r.status != 0) {
            why = command + ": " + r.err;
            return false;
        }
    }
    return true;
}

CommandResult Soak::post(const std::string& quickBooks, const std::string& prefix, const std::string& suffix) {
    return run(prefix + shellWord(ztl_) + " post " + (firstRunDone_ ? "" : "--first-run ") + "12X390.QB" + suffix,
               quickBooks);
}

// A run through the bridge it serves itself while a Web Connector plays beside the company.
// The run's wait ends a few minutes from now, not at seven in the morning.
CommandResult Soak::postThroughWebConnector(ztl::qbwc::test::WebConnectorPlayer::Options o, bool quickBooksOpen) {
    std::time_t soon = std::time(nullptr) + 180;
    char deadline[8];
    std::strftime(deadline, sizeof deadline, "%H:%M", std::localtime(&soon));
    setPostSetting("PostDeadline", deadline);
    o.port = port_;
    o.userName = kUser;
    o.password = kPassword;
    o.schedule = std::chrono::milliseconds(200);
    std::shared_ptr<ztl::RequestProcessor> quickBooks;
    if (quickBooksOpen) quickBooks = std::make_shared<ztl::qbsim::SimRequestProcessor>(dir_ / "shop.qbw");
    ztl::qbwc::test::WebConnectorPlayer player(o, quickBooks);
    player.start();
    CommandResult r = post(bridge());
    player.stop();
    return r;
}

std::string Soak::dayBytes(int n) {
    // Night n posts the business day n days after 1 January 2026.
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 0;
    t.tm_mday = 1 + n;
    t.tm_hour = 12;
    std::mktime(&t);
    char date[16];
    std::strftime(date, sizeof date, "%m/%d/%y", &t);
    today_.clear();
    std::string bytes;
    const int count = draw(2, 5);
    for (int i = 1; i <= count; ++i) {
        Sale s{std::to_string(100000 + n * 10 + i), date, std::to_string(draw(1, 999)) + "." + std::to_string(draw(10, 99))};
        today_.push_back(s);
        bytes += saleLines(s);
    }
    return bytes;
}

void Soak::night(int n) {
    const std::string bytes = dayBytes(n);
    written.insert(written.end(), today_.begin(), today_.end());
    Fault fault = draw(0, 2) == 0 ? Fault::None : static_cast<Fault>(draw(1, kFaultKinds - 1));
    if (!firstRunDone_) fault = Fault::None;
    ++faults[fault];
    const fs::path totals = dir_ / "12X390.QB";
    if (fault != Fault::FileStillWritten) std::ofstream(totals, std::ios::binary | std::ios::trunc) << bytes;
    switch (fault) {
        case Fault::None:
            post(sim("shop.qbw"));
            firstRunDone_ = true;
            break;
        case Fault::QuickBooksNotRunning:
            post("");
            break;
        case Fault::LostAnswer: {
            ztl::qbwc::test::WebConnectorPlayer::Options o;
            o.loseAnswerOfEntry = draw(1, static_cast<int>(today_.size()));
            postThroughWebConnector(o, true);
            break;
        }
        case Fault::WebConnectorError:
            postThroughWebConnector({}, false);
            break;
        case Fault::Killed: {
            // The n-th of one kind of call the run makes: a write (the pending copy, the log,
            // the company), a sync (the copy and each log block), the company's commit of an
            // entry, or a rename (the copy taking its name, the archive).
            static const char* const calls[] = {"write", "fsync", "fdatasync", "rename"};
            const std::string call = calls[draw(0, 3)];
            const int nth = draw(1, call == "write" ? 40 : 12);
            // In a shell of its own, which tells of the kill into the night's error file.
            post(sim("shop.qbw"),
                 "(strace -o /dev/null -e trace=" + call + " -e inject=" + call + ":signal=KILL:when=" +
                     std::to_string(nth) + " ",
                 "; :)");
            break;
        }
        case Fault::TwoRunsAtOnce: {
            const std::string one = shellWord(ztl_) + " post 12X390.QB >/dev/null 2>&1";
            run("( " + one + " & " + one + " & wait )", sim("shop.qbw"));
            break;
        }
        case Fault::AnotherCompany:
            post(sim("other.qbw"));
            break;
        case Fault::MailFails:
            // A night that needs the bookkeeper (QuickBooks not running) with a mail command that fails.
            setPostSetting("MailCommand", (dir_ / "failing-mail").string());
            post("");
            setPostSetting("MailCommand", (dir_ / "sendmail").string() + " -t -i");
            break;
        case Fault::FileStillWritten: {
            // The store system writes the first half, the run starts, the rest follows a second later.
            const std::size_t half = bytes.size() / 2;
            std::ofstream(totals, std::ios::binary | std::ios::trunc) << bytes.substr(0, half);
            std::thread writer([&] {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                std::ofstream(totals, std::ios::binary | std::ios::app) << bytes.substr(half);
            });
            post(sim("shop.qbw"));
            writer.join();
            // The run waits for the file to stay unchanged (SettleSeconds 2) and posts it whole;
            // had it taken it cut, it would have kept it pending and posted nothing of it.
            break;
        }
    }
}

bool Soak::settle() {
    for (int attempt = 0; attempt < 4 && !pendingLeft().empty(); ++attempt) post(sim("shop.qbw"));
    return pendingLeft().empty();
}

std::string Soak::pendingLeft() {
    std::string names;
    std::error_code ec;
    for (fs::directory_iterator it(dir_ / "pending", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 11 && name[4] == '-' && name[7] == '-' && name.find("X390.QB") != std::string::npos)
            names += (names.empty() ? "" : ", ") + name;
    }
    if (fs::exists(dir_ / "12X390.QB")) names += (names.empty() ? "" : ", ") + std::string("12X390.QB");
    return names;
}

std::vector<std::string> Soak::disagreements() {
    std::vector<std::string> found;
    // One line per journal line: TxnNumber, TxnDate, RefNumber, Debit or Credit, account, amount, entity.
    auto debits = [&](const std::string& company) {
        std::map<std::string, std::vector<std::string>> byRef;  // ref -> the amounts of its debit lines
        std::istringstream tsv(run(shellWord(qbsim_) + " journal " + company + " --tsv", "").out);
        for (std::string line; std::getline(tsv, line);) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
            if (f.size() >= 6 && f[3] == "Debit") byRef[f[2]].push_back(f[5]);
        }
        return byRef;
    };
    auto shop = debits("shop.qbw");
    std::set<std::string> expected;
    for (const Sale& s : written) {
        expected.insert(s.ref);
        auto it = shop.find(s.ref);
        const std::size_t times = it == shop.end() ? 0 : it->second.size();
        if (times != 1)
            found.push_back(s.ref + " is in QuickBooks " + std::to_string(times) + " times");
        else if (it->second[0] != s.amount)
            found.push_back(s.ref + " is in QuickBooks for " + it->second[0] + ", not " + s.amount);
    }
    for (const auto& [ref, amounts] : shop)
        if (!expected.count(ref)) found.push_back(ref + " is in QuickBooks but in no totals file");
    for (const auto& [ref, amounts] : debits("other.qbw"))
        found.push_back(ref + " was posted into the other company");
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    std::string ztl, qbsim, folder;
    int nights = 50;
    unsigned seed = static_cast<unsigned>(std::time(nullptr));
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--ztl") ztl = v;
        else if (a == "--qbsim") qbsim = v;
        else if (a == "--nights") nights = std::atoi(v.c_str());
        else if (a == "--seed") seed = static_cast<unsigned>(std::strtoul(v.c_str(), nullptr, 10));
        else if (a == "--folder") folder = v;
    }
    if (ztl.empty() || qbsim.empty() || nights < 1 || argc % 2 == 0) {
        std::cerr << "usage: night_soak --ztl ZTL --qbsim QBSIM [--nights N] [--seed S] [--folder DIR]\n";
        return 2;
    }
    const bool ownFolder = folder.empty();
    if (ownFolder) folder = (fs::temp_directory_path() / ("night_soak_" + std::to_string(::getpid()))).string();
    fs::remove_all(folder);
    Soak soak(fs::absolute(folder), fs::absolute(ztl).string(), fs::absolute(qbsim).string(), seed);
    std::string why;
    if (!soak.setUp(why)) {
        std::cerr << "night_soak: the world could not be made: " << why << "\n";
        return 2;
    }
    for (int n = 0; n < nights; ++n) soak.night(n);
    const bool settled = soak.settle();
    std::vector<std::string> wrong = soak.disagreements();
    const std::string left = soak.pendingLeft();

    std::string faults;
    for (const auto& [fault, count] : soak.faults)
        if (fault != Fault::None) faults += (faults.empty() ? "" : ", ") + std::string(faultName(fault)) + " " + std::to_string(count);
    std::cout << "night_soak: " << nights << " nights, seed " << seed << ", faults: " << faults << "; "
              << soak.written.size() << " transactions; "
              << (wrong.empty() ? "each in QuickBooks exactly once" : std::to_string(wrong.size()) + " wrong") << "; "
              << (left.empty() ? "nothing pending" : "pending: " + left) << (settled ? "" : "; never settled")
              << std::endl;
    for (const auto& w : wrong) std::cerr << "  " << w << "\n";
    const bool held = wrong.empty() && left.empty() && settled;
    if (held && ownFolder) fs::remove_all(folder);
    else if (!held) std::cerr << "night_soak: the world is kept in " << folder << "\n";
    return held ? 0 : 1;
}
