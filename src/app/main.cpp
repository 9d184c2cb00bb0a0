#include "app/commandline/CommandLine.h"
#include "app/commandline/CommandLineRun.h"
#include "app/editor/LinkEditor.h"
#include "app/editor/LinkEditorCommand.h"
#include "app/window/Main.h"
#include "db/FreeTdsConfig.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <optional>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("KovaraConverter"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KOVARA_FILE_VERSION));
    // Before any thread: the environment is the whole process's.
    db::useOwnFreeTdsConfig(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                            QStringLiteral("/freetds.conf"));

    // Before any window exists, so the command line needs no display at all.
    const bool linkEditor = app::wantsLinkEditor(argc, argv);
    if (app::wantsCommandLine(argc) && !linkEditor)
        return app::runCommandLine(argc, argv);
    if (linkEditor && app::refuseLinkEditorUsage(argc, argv))
        return app::kExitRefused;

    std::optional<app::DisplayRequired> displayRequired;
    if (linkEditor)
        displayRequired.emplace();
    QApplication application(argc, argv);
    displayRequired.reset();
    application.setProperty("productVersion", QStringLiteral(KOVARA_PRODUCT_VERSION));

    // The toolkit's own texts (the file dialog's) in European Portuguese, like
    // the rest of the program, whatever the system's language; where the
    // translation is not installed they stay in English.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QLocale(QLocale::Portuguese, QLocale::Portugal), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&toolkitTexts);

    if (linkEditor)
        return app::runLinkEditor(app::linkEditorPath(QCoreApplication::arguments()));

    TfrmMain frmMain;
    frmMain.show();
    return application.exec();
}
