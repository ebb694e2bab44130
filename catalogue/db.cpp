#include "catalogue/db.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "catalogue/catalogue.h"

namespace tagshelf {

Error engineError(sqlite3* db, int rc) {
    Error e;
    e.number = db ? sqlite3_extended_errcode(db) : rc;
    if (e.number == SQLITE_OK) e.number = rc;
    e.description = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    e.source = "SQLite";
    return e;
}

// ---- Engine -------------------------------------------------------------------

Engine::~Engine() {
    close();
}

void Engine::dropConnection() {
    for (auto& [sql, entry] : statements_)
        sqlite3_finalize(entry.stmt);
    statements_.clear();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    inTransaction_ = false;
    committedChanges_ = 0;
    path_.clear();
}

void Engine::close() {
    if (db_ && inTransaction_) (void)commit(true);
    dropConnection();
}

Status Engine::acquire(const std::string& path) {
    struct stat st {};
    bool present = ::stat(path.c_str(), &st) == 0 && ::access(path.c_str(), R_OK) == 0;
    bool same = present && db_ && path == path_ && st.st_dev == dev_ && st.st_ino == ino_;
    if (!same) {
        if (db_ && users_ > 0) {
            // The file changed under a connection still in use: keep using the one
            // that is open rather than mixing two files in one procedure.
            ++users_;
            return {};
        }
        dropConnection();
        sqlite3* db = nullptr;
        // Never SQLITE_OPEN_CREATE: the catalogue file must already exist.
        // One thread uses a connection: SQLite need not lock it around every call.
        int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        if (rc == SQLITE_OK && !present) rc = SQLITE_CANTOPEN;
        if (rc == SQLITE_OK) {
            // SQLite reads the file lazily: a query tells a database from any file.
            rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
        if (rc != SQLITE_OK) {
            Error e = engineError(db, rc);
            if (rc == SQLITE_CANTOPEN && !present) e.description = sqlite3_errstr(SQLITE_CANTOPEN);
            sqlite3_close_v2(db);
            return e;
        }
        sqlite3_busy_timeout(db, static_cast<int>(busyTimeout_.count()));
        sqlite3_extended_result_codes(db, 1);
        // The default rollback journal with full sync: a crash can't corrupt the
        // file and no side files stay behind. Batches keep commits rare. The cache
        // holds the FilePath index of a large catalogue.
        sqlite3_exec(db, "PRAGMA cache_size=-32768; PRAGMA temp_store=MEMORY", nullptr, nullptr,
                     nullptr);
        // Texts are read as stored when the file keeps them in UTF-8.
        sqlite3_stmt* encoding = nullptr;
        utf8_ = sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &encoding, nullptr) == SQLITE_OK &&
                sqlite3_step(encoding) == SQLITE_ROW &&
                std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(encoding, 0))) ==
                    "UTF-8";
        sqlite3_finalize(encoding);
        db_ = db;
        path_ = path;
        dev_ = st.st_dev;
        ino_ = st.st_ino;
    }
    if (batchDepth_ > 0 && !inTransaction_) {
        int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return engineError(db_, rc);
        inTransaction_ = true;
        transactionStart_ = std::chrono::steady_clock::now();
        committedChanges_ = sqlite3_total_changes64(db_);
    }
    ++users_;
    return {};
}

Status Engine::commit(bool final) {
    if (!db_ || !inTransaction_) return {};
    // An I/O error or a full disk inside a statement makes SQLite roll the whole
    // transaction back itself: the batch's work since the last commit is gone.
    if (sqlite3_get_autocommit(db_)) {
        inTransaction_ = false;
        int code = sqlite3_extended_errcode(db_);
        Error e = engineError(db_, code != SQLITE_OK ? code : SQLITE_ABORT);
        batchFailure_ = e;
        return e;
    }
    // The busy handler waits for readers to finish; a final commit waits longer.
    int rc = SQLITE_BUSY;
    for (int attempt = 0; attempt < (final ? 4 : 1) && (rc & 0xFF) == SQLITE_BUSY; ++attempt) {
        rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        inTransaction_ = false;
        committedChanges_ = sqlite3_total_changes64(db_);
        return {};
    }
    Error e = engineError(db_, rc);
    // A commit that only found the file busy keeps the transaction: the next
    // interval tries again. Anything else, or a final commit, gives the work up.
    if ((rc & 0xFF) == SQLITE_BUSY && !final) return e;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    inTransaction_ = false;
    batchFailure_ = e;
    return e;
}

void Engine::release() {
    if (users_ > 0) --users_;
    if (users_ == 0 && inTransaction_ &&
        (batchDepth_ == 0 || sqlite3_get_autocommit(db_) ||
         std::chrono::steady_clock::now() - transactionStart_ >= commitInterval)) {
        // A failure is kept in batchFailure_ for the batch's owner.
        (void)commit(batchDepth_ == 0);
    }
}

void Engine::setBusyTimeout(std::chrono::milliseconds timeout) {
    busyTimeout_ = timeout;
    if (db_) sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
}

std::int64_t Engine::totalChanges() const {
    return db_ ? sqlite3_total_changes64(db_) : 0;
}

std::optional<Error> Engine::takeBatchFailure() {
    std::optional<Error> e = std::move(batchFailure_);
    batchFailure_.reset();
    return e;
}

Result<sqlite3_stmt*> Engine::prepare(std::string_view sql, bool& cached) {
    if (!db_) return Error{SQLITE_MISUSE, "the catalogue is not open", "SQLite", {}};
    std::string key(sql);
    auto it = statements_.find(key);
    if (it != statements_.end() && !it->second.inUse) {
        it->second.inUse = true;
        cached = true;
        return it->second.stmt;
    }
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return engineError(db_, rc);
    }
    if (it == statements_.end()) {
        statements_.emplace(std::move(key), CachedStatement{stmt, true});
        cached = true;
    } else {
        cached = false;  // the cached one is busy (a nested use of the same statement)
    }
    return stmt;
}

void Engine::giveBack(sqlite3_stmt* stmt, bool cached) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (!cached) {
        sqlite3_finalize(stmt);
        return;
    }
    for (auto& [sql, entry] : statements_) {
        if (entry.stmt == stmt) {
            entry.inUse = false;
            return;
        }
    }
}

void Engine::beginBatch() {
    ++batchDepth_;
}

Status Engine::endBatch() {
    if (batchDepth_ > 0) --batchDepth_;
    if (batchDepth_ == 0 && users_ == 0) (void)commit(true);
    if (std::optional<Error> e = takeBatchFailure()) return *e;
    return {};
}

// ---- Statement ----------------------------------------------------------------

Statement::Statement(Statement&& other) noexcept
    : engine_(other.engine_),
      stmt_(other.stmt_),
      cached_(other.cached_),
      bindStatus_(std::move(other.bindStatus_)) {
    other.stmt_ = nullptr;
}

Statement::~Statement() {
    if (stmt_) engine_->giveBack(stmt_, cached_);
}

Statement& Statement::bind(int index, std::string_view text) {
    int rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    if (rc != SQLITE_OK && bindStatus_) bindStatus_ = engineError(sqlite3_db_handle(stmt_), rc);
    return *this;
}

namespace {

// A std::string ends in a NUL. Bound with it (when it holds no other NUL), the
// value needn't be copied again to add one: functions such as length() in the
// tables' CHECK constraints ask for it.
int bindString(sqlite3_stmt* stmt, int index, const std::string& text,
               sqlite3_destructor_type how) {
    const bool terminated = text.find('\0') == std::string::npos;
    return sqlite3_bind_text(stmt, index, text.c_str(),
                             terminated ? -1 : static_cast<int>(text.size()), how);
}

}  // namespace

Statement& Statement::bind(int index, const std::string& text) {
    int rc = bindString(stmt_, index, text, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK && bindStatus_) bindStatus_ = engineError(sqlite3_db_handle(stmt_), rc);
    return *this;
}

Statement& Statement::bindUncopied(int index, const std::string& text) {
    int rc = bindString(stmt_, index, text, SQLITE_STATIC);
    if (rc != SQLITE_OK && bindStatus_) bindStatus_ = engineError(sqlite3_db_handle(stmt_), rc);
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK && bindStatus_) bindStatus_ = engineError(sqlite3_db_handle(stmt_), rc);
    return *this;
}

Result<bool> Statement::step() {
    if (!bindStatus_) return bindStatus_.error();
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Error e = engineError(sqlite3_db_handle(stmt_), rc);
    sqlite3_reset(stmt_);
    return e;
}

Status Statement::run() {
    for (;;) {
        Result<bool> r = step();
        if (!r) return r.error();
        if (!*r) return {};
    }
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string Statement::text(int column) const {
    return std::string(view(column));
}

// A UTF-8 text as stored: sqlite3_column_text would first copy a text read from
// the file to add a terminating NUL, which no caller needs.
std::string_view Statement::view(int column) const {
    const void* p = engine_->storesUtf8() && sqlite3_column_type(stmt_, column) == SQLITE_TEXT
                        ? sqlite3_column_blob(stmt_, column)
                        : sqlite3_column_text(stmt_, column);
    if (!p) return {};
    return std::string_view(static_cast<const char*>(p),
                            static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

void Statement::textInto(int column, std::string& out) const {
    out.assign(view(column));
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

std::string Statement::columnName(int column) const {
    const char* name = sqlite3_column_name(stmt_, column);
    return name ? name : "";
}

// ---- DbConnection -------------------------------------------------------------

Status DbConnection::open(Engine& engine, const std::string& path) {
    close();
    if (Status s = engine.acquire(path); !s) return s;
    engine_ = &engine;
    return {};
}

void DbConnection::close() {
    if (engine_) engine_->release();
    engine_ = nullptr;
}

sqlite3* DbConnection::handle() const {
    return engine_ ? engine_->handle() : nullptr;
}

Result<Statement> DbConnection::prepare(std::string_view sql) {
    if (!engine_) return Error{SQLITE_MISUSE, "the connection is closed", "SQLite", {}};
    bool cached = false;
    Result<sqlite3_stmt*> stmt = engine_->prepare(sql, cached);
    if (!stmt) return stmt.error();
    return Statement(*engine_, *stmt, cached);
}

Status DbConnection::exec(std::string_view sql) {
    Result<Statement> st = prepare(sql);
    if (!st) return st.error();
    return st->run();
}

// ---- Procedures ---------------------------------------------------------------

Status openCatalogue(Catalogue& cat, DbConnection& conn) {
    return conn.open(cat.engine(), cat.path());
}

void showDbError(Catalogue& cat, std::string_view label, const Error& error) {
    cat.toolkit.showError(label, error);
}

bool fncDbOpen(Catalogue& cat, DbConnection& conn) {
    Status s = openCatalogue(cat, conn);
    if (!s) {
        showDbError(cat, "fncDbOpen : ", s.error());
        return false;
    }
    return true;
}

BatchScope::BatchScope(Catalogue& cat) : engine_(cat.engine()) {
    engine_.beginBatch();
}

BatchScope::~BatchScope() {
    if (!finished_) (void)finish();
}

Status BatchScope::finish() {
    if (finished_) return {};
    finished_ = true;
    return engine_.endBatch();
}

}  // namespace tagshelf
