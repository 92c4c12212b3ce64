// Several connections and processes on one company file: SQLite's locking keeps every
// journal entry whole, and a busy file is waited for before a request fails.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/vb_error.h"
#include "qbsim/sim_request_processor.h"
#include "request_text.h"
#include "response.h"

using namespace ztl::qbsim;
using qbsim_test::journalEntryRequest;
using qbsim_test::SampleCompany;

namespace {

// Holds the company file's write lock from a connection of its own until released.
class WriteLock {
  public:
    explicit WriteLock(const std::filesystem::path& file) {
        EXPECT_EQ(sqlite3_open(file.c_str(), &db_), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    void release() {
        if (db_) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }
    ~WriteLock() { release(); }

  private:
    sqlite3* db_ = nullptr;
};

std::string post(SimRequestProcessor& rp, const std::string& request) {
    auto ticket = rp.BeginSession("", 2);
    auto response = rp.ProcessRequest(ticket, request);
    rp.EndSession(ticket);
    return response;
}

}  // namespace

TEST(Concurrency, TwoConnectionsPostingAtOnceLoseNothing) {
    SampleCompany s;
    constexpr int kEach = 30;
    auto worker = [&](const std::string& tag, std::vector<std::string>* codes) {
        SimRequestProcessor rp(s.file);
        rp.OpenConnection("", tag);
        for (int i = 0; i < kEach; ++i) {
            try {
                codes->push_back(
                    Answer(post(rp, journalEntryRequest(tag + std::to_string(i), "2006-12-05",
                                                        {{"1000", "0000001.25"}, {"4000", "-0000001.25"}})))
                        .code);
            } catch (const ztl::VbError& e) {
                codes->push_back(e.description + " " + rp.lastErrorDetail());
            }
        }
        rp.CloseConnection();
    };
    std::vector<std::string> a, b;
    std::thread ta(worker, "A", &a), tb(worker, "B", &b);
    ta.join();
    tb.join();
    for (const auto& c : a) EXPECT_EQ(c, "0");
    for (const auto& c : b) EXPECT_EQ(c, "0");
    auto journal = s.company.journal();
    ASSERT_EQ(journal.size(), 2u * kEach);
    for (std::size_t i = 0; i < journal.size(); ++i) {
        EXPECT_EQ(journal[i].txnNumber, static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(journal[i].lines.size(), 2u);
    }
    EXPECT_EQ(s.company.findAccount("1000")->balanceCents, 2 * kEach * 125);
    EXPECT_EQ(s.company.findAccount("4000")->balanceCents, 2 * kEach * 125);
}

TEST(Concurrency, ABusyFileIsWaitedFor) {
    SampleCompany s;
    WriteLock lock(s.file);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        lock.release();
    });
    SimRequestProcessor rp(s.file);  // default busy timeout: seconds
    rp.OpenConnection("", "x");
    EXPECT_EQ(
        Answer(post(rp, journalEntryRequest("1", "2006-12-05", {{"1000", "1.00"}, {"4000", "-1.00"}}))).code,
        "0");
    releaser.join();
    EXPECT_EQ(s.company.journal().size(), 1u);
}

TEST(Concurrency, AFileBusyBeyondTheTimeoutFailsTheRequestAndStoresNothing) {
    SampleCompany s;
    SimRequestProcessor rp(s.file, CompanyOptions{std::chrono::milliseconds(100), {}});
    rp.OpenConnection("", "x");
    auto ticket = rp.BeginSession("", 2);
    {
        WriteLock lock(s.file);
        try {
            rp.ProcessRequest(ticket,
                              journalEntryRequest("1", "2006-12-05", {{"1000", "1.00"}, {"4000", "-1.00"}}));
            ADD_FAILURE() << "a request on a locked file succeeded";
        } catch (const ztl::VbError& e) {
            EXPECT_EQ(e.number, ztl::hresult::kCouldNotAccess);
            EXPECT_NE(rp.lastErrorDetail().find("in use"), std::string::npos) << rp.lastErrorDetail();
        }
    }
    EXPECT_TRUE(s.company.journal().empty());
    // Once the lock is gone the same session works.
    EXPECT_EQ(Answer(rp.ProcessRequest(ticket, journalEntryRequest("2", "2006-12-05",
                                                                   {{"1000", "1.00"}, {"4000", "-1.00"}})))
                  .code,
              "0");
}
