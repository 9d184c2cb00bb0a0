#pragma once

#include "FixtureSchema.h"

#include <QString>
#include <QStringList>

// Reads a statement the conversion sends and checks it against the fixture:
// every table it names exists in the database it names it in, every column
// exists in its table, and every value an INSERT writes fits the column it
// goes to (type, length, NULL). The statements name the source database
// sourceName and the destination destinationName, in brackets.
class StatementCheck {
public:
    StatementCheck(const server::FixtureSchema& source, const server::FixtureSchema& destination,
                   QString sourceName, QString destinationName);

    // What does not fit; empty when the statement would run on the fixture.
    QStringList problems(const QString& sql) const;

private:
    const server::FixtureSchema& m_source;
    const server::FixtureSchema& m_destination;
    QString m_sourceName;
    QString m_destinationName;
};
