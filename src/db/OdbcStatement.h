#pragma once

#include "db/OdbcHandle.h"
#include "db/OdbcParameters.h"
#include "db/ResultSet.h"

#include <QString>
#include <optional>
#include <vector>

namespace db::odbc {

// The value of a column of the current row as text, in pieces as long as it
// is; nothing for NULL.
std::optional<QString> readText(SQLHSTMT stmt, SQLUSMALLINT column);

// One statement handle and what runs on it. Failures raise DbError with the
// driver's cleaned text and the suffix given, if any.
class Statement {
public:
    explicit Statement(Handle handle);

    SQLHSTMT get() const { return m_handle.get(); }

    void executeDirect(const QString& sql);

    // Prepares the text and asks the server what each of its markers expects;
    // drivers that cannot tell leave the entry empty.
    void prepare(const QString& sql, int markerCount);
    const std::vector<std::optional<ParamDescription>>& described() const { return m_described; }

    // Binds one row of values and runs the prepared statement with them.
    void executePrepared(const std::vector<ParamValue>& values, const QString& failureSuffix = {});

    // The first result that has columns, fetched whole; every value as text.
    ResultSet fetchAll();

    // Walks past the remaining results, where the errors of later statements
    // in a batch (or of triggers) surface, and closes the cursor.
    void finish(const QString& failureSuffix = {});

private:
    void check(SQLRETURN rc, const QString& failureSuffix = {}) const;

    Handle m_handle;
    std::vector<std::optional<ParamDescription>> m_described;
};

}  // namespace db::odbc
