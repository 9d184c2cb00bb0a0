#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>

namespace core {

// Each destination table of a step and the rows it holds.
using TableRows = QList<QPair<QString, std::int64_t>>;

// What one step of a run found, told once the step has ended, whether it went
// through or failed. A step that failed before it counted its source has
// sourceRows -1; its tables' rows are counted only when it went through.
struct StepFacts {
    QString name;                                   // "Produtos", "Existencias"
    std::int64_t sourceRows = -1;
    TableRows tableRows;  // each destination table and the rows it holds after the step
    std::int64_t milliseconds = 0;
    bool done = false;
};

// One source row the destination refuses, as the search for bad rows names it.
struct BadRowFacts {
    QString table;   // the source table
    QString code;    // "104", or "102 e 104" for two rows that clash
    QString column;  // the destination's column, or empty when only the server's words tell
    QString rule;    // what is wrong, in a technician's words or the server's
};

// Whether a session's channel is encrypted, as the server says.
enum class Encrypted { Unknown, Yes, No };

// "sim", "não" or "desconhecido".
QString encryptedWord(Encrypted encrypted);

// The servers a run works on, as found once it has reached them: one server
// when the destination turned out to be the source's own.
struct ServersFound {
    QString source;
    QString destination;  // empty when it is the source's server
    Encrypted sourceEncrypted = Encrypted::Unknown;
    Encrypted destinationEncrypted = Encrypted::Unknown;  // the destination's own session, when it has one
};

// The inventory document a run wrote (or, for a dry run, would write).
struct StockFacts {
    bool written = false;  // false: no product was stocked
    std::int32_t number = 0;
    int lines = 0;
};

}  // namespace core
