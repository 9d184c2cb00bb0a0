#include "app/CommandLine.h"
#include "app/LinkEditor.h"
#include "app/Main.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("KovaraConverter"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KOVARA_FILE_VERSION));

    // Before any window exists, so the command line needs no display at all.
    if (app::wantsCommandLine(argc) && !app::wantsLinkEditor(argc, argv))
        return app::runCommandLine(argc, argv);

    QApplication application(argc, argv);
    application.setProperty("productVersion", QStringLiteral(KOVARA_PRODUCT_VERSION));

    // The toolkit's own texts (the file dialog's) in European Portuguese, like
    // the rest of the program, whatever the system's language; where the
    // translation is not installed they stay in English.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QLocale(QLocale::Portuguese, QLocale::Portugal), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&toolkitTexts);

    if (const auto link = app::linkEditorPath(QCoreApplication::arguments()))
        return app::runLinkEditor(*link);

    TfrmMain frmMain;
    frmMain.show();
    return application.exec();
}
