#include "ExpectedRows.h"

#include "ServerHarness.h"
#include "core/run/RunServers.h"

#include <QMap>
#include <gtest/gtest.h>

namespace expected {

namespace {

using Values = QMap<QString, QString>;

const QString kNull = QStringLiteral("NULL");
// The server's reading of the number 0 written into a datetime column.
const QString kZeroDate = QStringLiteral("1900-01-01 00:00:00.000");

// One row in the table's column order. Numeric columns left out are expected
// to hold 0: most of the destination's columns take a fixed 0. Every other
// column must be given, so a text, date or binary value is never assumed.
QString rowOf(const server::TableDef& table, const Values& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!table.column(it.key()))
            ADD_FAILURE() << "expected value for unknown column " << table.name.toStdString() << "."
                          << it.key().toStdString();
    }
    QStringList out;
    for (const server::ColumnDef& c : table.columns) {
        const auto it = values.constFind(c.name);
        if (it != values.cend()) {
            out.append(*it);
        } else if (server::classOf(c.type) == server::TypeClass::Numeric) {
            const bool scaled = c.type == u"money" || c.type == u"smallmoney" || c.type == u"decimal" ||
                                c.type == u"numeric" || c.type == u"float" || c.type == u"real";
            out.append(scaled ? QStringLiteral("0.0000") : QStringLiteral("0"));
        } else {
            ADD_FAILURE() << "no expected value for " << table.name.toStdString() << "." << c.name.toStdString();
            out.append(QStringLiteral("?"));
        }
    }
    return out.join(u'|');
}

QStringList rowsOf(const server::TableDef& table, const std::vector<Values>& rows)
{
    QStringList out;
    for (const Values& v : rows)
        out.append(rowOf(table, v));
    return out;
}

// Later values win.
Values operator+(Values a, const Values& b)
{
    for (auto it = b.cbegin(); it != b.cend(); ++it)
        a.insert(it.key(), it.value());
    return a;
}

}  // namespace

QStringList clientes(const server::TableDef& table, bool ivacaixa)
{
    // Fixed by the statement whatever the source holds.
    const Values fixed{{"foto", kNull}, {"datanascimento", kZeroDate}, {"nomecontacto", ""}, {"rfid", ""}};
    const Values noIvaCaixa{{"ivacaixa", "0"}, {"ivacaixainicio", kZeroDate}, {"ivacaixafim", kZeroDate}};

    const Values maria = fixed + Values{
        {"codigo", "1"}, {"nome", "Maria Antónia Leal"}, {"morada", "Rua d'Alegria, 12"}, {"codpostal", "4050"},
        {"codpostal1", "262"}, {"localidade", "Porto"}, {"telefone", "220000001"}, {"fax", "220000002"},
        {"telemovel", "910000003"}, {"email", "maria@exemplo.pt"}, {"web", "www.exemplo.pt"},
        {"obs", "Cliente desde 1999"}, {"datacriacao", "2019-05-17 09:30:00.250"}, {"valormov", "1250.5000"},
        {"valordivida", "75.2500"}, {"contribuinte", "501234567"}, {"isento", "1"}, {"motivo", "M07"},
        {"retencao", "1"}, {"sujeitopassivo", "1"}};
    // Cliente 2 and 15 have NULL in isento, retencao, sujeitopassivo and ivacaixa (2) or 0 (15).
    const Values joao = fixed + Values{
        {"codigo", "2"}, {"nome", "João Gonçalves"}, {"morada", "Av. da Liberdade 200"}, {"codpostal", "1250"},
        {"codpostal1", "096"}, {"localidade", "Lisboa"}, {"telefone", "210000004"}, {"fax", "210000005"},
        {"telemovel", "930000006"}, {"email", "joao@exemplo.pt"}, {"web", "joao.exemplo.pt"}, {"obs", kNull},
        {"datacriacao", "2021-11-03 16:05:00.000"}, {"valormov", "0.0000"}, {"valordivida", "12.3456"},
        {"contribuinte", "198765432"}, {"motivo", kNull}};
    const Values consumidor = fixed + Values{
        {"codigo", "15"}, {"nome", "Consumidor final"}, {"morada", kNull}, {"codpostal", kNull}, {"codpostal1", kNull},
        {"localidade", kNull}, {"telefone", kNull}, {"fax", kNull}, {"telemovel", kNull}, {"email", kNull},
        {"web", kNull}, {"obs", kNull}, {"datacriacao", kNull}, {"valormov", kNull}, {"valordivida", kNull},
        {"contribuinte", "999999990"}, {"motivo", kNull}};

    if (!ivacaixa)
        return rowsOf(table, {maria + noIvaCaixa, joao + noIvaCaixa, consumidor + noIvaCaixa});
    return rowsOf(table, {maria + Values{{"ivacaixa", "1"}, {"ivacaixainicio", "2020-01-01 00:00:00.000"},
                                         {"ivacaixafim", "2020-12-31 00:00:00.000"}},
                          joao + Values{{"ivacaixainicio", kNull}, {"ivacaixafim", kNull}},
                          consumidor + Values{{"ivacaixainicio", kNull}, {"ivacaixafim", kNull}}});
}

QStringList empregados(const server::TableDef& table)
{
    const Values fixed{{"identificacao", ""}, {"telefone", ""}, {"email", ""}, {"cor", "16577500"}};
    return rowsOf(table, {fixed + Values{{"codigo", "1"}, {"nome", "Ana Sofia Mendes"}, {"password", "4321"},
                                         {"foto", "89504E470D0A1A0A"}, {"datacriacao", "2017-01-02 08:00:00.000"},
                                         {"obs", "Gerente de loja"}, {"gestaocaixa", "1"}},
                          fixed + Values{{"codigo", "2"}, {"nome", "Rui Patrício"}, {"password", "1234"}, {"foto", kNull},
                                         {"bloqueado", "1"}, {"datacriacao", "2021-06-30 18:45:00.000"}, {"obs", kNull}}});
}

QStringList subfamilias(const server::TableDef& table, bool fundo)
{
    const Values cafes{{"codigo", "11"}, {"descricao", "Cafés"}, {"familia", "1"}};
    const Values aguas{{"codigo", "12"}, {"descricao", "Águas"}, {"familia", "2"}};
    if (!fundo) {
        const Values defaults{{"fundo", "12632256"}, {"letra", "16776960"}, {"posicao", "0"}};
        return rowsOf(table, {cafes + defaults, aguas + defaults});
    }
    return rowsOf(table, {cafes + Values{{"fundo", "8421504"}, {"letra", "255"}, {"posicao", "2"}},
                          aguas + Values{{"fundo", kNull}, {"letra", kNull}, {"posicao", kNull}}});
}

QStringList familias(const server::TableDef& table, bool frontoffice)
{
    const Values quentes{{"codigo", "1"}, {"descricao", "Bebidas quentes"}};
    const Values frias{{"codigo", "2"}, {"descricao", "Bebidas frias"}};
    if (frontoffice) {
        // Fixed values, even for the family whose own flag is 0.
        const Values fixed{{"frontoffice", "1"}, {"fundo", "15780518"}, {"letra", "16777215"}};
        return rowsOf(table, {quentes + fixed, frias + fixed});
    }
    return rowsOf(table, {quentes + Values{{"frontoffice", "1"}, {"posicaofront", "4"}, {"fundo", "8388608"}, {"letra", "0"}},
                          frias + Values{{"frontoffice", "0"}, {"posicaofront", "9"}, {"fundo", "32768"}, {"letra", "65535"}}});
}

QStringList famzonas()
{
    return {QStringLiteral("1|0"), QStringLiteral("2|0")};
}

QStringList iva(const server::TableDef& table)
{
    return rowsOf(table, {{{"codigo", "1"}, {"descricao", "Isento"}, {"factor", "0.0000"}},
                          {{"codigo", "2"}, {"descricao", "Taxa reduzida"}, {"factor", "6.0000"}},
                          {{"codigo", "3"}, {"descricao", "Taxa normal"}, {"factor", "23.0000"}}});
}

QStringList produtos(const server::TableDef& table, bool referencia)
{
    // Fixed by the statement whatever the source holds (the numeric zeros are implied).
    const Values fixed{{"qtdstock", "1.0000"}, {"vendersemstock", "1"}, {"dosedesc", ""}, {"meiadosedesc", ""}};

    const Values cafe = fixed + Values{
        {"codigo", "101"}, {"descricao", "Café expresso"}, {"familia", "1"}, {"subfam", "11"}, {"unidade", "1"},
        {"iva", "3"}, {"fornecedor", "301"}, {"foto", "FFD8FFE0"}, {"precocompra", "0.3500"},
        {"precovenda", "0.7000"}, {"dataultcompra", "2024-02-10 08:15:00.000"}, {"ultprecocompra", "0.3400"},
        {"datacriacao", "2018-03-01 12:00:00.000"}, {"obs", "Bebida quente"}, {"retalho", "1"},
        {"ultprecovenda", "0.6500"}, {"topo", "1"}, {"ivacompra", "2"}, {"prodstock", "101"},
        {"codbarras", "5601234000017"}, {"iva2", "3"}, {"ivarevenda", "3"}, {"pvp2", "0.8000"}, {"pvp3", "0.9000"},
        {"retencao", "1"}, {"percentagemretencao", "11.5000"}};
    // NULL in every column read through ISNULL.
    const Values agua = fixed + Values{
        {"codigo", "102"}, {"descricao", "Água 50cl"}, {"iva", "2"}, {"fornecedor", "302"}, {"foto", kNull},
        {"precocompra", "0.0000"}, {"precovenda", "1.0000"}, {"dataultcompra", kNull}, {"ultprecocompra", kNull},
        {"datacriacao", "2019-07-15 10:00:00.000"}, {"obs", kNull}, {"ultprecovenda", kNull}, {"ivacompra", "2"},
        {"prodstock", "102"}, {"codbarras", "5601234000031"}, {"iva2", "2"}, {"ivarevenda", "2"},
        {"pvp2", "1.1000"}, {"pvp3", "1.2000"}, {"percentagemretencao", kNull}};
    const Values semDescricao = fixed + Values{
        {"codigo", "103"}, {"descricao", kNull}, {"familia", "2"}, {"subfam", "12"}, {"unidade", "2"}, {"iva", "1"},
        {"fornecedor", "301"}, {"foto", kNull}, {"precocompra", "2.5000"}, {"precovenda", "4.7500"},
        {"dataultcompra", "2023-12-01 00:00:00.000"}, {"ultprecocompra", "2.4000"},
        {"datacriacao", "2020-01-20 09:00:00.000"}, {"obs", "Sem descrição"}, {"composto", "1"},
        {"ultprecovenda", "4.5000"}, {"ivacompra", "1"}, {"balanca", "1"}, {"prodstock", "103"}, {"codbarras", kNull},
        {"iva2", "1"}, {"ivarevenda", "1"}, {"pvp2", "5.0000"}, {"pvp3", "5.5000"}};
    const Values nata = fixed + Values{
        {"codigo", "104"}, {"descricao", "Pastel de nata"}, {"familia", "1"}, {"subfam", "11"}, {"unidade", "1"},
        {"iva", "2"}, {"fornecedor", "302"}, {"foto", kNull}, {"precocompra", "0.4000"}, {"precovenda", "1.1000"},
        {"dataultcompra", kNull}, {"ultprecocompra", "0.4100"}, {"datacriacao", "2022-05-05 05:05:05.000"},
        {"obs", kNull}, {"retalho", "1"}, {"ultprecovenda", "1.0500"}, {"topo", "1"}, {"ivacompra", "3"},
        {"prodstock", "104"}, {"codbarras", "5601234000048"}, {"iva2", "2"}, {"ivarevenda", "2"},
        {"pvp2", "1.2000"}, {"pvp3", "1.3000"}};

    if (referencia) {
        const Values defaults{{"fundo", "12632256"}, {"letra", "536870911"}, {"descricaocurta", ""}};
        return rowsOf(table,
                      {cafe + defaults + Values{{"referencia", "CAF-001"}, {"promocao", "1"}, {"excluirdescontos", "1"}, {"isencao", "4"}},
                       agua + defaults + Values{{"referencia", "AGU-050"}, {"isencao", kNull}},
                       semDescricao + defaults + Values{{"referencia", kNull}, {"promocao", kNull}, {"excluirdescontos", kNull}, {"isencao", "9"}},
                       nata + defaults + Values{{"referencia", "PAS-NATA"}, {"excluirdescontos", "1"}}});
    }
    // Without the reference: position, colours and short label come from the
    // source, promotion and discount exclusion are 0, a NULL exemption is 0.
    const Values noReference{{"referencia", ""}};
    return rowsOf(table,
                  {cafe + noReference + Values{{"ordem", "7"}, {"fundo", "255"}, {"letra", "65280"}, {"descricaocurta", "Café"}, {"isencao", "4"}},
                   agua + noReference + Values{{"ordem", "2"}, {"fundo", "16711680"}, {"letra", "0"}, {"descricaocurta", "Água"}},
                   semDescricao + noReference + Values{{"ordem", kNull}, {"fundo", kNull}, {"letra", kNull}, {"descricaocurta", kNull}, {"isencao", "9"}},
                   nata + noReference + Values{{"ordem", "1"}, {"fundo", "4227072"}, {"letra", "16777215"}, {"descricaocurta", "Nata"}}});
}

QStringList codigosbarras(bool referencia)
{
    if (!referencia)
        return {};
    return {QStringLiteral("101|5601234000017"), QStringLiteral("101|5601234000024"), QStringLiteral("102|5601234000031")};
}

QStringList fornecedores(const server::TableDef& table)
{
    return rowsOf(table, {{{"codigo", "301"}, {"nome", "Distribuidora Norte, Lda"}, {"morada", "Zona Industrial, Lote 4"},
                           {"codpostal", "4470"}, {"codpostal1", "605"}, {"localidade", "Maia"}, {"telefone", "229000001"},
                           {"fax", "229000002"}, {"telemovel", "969000003"}, {"email", "geral@dnorte.pt"},
                           {"web", "www.dnorte.pt"}, {"datacriacao", "2015-09-09 09:09:09.000"},
                           {"contribuinte", "503456789"}, {"ivaincluido", "1"}},
                          {{"codigo", "302"}, {"nome", "Águas do Luso"}, {"morada", kNull}, {"codpostal", kNull},
                           {"codpostal1", kNull}, {"localidade", kNull}, {"telefone", kNull}, {"fax", kNull},
                           {"telemovel", kNull}, {"email", kNull}, {"web", kNull}, {"datacriacao", kNull},
                           {"contribuinte", kNull}}});
}

QStringList unidades(const server::TableDef& table)
{
    return rowsOf(table, {{{"codigo", "1"}, {"descricao", "Unidade"}}, {{"codigo", "2"}, {"descricao", "Quilograma"}}});
}

QStringList stockLines()
{
    // Existencias 103 is NULL and Produto 103 has no description; 999 has no product.
    return {QStringLiteral("101|12.5000|Café expresso"), QStringLiteral("102|0.0000|Água 50cl"),
            QStringLiteral("103|0.0000|"), QStringLiteral("104|-1.2345|Pastel de nata")};
}

QString encryptionLine(const QString& dataSource, const QString& encrypted)
{
    const QString server = dataSource.isEmpty() ? server::settingsFromEnvironment().value_or(server::ServerSettings{}).dataSource()
                                                : dataSource;
    return QStringLiteral("Ligação cifrada a %1: %2.").arg(server, encrypted);
}

QStringList wholeRunEvents(bool stockLine, const QStringList& connected)
{
    using harness::kStep;
    QStringList events = QStringList{QStringLiteral("A ligar à base de dados...")} + connected;
    const QStringList steps{
        "A converter 3 clientes...",       "Clientes convertidos!",      "A converter 2 empregados...",
        "Empregados convertidos!",         "A converter 2 sub-famílias...", "Sub-famílias convertidas!",
        "A converter 2 famílias...",       "Famílias convertidas!",      "A converter 3 taxas de iva...",
        "Taxas de iva convertidas!",       "A converter 4 produtos...",  "Produtos convertidos!",
        "A converter 2 fornecedores...",   "Fornecedores convertidos!",  "A converter 2 unidades...",
        "Unidades convertidas!"};
    for (qsizetype i = 0; i < steps.size(); i += 2)
        events << steps[i] << steps[i + 1] << kStep;
    if (stockLine)
        events << QStringLiteral("A converter stocks para 4 produtos...") << core::kLoadsInBulk;
    events << kStep << QStringLiteral("Conversão completa!");
    return events;
}

QStringList eventsUpToCountOfStep(int step)
{
    // The connecting lines, three events per earlier step, then the count line.
    return wholeRunEvents().mid(0, 2 + 3 * (step - 1) + 1);
}

QString notUndone(const QString& tables)
{
    return QStringLiteral("Não foi possível confirmar que a transacção foi desfeita: podem ter ficado escritos registos em %1.")
        .arg(tables);
}

}  // namespace expected
