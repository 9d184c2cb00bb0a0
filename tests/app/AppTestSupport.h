#pragma once

// A window on the recording database, with scripted answers to its message
// boxes and data link files on disk.

#include "RecordingDatabase.h"
#include "ReportLine.h"
#include "app/MessageBoxes.h"
#include "app/window/Main.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace apptest {

inline const QString kAskConvert = QStringLiteral(
    "? Confirmação: Deseja fazer a conversão? Isto irá remover os registos actualmente existentes na base de "
    "dados de destino!");
inline const QString kAskStocks = QStringLiteral("? Confirmação: Deseja converter também as existencias?");

inline QString sourceInit(const QString& database, const QString& server = QStringLiteral("srv"))
{
    return QStringLiteral("SQLOLEDB.1;Password=pw;User ID=sa;Initial Catalog=%1;Data Source=%2").arg(database, server);
}

inline QString destinationInit(const QString& database, const QString& server = QStringLiteral("srv"))
{
    return QStringLiteral("SQLOLEDB.1;Password=kv;User ID=kv;Initial Catalog=%1;Data Source=%2").arg(database, server);
}

// Shows every box as "? caption: text" (questions) or "! caption: text"
// (refusals); questions take their answers in order, then say no.
struct ScriptedBoxes final : app::MessageBoxes {
    ScriptedBoxes(std::shared_ptr<QStringList> shown, std::shared_ptr<QList<bool>> answers)
        : shown(std::move(shown)), answers(std::move(answers)) {}
    bool ask(QWidget*, const QString& caption, const QString& text) override
    {
        shown->append(QStringLiteral("? %1: %2").arg(caption, text));
        return !answers->isEmpty() && answers->takeFirst();
    }
    void refuse(QWidget*, const QString& caption, const QString& text) override
    {
        shown->append(QStringLiteral("! %1: %2").arg(caption, text));
    }
    std::shared_ptr<QStringList> shown;
    std::shared_ptr<QList<bool>> answers;
};

struct Window {
    Window()
    {
        form.setMessageBoxes(std::make_unique<ScriptedBoxes>(shown, answers));
        // Every table has three rows, so each step has something to log.
        recorder->respond(QStringLiteral("SELECT COUNT("), recording::singleValue(QString(), QStringLiteral("3")));
    }
    // A worker held at its connect must not outlive the test that held it.
    ~Window() { gate->release(1000); }

    // A data link file as Windows writes it: UTF-16 with a byte-order mark.
    QString linkFile(const QString& name, const QString& text) const
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("\xFF\xFE");
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return file.fileName();
    }
    QString link(const QString& name, const QString& init) const
    {
        return linkFile(name, QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                                             "Provider=%1\r\n").arg(init));
    }

    void start(bool stocks, const QString& server = QStringLiteral("srv"))
    {
        form.Origem->setText(link(QStringLiteral("origem-%1.udl").arg(server), sourceInit(QStringLiteral("pos"), server)));
        form.Destino->setText(link(QStringLiteral("destino.udl"), destinationInit(QStringLiteral("loja"), server)));
        *answers = {true, stocks};
        form.Button1Click();
    }
    void holdAtConnect()
    {
        recorder->beforeCall = [gate = gate](const recording::Call& call) {
            if (call.what == QStringLiteral("cn.open"))
                gate->acquire();
        };
    }
    void releaseConnect() { gate->release(1000); }

    QStringList log() const
    {
        const QString text = form.Log->toPlainText();
        return reportline::apart(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
    }

    QTemporaryDir dir;
    std::shared_ptr<recording::Recorder> recorder = std::make_shared<recording::Recorder>();
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>();
    std::shared_ptr<QStringList> shown = std::make_shared<QStringList>();
    std::shared_ptr<QList<bool>> answers = std::make_shared<QList<bool>>();
    TfrmMain form{std::make_unique<recording::RecordingConnection>(recorder)};
};

inline bool runEnded()
{
    return QTest::qWaitFor([] { return !ActiveProcessar; }, 20000);
}

}  // namespace apptest
