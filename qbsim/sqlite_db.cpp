#include "qbsim/sqlite_db.h"

#include <climits>

namespace ztl::qbsim {

Database::Database(const std::string& file, Mode mode, std::chrono::milliseconds busyTimeout) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (mode == Mode::CreateNew) flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw CompanyError(CompanyError::Kind::Database, "cannot open " + file + ": " + msg);
    }
    sqlite3_extended_result_codes(db_, 1);
    long long ms = busyTimeout.count();
    sqlite3_busy_timeout(db_, static_cast<int>(ms < 0 ? 0 : (ms > INT_MAX ? INT_MAX : ms)));
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

void Database::fail(int rc, std::string_view what) const {
    int primary = rc & 0xff;
    std::string msg = std::string(what) + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        throw CompanyError(CompanyError::Kind::Busy,
                           "the company file is in use by another process (" + msg + ")");
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        throw CompanyError(CompanyError::Kind::NotACompany, msg);
    throw CompanyError(CompanyError::Kind::Database, msg);
}

void Database::exec(const char* sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        sqlite3_free(err);
        fail(rc, sql);
    }
}

Statement Database::prepare(std::string_view sql) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) fail(rc, sql);
    return Statement(*this, stmt);
}

std::int64_t Database::lastInsertRowId() const {
    return sqlite3_last_insert_rowid(db_);
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int i, std::int64_t v) {
    int rc = sqlite3_bind_int64(stmt_, i, v);
    if (rc != SQLITE_OK) db_->fail(rc, "bind");
    return *this;
}

Statement& Statement::bind(int i, std::string_view v) {
    int rc = sqlite3_bind_text64(stmt_, i, v.data(), v.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK) db_->fail(rc, "bind");
    return *this;
}

Statement& Statement::bindOptional(int i, const std::optional<std::string>& v) {
    return v ? bind(i, std::string_view(*v)) : bindNull(i);
}

Statement& Statement::bindNull(int i) {
    int rc = sqlite3_bind_null(stmt_, i);
    if (rc != SQLITE_OK) db_->fail(rc, "bind");
    return *this;
}

bool Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_->fail(rc, sqlite3_sql(stmt_));
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::integer(int col) const {
    return sqlite3_column_int64(stmt_, col);
}

std::string Statement::text(int col) const {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    if (!p) return {};
    return std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)));
}

bool Statement::isNull(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

WriteTransaction::WriteTransaction(Database& db) : db_(db) {
    db_.exec("BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction() {
    if (!done_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteTransaction::commit() {
    db_.exec("COMMIT");
    done_ = true;
}

}  // namespace ztl::qbsim
