// Draws the main window after a successful run with stocks, on the recording
// database, into the PNG named on the command line. Used for the README.

#include "AppTestSupport.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }

    apptest::Window window;
    const std::pair<const char*, const char*> counts[] = {
        {"Clientes", "1250"}, {"Empregados", "14"}, {"Subfamilias", "38"}, {"Familias", "12"},
        {"Iva", "4"},         {"Produtos", "2317"}, {"Fornecedores", "86"}, {"Unidades", "6"}};
    for (const auto& [table, count] : counts)
        window.recorder->respond(QStringLiteral("COUNT(codigo) FROM [pos].dbo.%1").arg(QLatin1String(table)),
                                 recording::singleValue(QString(), QLatin1String(count)));
    std::vector<db::ResultSet::Row> stock;
    for (int code = 1; code <= 1874; ++code)
        stock.push_back({QString::number(code), QStringLiteral("3"), QStringLiteral("Produto")});
    window.recorder->respond(QStringLiteral("[pos].dbo.Existencias"),
                             recording::makeResult({"codigo", "existencia", "descricao"}, std::move(stock)));

    window.form.show();
    window.start(true);
    if (!apptest::runEnded())
        return 1;
    QApplication::processEvents();
    // Keep the paths short and readable in the picture.
    window.form.Origem->setText(QStringLiteral("/home/tecnico/ligacoes/origem.udl"));
    window.form.Destino->setText(QStringLiteral("/home/tecnico/ligacoes/kovara.udl"));
    window.form.Origem->setCursorPosition(0);
    window.form.Destino->setCursorPosition(0);
    QApplication::processEvents();
    return window.form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
