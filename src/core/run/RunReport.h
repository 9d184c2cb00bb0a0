#pragma once

#include "core/common/RunFacts.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace core {

// What a report of one run holds: the run as asked for, the facts it found,
// how it ended and its log. Never a password: the links are not kept.
struct RunReport {
    QString runId;
    bool verifyOnly = false;
    bool stocks = false;
    QString sourceServer;  // as the data link files name them
    QString destinationServer;
    QString sourceDatabase;
    QString destinationDatabase;
    std::optional<ServersFound> servers;  // once the run has reached them
    QDateTime start;
    QDateTime end;
    QString result;  // the record's words for how it ended
    bool complete = false;
    std::vector<StepFacts> steps;
    std::vector<BadRowFacts> badRows;
    std::optional<StockFacts> stock;
    QStringList log;
};

// The folder reports go in: "relatorios" beside the record.
QString reportFolder(const QString& recordPath);

// The report as one HTML page in Portuguese, readable on screen and on A4.
QString reportPage(const RunReport& report);

// Writes page whole into folder, named by the run's start and id, the folder
// made when missing; both for their owner only. The path written, or an empty
// string when it could not be, and then nothing is left there.
QString writeReportPage(const QString& folder, const RunReport& report, const QString& page);

}  // namespace core
