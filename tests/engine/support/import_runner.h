#pragma once
// Whole import runs against a scripted QuickBooks, for the tests of the run, its log and its
// lock: totals lines written as the store system writes them, a main window and a results
// window that record what the run shows them.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "engine/company/run_record.h"
#include "engine/views.h"
#include "engine_fixture.h"
#include "platform/decimal.h"

namespace ztl::test {

// An H line with its reference at columns 4-12 and its date at 13-20.
std::string H(const std::string& ref, const std::string& date = "12/05/26");
// A D line with its account at columns 3-9 and its two amounts at 11-22 and 24-35.
std::string D(const std::string& code, const std::string& a1, const std::string& a2 = "0.00");
// The lines, each ended with CR LF.
std::string file(std::initializer_list<std::string> lines);
// A totals file of n balanced transactions with the references 1 to n.
std::string transactions(int n);

// Everything the main window shows during a run.
struct RecordingView : ImportRunView {
    std::vector<std::string> events;
    double value = 0;
    std::string status;
    void setStatusCaption(const std::string& c) override { status = c, events.push_back("status:" + c); }
    void repaintStatus() override { events.push_back("repaint status"); }
    void setDetailCaption(const std::string& c) override { events.push_back("detail:" + c); }
    void repaintDetail() override { events.push_back("repaint detail"); }
    void setProgressVisible(bool v) override { events.push_back(v ? "bar shown" : "bar hidden"); }
    void setProgressMaximum(double m) override { events.push_back("max:" + std::to_string(int(m))); }
    void setProgressValue(double v) override { value = v; }
    double progressValue() const { return value; }
    void repaintProgress() override { events.push_back("bar:" + std::to_string(value)); }
    void setImportEnabled(bool e) override { events.push_back(e ? "import on" : "import off"); }
    void setCancelCaption(const std::string& c) override { events.push_back("cancel:" + c); }
};

struct RecordingResults : ResultsWindowFactory {
    std::string loaded, caption;
    int shown = 0;
    bool printoutDemanded = false;
    std::unique_ptr<ResultsWindow> create() override;
};

// The chart of the scripted company: checking, receivables, payables, sales tax, sales.
extern const std::vector<std::string> kChart;

// A run on a scripted company that accepts every journal entry, or answers with
// journalAnswers while they last.
struct ImportRunner {
    TestProgram t;
    ScratchDir store{"store"};
    RecordingView view;
    RecordingResults results;
    std::deque<std::string> journalAnswers;
    // The answer to the run's question which entries QuickBooks holds already: none.
    std::string postedAnswer =
        "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><JournalEntryQueryRs requestID=\"1\" statusCode=\"1\" "
        "statusSeverity=\"Info\" statusMessage=\"A query request did not find a matching object in "
        "QuickBooks\"/></QBXMLMsgsRs></QBXML>";
    int txn = 0;

    ImportRunner();
    std::string totals(const std::string& bytes) { return store.file("X390.QB", bytes).string(); }
    RunRecord import(const std::string& path, std::optional<Decimal> count);
    std::string wholeLog() const;
    std::string log() const;  // its blocks, without the run's summary
    std::vector<std::string> journalRequests() const;
};

// The log block of a transaction the scripted company accepted as its txn-th entry.
std::string acceptedBlock(int transaction, const std::string& invoice, int txn);

// The opening lines of every log the fixed clock dates.
inline constexpr const char* kLogHead =
    "Korvane Zentrel import log 12/07/2026 : 9:05:03 PM\r\n"
    "---------------------------------------------------------------------------- \r\n \r\n";

}  // namespace ztl::test
