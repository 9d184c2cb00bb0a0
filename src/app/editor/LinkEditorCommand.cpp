#include "app/editor/LinkEditorCommand.h"

#include "app/Console.h"
#include "app/ExitStatus.h"

#include <QtGlobal>
#include <cstdlib>
#include <string_view>

namespace app {

namespace {

const QString kOption = QStringLiteral("--ligacao");

QtMessageHandler g_toolkitHandler = nullptr;

void failWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (g_toolkitHandler)
            g_toolkitHandler(type, context, message);
        return;
    }
    standardConsole()->writeError(
        QStringLiteral("O editor de ligações precisa de um ambiente gráfico, e não foi possível abrir nenhum "
                       "(veja a variável DISPLAY).\n"));
    // The toolkit is half started: nothing is left to tidy, and returning would abort.
    std::_Exit(kExitRefused);
}

}  // namespace

bool wantsLinkEditor(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--ligacao" || argument.starts_with("--ligacao="))
            return true;
    }
    return false;
}

QString linkEditorUsageError(const QStringList& arguments)
{
    const QString missing = QStringLiteral("Falta o ficheiro a seguir a --ligacao.");
    bool named = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString file;
        if (argument == kOption) {
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(u'-'))
                file = arguments[++i];
        } else if (argument.startsWith(kOption + u'=')) {
            file = argument.mid(kOption.size() + 1);
        } else {
            return QStringLiteral("--ligacao abre só o editor, e não se junta a outras opções nem argumentos: %1")
                .arg(argument);
        }
        if (named)
            return QStringLiteral("--ligacao foi dada mais de uma vez.");
        if (file.isEmpty())
            return missing;
        named = true;
    }
    return named ? QString() : missing;
}

bool refuseLinkEditorUsage(int argc, char* argv[])
{
    // Only the shape of the arguments matters here, not how a name is encoded.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString wrong = linkEditorUsageError(arguments);
    if (wrong.isEmpty())
        return false;
    standardConsole()->writeError(wrong + QStringLiteral("\nVeja KovaraConverter --help.\n"));
    return true;
}

QString linkEditorPath(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == kOption && i + 1 < arguments.size())
            return arguments[i + 1];
        if (arguments[i].startsWith(kOption + u'='))
            return arguments[i].mid(kOption.size() + 1);
    }
    return {};
}

DisplayRequired::DisplayRequired()
{
    g_toolkitHandler = qInstallMessageHandler(failWithoutDisplay);
}

DisplayRequired::~DisplayRequired()
{
    qInstallMessageHandler(g_toolkitHandler);
    g_toolkitHandler = nullptr;
}

}  // namespace app
