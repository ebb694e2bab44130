// The database layer over SQLite.
//
// Every database procedure opens a DbConnection, uses it and closes it before it
// returns, and each open checks the catalogue file again (a missing, unreadable or
// invalid file is reported on every open). Behind that, the Engine keeps one SQLite
// connection to the file and its prepared statements, because opening the file and
// committing for every statement costs thousands of times more than the statement.
// Values reach SQL only as bound parameters.
//
// A BatchScope groups everything done inside it (a folder scan, filling a result
// table) into transactions committed about once a second and at the end, so a crash
// loses at most a second of the work and never leaves half a row.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/error.h"

namespace tagshelf {

class Catalogue;

// An error reported by SQLite: its extended code and message, source "SQLite".
Error engineError(sqlite3* db, int rc);

class Engine {
  public:
    Engine() = default;
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Makes the connection to `path` ready for one more user: checks that the file
    // still exists and is readable, opens it (without ever creating it) when it is
    // not open yet or has been replaced, and starts the batch transaction when one
    // is wanted.
    Status acquire(const std::string& path);
    void release();

    sqlite3* handle() const { return db_; }
    // True when the file stores texts in UTF-8, as every catalogue we make does.
    bool storesUtf8() const { return utf8_; }

    // A cached prepared statement for `sql`; the caller resets it (Statement does).
    Result<sqlite3_stmt*> prepare(std::string_view sql, bool& cached);
    void giveBack(sqlite3_stmt* stmt, bool cached);

    void beginBatch();
    // Ends one batch; the outermost commits and gives a failure of the batch.
    Status endBatch();

    // Closes the SQLite connection (committing an open batch).
    void close();

    // Rows changed on the connection so far, and up to its last successful commit:
    // work counted in between is not yet safe in the file.
    std::int64_t totalChanges() const;
    std::int64_t committedChanges() const { return committedChanges_; }

    // The error of a batch commit that failed (its work since the previous commit
    // was rolled back), once; nothing when none failed since the last call.
    std::optional<Error> takeBatchFailure();

    // How often a batch commits.
    std::chrono::milliseconds commitInterval{1000};

    // How long a statement waits for another program's lock on the file.
    void setBusyTimeout(std::chrono::milliseconds timeout);

  private:
    Status commit(bool final);
    void dropConnection();

    sqlite3* db_ = nullptr;
    std::string path_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    int users_ = 0;
    int batchDepth_ = 0;
    bool inTransaction_ = false;
    bool utf8_ = false;
    std::chrono::steady_clock::time_point transactionStart_;
    std::optional<Error> batchFailure_;
    std::int64_t committedChanges_ = 0;
    std::chrono::milliseconds busyTimeout_{5000};
    struct CachedStatement {
        sqlite3_stmt* stmt = nullptr;
        bool inUse = false;
    };
    std::unordered_map<std::string, CachedStatement> statements_;
};

// A statement in use; resets the prepared statement when it goes away.
class Statement {
  public:
    Statement(Engine& engine, sqlite3_stmt* stmt, bool cached)
        : engine_(&engine), stmt_(stmt), cached_(cached) {}
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    ~Statement();

    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, const std::string& text);
    // The same without a copy: `text` must stay as it is until the statement has
    // run. Appends of whole records bind a dozen texts each.
    Statement& bindUncopied(int index, const std::string& text);
    Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
    Statement& bind(int index, std::int64_t value);

    // Advances to the next row: true when a row is there, false at the end.
    Result<bool> step();
    // Runs the statement to its end (for statements that give no rows).
    Status run();

    bool isNull(int column) const;
    // The column as text; a NULL reads as the empty text. Embedded NULs are kept.
    std::string text(int column) const;
    // The same without a copy; valid until the statement steps or is reset.
    std::string_view view(int column) const;
    // The same into `out`, reusing its storage.
    void textInto(int column, std::string& out) const;
    std::int64_t integer(int column) const;
    int columnCount() const;
    std::string columnName(int column) const;

  private:
    Engine* engine_;
    sqlite3_stmt* stmt_;
    bool cached_;
    Status bindStatus_;
};

class DbConnection {
  public:
    DbConnection() = default;
    ~DbConnection() { close(); }
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Opens the connection to the catalogue file at `path` through the engine.
    Status open(Engine& engine, const std::string& path);
    bool isOpen() const { return engine_ != nullptr; }
    void close();

    Result<Statement> prepare(std::string_view sql);
    // Prepares and runs a statement that takes no parameters and gives no rows.
    Status exec(std::string_view sql);

    // Runs `work` inside a savepoint: all of it is stored, or none of it.
    template <typename Work>
    Status atomically(Work work);

    sqlite3* handle() const;

  private:
    Engine* engine_ = nullptr;
};

// Opens the catalogue through the connection without showing anything.
Status openCatalogue(Catalogue& cat, DbConnection& conn);

// Opens the catalogue; on failure shows the standard message labelled
// "fncDbOpen : " and gives false.
bool fncDbOpen(Catalogue& cat, DbConnection& conn);

// Shows the standard error message of a database procedure.
void showDbError(Catalogue& cat, std::string_view label, const Error& error);

// Groups the database work done while it lives into batched transactions.
class BatchScope {
  public:
    explicit BatchScope(Catalogue& cat);
    ~BatchScope();
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

    // Ends the batch now: commits, and gives the error when a commit of the batch
    // failed and its work was rolled back.
    Status finish();

  private:
    Engine& engine_;
    bool finished_ = false;
};

template <typename Work>
Status DbConnection::atomically(Work work) {
    if (Status s = exec("SAVEPOINT tagshelf_atomic"); !s) return s;
    Status result = work();
    if (result) {
        if (Status s = exec("RELEASE tagshelf_atomic"); !s) result = s;
    }
    if (!result) {
        (void)exec("ROLLBACK TO tagshelf_atomic");
        (void)exec("RELEASE tagshelf_atomic");
    }
    return result;
}

}  // namespace tagshelf
