#pragma once

#include "core/CrossServerCopy.h"
#include "core/SourceStatement.h"
#include "core/SqlNames.h"
#include "core/TableSteps.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace core {

// Tries a table step on some of its source rows and tells whether the server
// refuses them, leaving the destination as it was.
class StepTrial {
public:
    virtual ~StepTrial() = default;

    // The step's source statements, in the order the step runs them.
    virtual const std::vector<SourceStatement>& statements() const = 0;

    // Empties the step's destination tables, then runs its statements from the
    // first, each on the source rows where its condition holds, as many as
    // conditions are given; the step's follow-ups too when all are. Nothing
    // when that goes through; otherwise the server's text. A failure to start
    // a try at all is thrown.
    virtual std::optional<QString> attempt(const QStringList& conditions) = 0;
};

// The trial through a step's sides, as the step itself runs: each try in a
// transaction of its own on the destination, rolled back whatever happened.
// With the source on another server its rows stream across as in the copy,
// and the source's server is only read. Nothing is carried on inside a
// transaction after an error.
class SidesStepTrial final : public StepTrial {
public:
    // inserts: the step's, as chosen for its source table.
    SidesStepTrial(const TableStep& step, std::vector<SourceStatement> inserts, const DatabaseNames& names,
                   const StepSides& sides);

    const std::vector<SourceStatement>& statements() const override { return m_statements; }
    std::optional<QString> attempt(const QStringList& conditions) override;

private:
    const TableStep* m_step;
    std::vector<SourceStatement> m_statements;
    DatabaseNames m_names;
    StepSides m_sides;
};

}  // namespace core
