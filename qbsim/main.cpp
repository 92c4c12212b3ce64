// qbsim: administers simulated QuickBooks company files.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/request_processor.h"
#include "platform/vb_error.h"
#include "platform/version.h"
#include "qbsim/company.h"
#include "qbsim/sample_company.h"
#include "qbsim/sim_request_processor.h"
#include "qbsim_usage.h"
#include "qbxml/values.h"

namespace {

using namespace ztl::qbsim;
using ztl::centsText;
using Args = std::vector<std::string>;

// The usage lines of the manual page (qbsim.1.md), so the help and `man qbsim` agree.
std::string usage() {
    std::string text = "usage:\n";
    for (std::string_view line : manual_page::kUsageLines) text += "  qbsim " + std::string(line) + "\n";
    return text;
}

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The arguments of a command that takes a company file and one optional flag, in any
// order: the file, and whether the flag was given.
std::pair<std::string, bool> fileAndFlag(const Args& a, const std::string& command, std::string_view flag) {
    bool flagged = false;
    std::string file;
    for (std::size_t i = 1; i < a.size(); ++i) {
        if (a[i] == flag)
            flagged = true;
        else if (file.empty() && a[i].rfind("--", 0) != 0)
            file = a[i];
        else
            throw UsageError(command + ": unexpected argument '" + a[i] + "'");
    }
    if (file.empty()) throw UsageError(command + ": no company file given");
    return {file, flagged};
}

int cmdNew(const Args& a) {
    const auto [file, sample] = fileAndFlag(a, "new", "--sample");
    auto company = Company::create(file);
    try {
        if (sample) addSampleCompany(company);
    } catch (...) {
        std::remove(file.c_str());
        throw;
    }
    std::cout << "created " << file << (sample ? " with the sample company" : "") << "\n";
    return 0;
}

int cmdAddAccount(const Args& a) {
    if (a.size() < 2) throw UsageError("add-account: no company file given");
    NewAccount acc;
    bool haveName = false, haveType = false;
    for (std::size_t i = 2; i < a.size(); ++i) {
        if (i + 1 >= a.size()) throw UsageError("add-account: '" + a[i] + "' needs a value");
        const std::string& v = a[i + 1];
        if (a[i] == "--number")
            acc.number = v;
        else if (a[i] == "--name")
            acc.name = v, haveName = true;
        else if (a[i] == "--type")
            acc.type = v, haveType = true;
        else if (a[i] == "--desc")
            acc.desc = v;
        else
            throw UsageError("add-account: unknown option '" + a[i] + "'");
        ++i;
    }
    if (!haveName || !haveType) throw UsageError("add-account: --name and --type are required");
    if (!canonicalAccountType(acc.type)) {
        std::string types;
        for (const auto& t : accountTypes()) types += " " + t;
        throw CompanyError(CompanyError::Kind::Invalid,
                           "unknown account type \"" + acc.type + "\"; one of:" + types);
    }
    auto company = Company::open(a[1]);
    auto added = company.addAccount(acc);
    std::cout << "added account " << (added.number.empty() ? "" : added.number + " ") << added.name << " ("
              << added.type << ") " << added.listId << "\n";
    return 0;
}

int cmdAddEntity(const Args& a, bool customer) {
    if (a.size() != 3) throw UsageError(a[0] + ": expected FILE NAME");
    auto company = Company::open(a[1]);
    auto e = customer ? company.addCustomer(a[2]) : company.addVendor(a[2]);
    std::cout << "added " << (customer ? "customer " : "vendor ") << e.name << " " << e.listId << "\n";
    return 0;
}

std::string pad(const std::string& s, std::size_t w) {
    return s.size() >= w ? s : s + std::string(w - s.size(), ' ');
}
std::string padLeft(const std::string& s, std::size_t w) {
    return s.size() >= w ? s : std::string(w - s.size(), ' ') + s;
}

int cmdAccounts(const Args& a) {
    if (a.size() != 2) throw UsageError("accounts: expected FILE");
    auto company = Company::open(a[1]);
    auto accounts = company.accounts(false);
    std::size_t wn = 6, wa = 4, wt = 4, wb = 7;
    for (const auto& x : accounts) {
        wn = std::max(wn, x.number.size());
        wa = std::max(wa, x.name.size());
        wt = std::max(wt, x.type.size());
        wb = std::max(wb, centsText(x.balanceCents).size());
    }
    std::cout << pad("Number", wn) << "  " << pad("Name", wa) << "  " << pad("Type", wt) << "  "
              << padLeft("Balance", wb) << "\n";
    for (const auto& x : accounts)
        std::cout << pad(x.number, wn) << "  " << pad(x.name, wa) << "  " << pad(x.type, wt) << "  "
                  << padLeft(centsText(x.balanceCents), wb) << (x.active ? "" : "  (inactive)") << "\n";
    auto entities = company.entities();
    for (const auto& e : entities)
        std::cout << (e.kind == Entity::Kind::Customer ? "customer  " : "vendor    ") << e.name << "\n";
    return 0;
}

// Tabs and line ends inside a value would break the tab-separated line.
std::string tsvField(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return s;
}

int cmdJournal(const Args& a) {
    const auto [file, tsv] = fileAndFlag(a, "journal", "--tsv");
    auto company = Company::open(file);
    auto journal = company.journal();
    for (const auto& e : journal) {
        if (!tsv)
            std::cout << "#" << e.txnNumber << "  " << e.txnDate << "  Ref " << e.refNumber.value_or("-")
                      << "  TxnID " << e.txnId << "\n";
        for (const auto& l : e.lines) {
            if (tsv) {
                std::cout << e.txnNumber << '\t' << e.txnDate << '\t' << tsvField(e.refNumber.value_or(""))
                          << '\t' << (l.debit ? "Debit" : "Credit") << '\t' << tsvField(l.accountName) << '\t'
                          << centsText(l.amountCents) << '\t' << tsvField(l.entityName) << "\n";
            } else {
                std::cout << "    " << pad(l.debit ? "Debit" : "Credit", 8) << pad(l.accountName, 24) << " "
                          << padLeft(centsText(l.amountCents), 14)
                          << (l.entityName.empty() ? "" : "  " + l.entityName) << "\n";
            }
        }
    }
    if (!tsv && journal.empty()) std::cout << "no journal entries\n";
    return 0;
}

int cmdProcess(const Args& a) {
    if (a.size() != 3) throw UsageError("process: expected FILE REQUEST.xml");
    std::string request;
    if (a[2] == "-") {
        request.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        std::ifstream in(a[2], std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + a[2]);
        request.assign(std::istreambuf_iterator<char>(in), {});
    }
    // One session on the file, as QuickBooks with this company open would answer it.
    SimRequestProcessor rp{std::filesystem::path(a[1])};
    try {
        rp.OpenConnection("", "qbsim");
        std::string ticket = rp.BeginSession("", ztl::kOpenModeDoNotCare);
        std::string response = rp.ProcessRequest(ticket, request);
        rp.EndSession(ticket);
        rp.CloseConnection();
        std::cout << response;
        return 0;
    } catch (const ztl::VbError& e) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(e.number) & 0xFFFFFFFFUL);
        std::cerr << "qbsim: error " << hex << " (" << e.number << "): " << e.description;
        if (!rp.lastErrorDetail().empty()) std::cerr << " [" << rp.lastErrorDetail() << "]";
        std::cerr << "\n";
        return 1;
    }
}

int cmdSetClosingDate(const Args& a) {
    if (a.size() != 3) throw UsageError("set-closing-date: expected FILE DATE");
    auto company = Company::open(a[1]);
    company.setClosingDate(a[2] == "none" ? "" : a[2]);
    std::cout << (a[2] == "none" ? "closing date cleared" : "closing date " + a[2]) << "\n";
    return 0;
}

// "2=12.50": the second line's amount becomes 12.50.
std::pair<std::size_t, std::int64_t> lineAmount(const std::string& arg) {
    auto eq = arg.find('=');
    std::string line = arg.substr(0, eq), amount = eq == std::string::npos ? "" : arg.substr(eq + 1);
    auto digits = [](const std::string& s) {
        return !s.empty() && s.size() < 10 && s.find_first_not_of("0123456789") == std::string::npos;
    };
    auto dot = amount.find('.');
    std::string whole = amount.substr(0, dot),
                cents = dot == std::string::npos ? "00" : amount.substr(dot + 1);
    if (!digits(line) || std::stoul(line) == 0 || !digits(whole) || cents.size() != 2 || !digits(cents))
        throw UsageError("modify-entry: '" + arg + "' is not LINE=AMOUNT (e.g. 2=12.50)");
    return {std::stoul(line) - 1, std::stoll(whole) * 100 + std::stoll(cents)};
}

int cmdModifyEntry(const Args& a) {
    if (a.size() < 4) throw UsageError("modify-entry: expected FILE TXNID LINE=AMOUNT...");
    std::vector<std::pair<std::size_t, std::int64_t>> amounts;
    for (std::size_t i = 3; i < a.size(); ++i) amounts.push_back(lineAmount(a[i]));
    auto company = Company::open(a[1]);
    auto e = company.changeLineAmounts(a[2], amounts);
    std::cout << "changed entry " << e.txnId << ", EditSequence " << e.editSequence << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Args args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << usage();
        return 2;
    }
    if (args[0] == "--help" || args[0] == "help") {
        std::cout << usage();
        return 0;
    }
    if (args[0] == "--version") {
        std::cout << "qbsim " << ztl::kVersionText << "\n";
        return 0;
    }
    try {
        const std::string& cmd = args[0];
        if (cmd == "new") return cmdNew(args);
        if (cmd == "add-account") return cmdAddAccount(args);
        if (cmd == "add-customer") return cmdAddEntity(args, true);
        if (cmd == "add-vendor") return cmdAddEntity(args, false);
        if (cmd == "accounts") return cmdAccounts(args);
        if (cmd == "journal") return cmdJournal(args);
        if (cmd == "process") return cmdProcess(args);
        if (cmd == "set-closing-date") return cmdSetClosingDate(args);
        if (cmd == "modify-entry") return cmdModifyEntry(args);
        throw UsageError("unknown command '" + cmd + "'");
    } catch (const UsageError& e) {
        std::cerr << "qbsim: " << e.what() << "\n" << usage();
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "qbsim: " << e.what() << "\n";
        return 1;
    }
}
