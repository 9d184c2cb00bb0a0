#pragma once

// The program itself run from the command line against the test server, in
// a folder of its own, with no display.

#include "ServerHarness.h"

#include "ReportLine.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace cmdline {

struct Ended {
    int status = -1;
    QStringList out;  // apart from the report's path at the end
    QString err;
};

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
        ASSERT_TRUE(folder.isValid());
    }

    // The program with these arguments after the two link files, with no
    // display of any kind, standard input a pipe that is closed at once; its
    // output into reader, started here; meanwhile called once it has started.
    Ended run(const server::ScratchDatabase& src, const QString& destinationDatabase, const QStringList& arguments,
              QProcess* reader = nullptr, const std::function<void(QProcess&)>& meanwhile = {},
              const QString& destinationServer = {})
    {
        const auto [origem, destino] = h.writeLinkFiles(folder.path(), src.name(), destinationDatabase);
        if (!destinationServer.isEmpty())
            server::writeDataLinkFile(destino, h.initString(destinationDatabase, h.settings().password)
                                                   .replace(h.settings().dataSource(), destinationServer));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(display));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));

        QProcess program;
        program.setProcessEnvironment(environment);
        if (reader)
            program.setStandardOutputProcess(reader);
        program.start(QStringLiteral(KOVARA_PROGRAM),
                      QStringList{QStringLiteral("--origem"), origem, QStringLiteral("--destino"), destino} + arguments);
        program.closeWriteChannel();
        if (reader)
            reader->start();
        if (meanwhile)
            meanwhile(program);
        if (!program.waitForFinished(300'000) || program.exitStatus() != QProcess::NormalExit)
            return {};
        return {program.exitCode(),
                reportline::apart(QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)),
                QString::fromUtf8(program.readAllStandardError())};
    }

    QString record() const
    {
        QFile file(folder.filePath(QStringLiteral("state/KovaraConverter/conversoes.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QStringList everything(const server::ScratchDatabase& dst) { return h.everyRow(dst); }

    static QStringList withoutSteps(QStringList events)
    {
        events.removeAll(harness::kStep);
        return events;
    }

    // The source without a column the families step reads: the run fails at step 4.
    server::ScratchDatabase& sourceFailingAtFamilies()
    {
        server::SourceVariant variant;
        variant.frontoffice = false;
        server::ScratchDatabase& src = h.source(variant);
        src.execute(QStringLiteral("ALTER TABLE dbo.Familias DROP COLUMN letra"));
        return src;
    }

    harness::ServerHarness h;
    QTemporaryDir folder;
};

}  // namespace cmdline
