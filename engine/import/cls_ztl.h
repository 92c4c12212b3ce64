#pragma once
// clsZTL, the import engine: reads the totals file, queries the chart of accounts, writes
// and sends one journal entry per store transaction, and logs every answer.
//
// One object serves one task (load the totals, load the accounts, or one import run).
// Construction opens a connection on a new request processor, which becomes the program's
// request processor; destruction closes it. Every procedure traps its own errors: it shows
// the module error report through the program's prompter and returns, and its caller goes
// on. Failures that the caller must see set cZTLError.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/posting/company_chart.h"
#include "engine/import/import_lock.h"
#include "engine/posting/posted_entries.h"
#include "engine/company/posted_entry_query.h"
#include "engine/company/run_record.h"
#include "engine/posting/planned_entry.h"
#include "engine/program.h"
#include "engine/totals/store_day.h"
#include "platform/decimal.h"
#include "platform/text_file.h"
#include "platform/vb_error.h"
#include "qbxml/requests.h"

namespace ztl {

using TotalsTable = std::vector<std::string>;

// The import run's own error report: multi-store with the failing statement's number after
// "Line # ", single-store with line feeds only and no statement number.
std::string importRunReport(Edition edition, const VbError& e, int statement);
// What a run shows, and posts nothing, when another run holds the import lock of its file.
std::string importLockRefusal(const std::string& totalsPath, const ImportRun& holder);
// What a run shows when its own import lock stayed behind.
std::string importLockLeftBehind(const std::string& totalsPath, const VbError& why);

class clsZTL {
  public:
    explicit clsZTL(Program& program);  // Class_Initialize
    ~clsZTL();                          // Class_Terminate
    clsZTL(const clsZTL&) = delete;
    clsZTL& operator=(const clsZTL&) = delete;

    // Public flags.
    bool cZTLError = false;      // the last SendRequest or LoadQbCoa failed
    bool ImportSuccess = false;  // the last journal-entry response said "Status OK"

    // The transaction count: empty until set or until a T line was read.
    std::optional<Decimal> ZTLTrcount;
    // The QuickBooks company file of every session; empty: the company QuickBooks has open.
    std::string QBCompany;

    // The chart of accounts, "number,name,type" per account (single-byte), in answer order.
    std::vector<std::string> qbCoa() const;
    // Every chart this object loaded, the last answer's accounts last; loaded(): some answer
    // was read into it.
    const CompanyChart& chart() const { return chart_; }
    bool chartLoaded() const { return !lastCoaResponse_.empty(); }
    // The totals table; the main window keeps this reference after the object is gone.
    std::shared_ptr<TotalsTable> X390() const { return totals_; }
    void X390source(const std::string& path) { source_ = path; }
    // The day the next run posts, as its caller walked the totals file; none: the run reads
    // the file at X390source itself.
    std::shared_ptr<const StoreDay> dayToImport;
    // The company the next run posts into, as its caller named it, for the run's record and
    // the summary of its log; the sessions still go to QBCompany.
    std::string postingCompany;
    const std::string& X390source() const { return source_; }
    // The single-store edition's count of Q lines from the last Load390.
    int qLineCount() const { return qCount_; }

    // Before its first entry a run asks QuickBooks which of the file's transactions it holds
    // already (see Program::duplicateCheckOff); this many entries at most in one answer.
    int duplicateQueryPageSize = kJournalQueryPageSize;

    void Load390();
    // The day the last Load390 walked, for the window that shows it; none when it failed.
    std::shared_ptr<const StoreDay> loadedDay() const { return loaded_; }
    void LoadQbCoa();
    // One import run of the totals file; what it did to each transaction, and how it ended.
    RunRecord NewStartImport();
    // The run's log stays open after NewStartImport returns, until its caller has settled the
    // totals file: then the run writes its counts (when it stopped before them) and
    // `totalsFile`, what became of the file, as the log's last line, and closes it. The log
    // has this one writer; nothing reopens it to add to it. Nothing: the counts only.
    void EndLog(const std::optional<std::string>& totalsFile);

    // The run's own procedures, public so that ztl and tests can drive them one by one.
    std::string BuildCOARequest();
    void X390Sort(const std::vector<std::string>& lines, size_t count);
    const SortedLineTable& sortedLines() const { return sorted_; }
    void SendRequest();
    void GetCOAResults(const std::string& response);
    void GetImportResults(const std::string& response);
    std::string GetEntAcct(const std::string& accountCode);
    // Sends the planned entry of the current transaction and logs QuickBooks' answer.
    void DoImport();
    // The entry of a block as this object would send it now: against its chart, with the
    // names of its settings.
    PlannedEntry planEntry(const DayBlock& block);

    // The request text that SendRequest sends, and the last response text.
    std::string requestText;
    std::string responseText;
    // The current transaction, as the run sets it before DoImport.
    std::string referenceNumber;
    std::string transactionDateText;
    int transactionNumber = 1;

  private:
    // Shows a report. The session's and the import's reports go to the single-store
    // edition's operation log as well (reportAndLog); the others are shown only.
    void report(const std::string& text, MsgIcon icon = MsgIcon::None, const std::string& title = {});
    void reportAndLog(const std::string& text, MsgIcon icon = MsgIcon::None, const std::string& title = {},
                      const std::string& operationLogExtra = {});
    void reportModuleError(const char* heading, const VbError& e);
    void reportAndLogModuleError(const char* heading, const VbError& e, const std::string& tail = {},
                                 const std::string& operationLogExtra = {});
    void advanceReferenceNumber();
    std::string setting(const char* key) const;
    void runImport(int& statement, std::optional<VbError>& lockLeftBehind);
    // The record of the transaction in hand: what happened to it, unless its fate is known.
    // The import log's block for the current transaction when its answer never came.
    void logLostAnswer();
    void recordNotSent(const std::string& reason, TransactionRecord::Outcome outcome = TransactionRecord::Outcome::NotSent);
    void closeConnection();
    // The duplicate guard (cls_ztl_duplicates.cpp).
    bool duplicateCheckOn() const;
    std::string askQuickBooks(const std::string& request);
    // Asks QuickBooks for the entries of the file's dates; false when it could not be asked,
    // which the operator has been told and the log records.
    bool findPostedEntries(TextWriter& log, const StoreDay& day);
    // True when the current transaction is not to be sent: in QuickBooks already (its block
    // is written and it is counted as posted), or QuickBooks could not be asked again after
    // an answer was lost (it is counted as not sent).
    bool settledWithoutSending();
    // After an answer lost on its way back: a new connection, and QuickBooks asked again
    // which of the day's transactions it holds, before anything more is sent
    // (cls_ztl_duplicates.cpp).
    void askAgainAfterLostAnswer();

    Program& program_;
    std::shared_ptr<RequestProcessor> processor_;  // the one this object made and opened
    std::shared_ptr<TotalsTable> totals_ = std::make_shared<TotalsTable>();
    CompanyChart chart_;
    std::string lastCoaResponse_;  // the last account query answer read into chart_
    SortedLineTable sorted_;
    int chartLoads_ = 0;  // answers read into chart_ that changed it
    PlannedEntry plan_;   // the transaction in hand
    int plannedWith_ = 0;  // chartLoads_ when plan_ was made
    RunRecord record_;
    std::unique_ptr<TextWriter> log_;  // the run's import log, from its heading until EndLog
    bool countsLogged_ = false;        // the run wrote its counts to log_
    TransactionRecord* current_ = nullptr;  // plan_'s record; null outside a run
    const DayBlock* currentBlock_ = nullptr;  // plan_'s block; null outside a run
    // The last SendRequest gave its request to QuickBooks and got no answer it could read:
    // the entry may be posted.
    bool handedOver_ = false;
    std::string sendFailure_;  // and why the last SendRequest failed
    std::string source_;
    std::string ticket_;
    int qCount_ = 0;
    std::shared_ptr<const StoreDay> loaded_;
    std::optional<PostedEntries> posted_;      // while a checking run goes on
    std::vector<std::string> pendingNotes_;    // lines the next block carries after its heading
    // The days the run asked QuickBooks about, to ask again after a lost answer.
    std::optional<std::pair<CalendarDate, CalendarDate>> askedDays_;
    // An answer was lost and SendRequest's recovery closed the connection: the next
    // transaction first opens a new one and asks again.
    bool askAgainBeforeNext_ = false;
    // Why nothing more is sent in this run: QuickBooks could not be asked again.
    std::optional<std::string> notAskedAgain_;
    // The entries this run sent, with their records, to find a lost answer's entry again.
    std::vector<std::pair<TransactionRecord*, StoreTransaction>> sentThisRun_;
    // Invoice number -> the kept log of an earlier run that sent it without an answer.
    std::map<std::string, std::string> unansweredEarlier_;
};

}  // namespace ztl
