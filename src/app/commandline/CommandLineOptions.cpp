#include "app/commandline/CommandLineOptions.h"

#include <QCommandLineParser>

namespace app {

namespace {

CommandLineOptions wrongUsage(const QString& error)
{
    CommandLineOptions options;
    options.error = error;
    return options;
}

}  // namespace

CommandLineOptions parseCommandLine(const QStringList& arguments)
{
    // The parser's own help and messages are in English: both are written here.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption origem(QStringLiteral("origem"), QString(), QStringLiteral("ficheiro"));
    const QCommandLineOption destino(QStringLiteral("destino"), QString(), QStringLiteral("ficheiro"));
    const QCommandLineOption existencias(QStringLiteral("existencias"));
    const QCommandLineOption sim(QStringLiteral("sim"));
    const QCommandLineOption verificar(QStringLiteral("verificar"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("ajuda")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({origem, destino, existencias, sim, verificar, help, version});

    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
        {
            const QString name = parser.unknownOptionNames().first();
            return wrongUsage(QStringLiteral("Opção desconhecida: %1%2").arg(name.size() > 1 ? "--" : "-", name));
        }
        for (const QString& name : {QStringLiteral("origem"), QStringLiteral("destino")}) {
            const QString option = QStringLiteral("--") + name;
            if (arguments.endsWith(option) || arguments.endsWith(QStringLiteral("-") + name))
                return wrongUsage(QStringLiteral("Falta o ficheiro a seguir a %1.").arg(option));
        }
        return wrongUsage(QStringLiteral("Opções inválidas (%1)").arg(parser.errorText()));
    }

    if (parser.isSet(help)) {
        CommandLineOptions options;
        options.action = CommandLineOptions::Action::Help;
        return options;
    }
    if (parser.isSet(version)) {
        CommandLineOptions options;
        options.action = CommandLineOptions::Action::Version;
        return options;
    }
    // "--origem --destino d.udl" takes "--destino" for the file: the file is what is missing.
    QStringList optionNames;
    for (const QCommandLineOption& option : {origem, destino, existencias, sim, verificar, help, version})
        optionNames += option.names();
    for (const QCommandLineOption* option : {&origem, &destino}) {
        QString value = parser.value(*option);
        if (!value.startsWith(u'-'))
            continue;
        value.remove(0, value.startsWith(QStringLiteral("--")) ? 2 : 1);
        if (optionNames.contains(value.section(u'=', 0, 0)))
            return wrongUsage(QStringLiteral("Falta o ficheiro a seguir a --%1.").arg(option->names().first()));
    }
    if (!parser.positionalArguments().isEmpty())
        return wrongUsage(QStringLiteral("Argumento a mais: %1").arg(parser.positionalArguments().first()));
    for (const QCommandLineOption* option : {&origem, &destino}) {
        if (parser.values(*option).size() > 1)
            return wrongUsage(QStringLiteral("--%1 foi dada mais de uma vez.").arg(option->names().first()));
    }
    if (!parser.isSet(origem) || !parser.isSet(destino))
        return wrongUsage(QStringLiteral("São precisas as duas opções --origem e --destino."));

    CommandLineOptions options;
    options.action = CommandLineOptions::Action::Run;
    options.sourcePath = parser.value(origem);
    options.destinationPath = parser.value(destino);
    options.stocks = parser.isSet(existencias);
    options.answerYes = parser.isSet(sim);
    options.verifyOnly = parser.isSet(verificar);
    return options;
}

QString commandLineHelp(const QString& recordPath)
{
    return QStringLiteral(
        "Utilização: KovaraConverter --origem ORIGEM.udl --destino DESTINO.udl [--existencias] [--sim] [--verificar]\n"
        "            KovaraConverter --ligacao FICHEIRO.udl\n"
        "\n"
        "Converte os dados da base de dados de origem para a base de dados Kovara de destino,\n"
        "sem janela. Sem argumentos, o programa abre a janela.\n"
        "\n"
        "Opções:\n"
        "  --origem FICHEIRO    ficheiro de ligação (.udl) da base de dados de origem\n"
        "  --destino FICHEIRO   ficheiro de ligação (.udl) da base de dados de destino (Kovara)\n"
        "  --existencias        converte também as existências (um documento de stock \"IN\")\n"
        "  --sim                não faz perguntas: converte já, sem confirmação\n"
        "  --verificar          faz a conversão toda dentro de uma transacção e desfaz tudo no fim:\n"
        "                       mostra o que cada tabela ficaria a ter, sem alterar nada\n"
        "  --ligacao FICHEIRO   abre o editor do ficheiro de ligação (novo, se não existir)\n"
        "  -h, --help           mostra esta ajuda\n"
        "  --version            mostra a versão\n"
        "\n"
        "Sem --sim nem --verificar, o programa pergunta no terminal se deve fazer a conversão\n"
        "e, sem --existencias, se deve converter as existências; sem terminal, recusa-se a continuar.\n"
        "\n"
        "O registo de todas as execuções fica em %1.\n"
        "\n"
        "Estado de saída:\n"
        "  0  conversão completa (ou verificação sem falhas)\n"
        "  1  processo abortado (ou verificação com falha)\n"
        "  2  recusado: ficheiro em falta ou inválido, a mesma base de dados, sem confirmação,\n"
        "     ou opções erradas\n"
        "  130  interrompido com Ctrl-C (143 com SIGTERM, 129 ao fechar o terminal)\n"
        "Com --ligacao: 0 ficheiro guardado, 1 não guardado, 2 opções erradas ou sem ambiente gráfico.\n")
        .arg(recordPath);
}

}  // namespace app
