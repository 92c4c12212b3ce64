#include "engine_fixture.h"

#include <unistd.h>

#include <fstream>

namespace fs = std::filesystem;

namespace ztl::test {

ScratchDir::ScratchDir(const std::string& tag) {
    static int counter = 0;
    dir_ = fs::temp_directory_path() /
           ("ztl_" + tag + "_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

fs::path ScratchDir::file(const std::string& name, const std::string& bytes) const {
    fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

void ScriptedProcessor::maybeFail(const std::string& op) {
    int n = ++counts_[op];
    if (op == failOperation && (failAtCall == 0 || n == failAtCall))
        throw VbError(failNumber, "QBXMLRP2.RequestProcessor", "scripted failure of " + op);
    if (op == failOperation2 && failNumber2 != 0 && counts_[failOperation] >= 1)
        throw VbError(failNumber2, "QBXMLRP2.RequestProcessor", "scripted failure of " + op);
}

void ScriptedProcessor::requireConnection() const {
    if (!connected)
        throw VbError(hresult::kCouldNotAccess, "QBXMLRP2.RequestProcessor", "Could not access QuickBooks.");
}

void ScriptedProcessor::OpenConnection(const std::string& appId, const std::string& appName) {
    calls.push_back("OpenConnection:" + appId + ":" + appName);
    maybeFail("OpenConnection");
    connected = true;
}

std::string ScriptedProcessor::BeginSession(const std::string& company, int mode) {
    calls.push_back("BeginSession:" + company + ":" + std::to_string(mode));
    requireConnection();
    maybeFail("BeginSession");
    return "ticket-" + std::to_string(++tickets_);
}

std::string ScriptedProcessor::ProcessRequest(const std::string& ticket, const std::string& request) {
    calls.push_back("ProcessRequest:" + ticket);
    requests.push_back(request);
    requireConnection();
    maybeFail("ProcessRequest");
    if (!responses.empty()) {
        std::string r = responses.front();
        responses.pop_front();
        return r;
    }
    return answer ? answer(request) : std::string();
}

void ScriptedProcessor::EndSession(const std::string& ticket) {
    calls.push_back("EndSession:" + ticket);
    maybeFail("EndSession");
}

void ScriptedProcessor::CloseConnection() {
    calls.push_back("CloseConnection");
    requireConnection();
    maybeFail("CloseConnection");
    connected = false;
}

std::string ScriptedProcessor::GetCurrentCompanyFileName(const std::string& ticket) {
    calls.push_back("GetCurrentCompanyFileName:" + ticket);
    maybeFail("GetCurrentCompanyFileName");
    return companyFile;
}

TestProgram::TestProgram() {
    program.prompter = &prompter;
    program.settings = &settings;
    program.clock = &clock;
    program.processors = &factory;
    program.installFolder = install.path();
}

std::string journalResponse(const std::string& code, const std::string& severity, const std::string& message,
                            const std::string& txnId) {
    std::string r =
        "<?xml version=\"1.0\" ?>\n<QBXML>\n<QBXMLMsgsRs>\n<JournalEntryAddRs requestID=\"1\" statusCode=\"" +
        code + "\" statusSeverity=\"" + severity + "\" statusMessage=\"" + message + "\">\n";
    if (!txnId.empty())
        r += "<JournalEntryRet><TxnID>" + txnId + "</TxnID><TxnNumber>7</TxnNumber></JournalEntryRet>\n";
    return r + "</JournalEntryAddRs>\n</QBXMLMsgsRs>\n</QBXML>\n";
}

std::string accountResponse(const std::vector<std::string>& accounts) {
    std::string r =
        "<?xml version=\"1.0\" ?>\n<QBXML><QBXMLMsgsRs>"
        "<AccountQueryRs requestID=\"1\" statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"Status "
        "OK\">";
    for (const auto& a : accounts) {
        size_t c1 = a.find(','), c2 = a.find(',', c1 + 1);
        r += "<AccountRet><ListID>1</ListID><Name>" + a.substr(c1 + 1, c2 - c1 - 1) + "</Name><AccountType>" +
             a.substr(c2 + 1) + "</AccountType>";
        if (c1 > 0) r += "<AccountNumber>" + a.substr(0, c1) + "</AccountNumber>";
        r += "<Balance>0.00</Balance></AccountRet>";
    }
    return r + "</AccountQueryRs></QBXMLMsgsRs></QBXML>";
}

}  // namespace ztl::test
