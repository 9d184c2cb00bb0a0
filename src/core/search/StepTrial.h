#pragma once

#include "core/common/RunFailure.h"
#include "core/common/SqlNames.h"
#include "core/steps/CrossServerCopy.h"
#include "core/steps/SourceStatement.h"
#include "core/steps/TableSteps.h"

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

    // False once a try's rollback could not tell that its work is undone.
    virtual bool undone() const { return true; }

};

// The trial through a step's sides, as the step itself runs, in a
// transaction on the destination that is never committed. The step's
// emptying of its tables and the statements before the one searched are run
// once; each try then runs after a savepoint of its own and is rolled back
// to it, or, when it went through and the next try builds on it, kept. Where
// the server ended the transaction (an error that dooms it, a trigger's
// ROLLBACK or COMMIT), the transaction is rolled back and the next try starts
// a new one. With the source on another server its rows stream across as in
// the copy, and the source's server is only read.
class SidesStepTrial final : public StepTrial {
public:
    // inserts: the step's, as chosen for its source table.
    SidesStepTrial(const TableStep& step, std::vector<SourceStatement> inserts, const DatabaseNames& names,
                   const StepSides& sides);

    const std::vector<SourceStatement>& statements() const override { return m_statements; }
    std::optional<QString> attempt(const QStringList& conditions) override;
    bool undone() const override { return m_undone; }
    // What the open transaction of the tries has done so far, and what those
    // whose rollback could not tell had done.
    const TablesTouched& touched() const { return m_touched; }
    const TablesTouched& leftBehind() const { return m_leftBehind; }
    // Ends the transaction the tries ran in, undoing its work.
    void finish();
    // Tries so far, and how many of them had to empty the step's tables again.
    int tries() const { return m_tries; }
    int restarts() const { return m_restarts; }

private:
    std::optional<QString> run(const std::vector<StepStatement>& sql);
    std::optional<QString> start(const QStringList& before);
    bool save();
    bool undoTry();

    const TableStep* m_step;
    std::vector<SourceStatement> m_statements;
    DatabaseNames m_names;
    StepSides m_sides;
    bool m_undone = true;
    bool m_open = false;  // a transaction of the tries is open
    // The statements before the one tried already stand in the open transaction.
    std::optional<QStringList> m_before;
    // The conditions of the last try, which went through and still stands.
    std::optional<QStringList> m_passed;
    TablesTouched m_touched;  // by the open transaction's statements
    TablesTouched m_leftBehind;
    int m_tries = 0;
    int m_restarts = 0;
};

}  // namespace core
