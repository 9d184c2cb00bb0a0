#pragma once

#include "core/common/ConversionSink.h"
#include "core/common/RunFailure.h"
#include "core/common/SqlNames.h"
#include "core/steps/CrossServerCopy.h"
#include "core/steps/SourceStatement.h"
#include "core/steps/TableSteps.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <cstdint>
#include <functional>

namespace core {

// The line logged once a step's work is done, given the source rows it
// counted and the rows its destination tables then hold.
using StepDoneLine = std::function<QString(std::int32_t sourceRows, const TableRows& tableRows)>;

// Runs statements of the step named on its sides, in order, each noted in
// touched before it runs. A refused DELETE is told as the step's ("Clientes:
// o destino recusa apagar os registos: …"); the destination acting on its
// own goes on as a DestinationActed that names the table and its triggers.
void runStepStatements(const std::vector<StepStatement>& statements, const QString& step, const DatabaseNames& names,
                       const StepSides& sides, TablesTouched& touched);

// What the step's statements may do to the destination's tables, all of them run.
TablesTouched tablesOf(const TableStep& step);

// The inserts the step makes with this source: by whether its source table
// has the probe column. Asks the source through q.
std::vector<SourceStatement> chosenInserts(const TableStep& step, const DatabaseNames& names, db::Query& q);

// Runs one table step on its sides, in a transaction of its own on the
// destination, and takes its progress step. A failure is rolled back and
// thrown on. Once the work is done, the step logs doneLine's text, by default
// the step's doneMessage.
void runTableStep(const TableStep& step, const DatabaseNames& names, const StepSides& sides, ConversionSink& sink,
                  const StepDoneLine& doneLine = {});

}  // namespace core
