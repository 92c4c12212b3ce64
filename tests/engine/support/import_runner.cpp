#include "import_runner.h"

#include <cstdio>

#include "engine/import/cls_ztl.h"
#include "platform/text_file.h"

namespace ztl::test {

std::string H(const std::string& ref, const std::string& date) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "H  %-8s %-8s", ref.c_str(), date.c_str());
    return buf;
}

std::string D(const std::string& code, const std::string& a1, const std::string& a2) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "D %-7s %12s %12s", code.c_str(), a1.c_str(), a2.c_str());
    return buf;
}

std::string file(std::initializer_list<std::string> lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

std::string transactions(int n) {
    std::string s;
    for (int i = 1; i <= n; ++i) {
        std::string amount = std::to_string(i) + ".00";
        s += file({"Q", H(std::to_string(i)), D("1000", amount), D("4000", "0", "-" + amount), "TRT    1"});
    }
    return s;
}

std::string acceptedBlock(int transaction, const std::string& invoice, int txn) {
    return "Transaction : " + std::to_string(transaction) + "    Invoice : " + invoice +
           "\r\nImport successful\r\n"
           "Response Status Code : 0       Return StatusSeverity Code : Info   Import result ID :" +
           std::to_string(txn) + "-1796622350\r\nReturn Status Message :Status OK\r\n \r\n";
}

namespace {
struct Window : ResultsWindow {
    RecordingResults& owner;
    explicit Window(RecordingResults& o) : owner(o) {}
    void loadFile(const std::string& p) override { owner.loaded = readWholeFile(p); }
    void setCaption(const std::string& c) override { owner.caption = c; }
    void demandPrintout(bool d) override { owner.printoutDemanded = d; }
    void showModal() override { ++owner.shown; }
};
}  // namespace

std::unique_ptr<ResultsWindow> RecordingResults::create() {
    return std::make_unique<Window>(*this);
}

const std::vector<std::string> kChart = {"1000,Checking,Bank", "1200,Accounts Receivable,AccountsReceivable",
                                         "2000,Accounts Payable,AccountsPayable",
                                         "2100,Sales Tax Payable,OtherCurrentLiability", "4000,Sales,Income"};

ImportRunner::ImportRunner() {
    t.program.mainWindow = &view;
    t.program.resultsWindows = &results;
    t.program.settingsSection = "ZentrelMS\\Settings\\/qb/Shop.qbw";
    t.qb().answer = [this](const std::string& request) {
        if (request.find("AccountQueryRq") != std::string::npos) return accountResponse(kChart);
        if (request.find("JournalEntryQueryRq") != std::string::npos) return postedAnswer;
        if (!journalAnswers.empty()) {
            std::string a = journalAnswers.front();
            journalAnswers.pop_front();
            return a;
        }
        return journalResponse("0", "Info", "Status OK", std::to_string(++txn) + "-1796622350");
    };
}

RunRecord ImportRunner::import(const std::string& path, std::optional<Decimal> count) {
    clsZTL z(t.program);
    z.X390source(path);
    z.ZTLTrcount = count;
    return z.NewStartImport();
}

std::string ImportRunner::wholeLog() const {
    return readWholeFile(store.path() / "QBImport.log");
}

std::string ImportRunner::log() const {
    std::string bytes = wholeLog();
    const size_t summary = bytes.find(" \r\nSummary of this import\r\n");
    return summary == std::string::npos ? bytes : bytes.substr(0, summary);
}

std::vector<std::string> ImportRunner::journalRequests() const {
    std::vector<std::string> r;
    for (const auto& q : t.factory.processor->requests)
        if (q.find("JournalEntryAddRq") != std::string::npos) r.push_back(q);
    return r;
}

}  // namespace ztl::test
