#pragma once
// A thin RAII layer over the SQLite C interface for the simulated company. Every failure is
// a CompanyError carrying SQLite's own message; a busy company file (another process holds
// the write lock for longer than the busy timeout) is reported as CompanyError::Kind::Busy.
#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "qbsim/company_error.h"

namespace ztl::qbsim {

class Statement;

class Database {
  public:
    enum class Mode { OpenExisting, CreateNew };
    Database(const std::string& file, Mode mode, std::chrono::milliseconds busyTimeout);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void exec(const char* sql);
    Statement prepare(std::string_view sql);
    std::int64_t lastInsertRowId() const;
    sqlite3* handle() const { return db_; }

    // Throws CompanyError for an SQLite result code other than OK/ROW/DONE.
    [[noreturn]] void fail(int rc, std::string_view what) const;

  private:
    sqlite3* db_ = nullptr;
};

// One prepared statement. Binding indexes count from 1, column indexes from 0, as in SQLite.
class Statement {
  public:
    Statement(const Database& db, sqlite3_stmt* stmt) : db_(&db), stmt_(stmt) {}
    ~Statement();
    Statement(Statement&& o) noexcept : db_(o.db_), stmt_(o.stmt_) { o.stmt_ = nullptr; }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, std::int64_t v);
    Statement& bind(int i, std::string_view v);
    Statement& bind(int i, const std::string& v) { return bind(i, std::string_view(v)); }
    Statement& bind(int i, const char* v) { return bind(i, std::string_view(v)); }
    Statement& bindOptional(int i, const std::optional<std::string>& v);
    Statement& bindNull(int i);

    // Runs one step: true when a row is available, false when done.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    std::int64_t integer(int col) const;
    std::string text(int col) const;
    bool isNull(int col) const;

  private:
    const Database* db_;
    sqlite3_stmt* stmt_;
};

// BEGIN IMMEDIATE on construction (taking the write lock at once, so two writers never
// deadlock on a lock upgrade), ROLLBACK on destruction unless commit() was called.
class WriteTransaction {
  public:
    explicit WriteTransaction(Database& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void commit();

  private:
    Database& db_;
    bool done_ = false;
};

}  // namespace ztl::qbsim
