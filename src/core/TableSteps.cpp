#include "core/TableSteps.h"

namespace core {

namespace {

// The statements are the contract with the destination schema: keep them
// exactly as they are, column for column.
const QString kClientesWithIvaCaixa =
    QStringLiteral("INSERT INTO @destino.dbo.clientes (id, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, limitecredito, desconto, saldo, foto, mododesconto, impressao, datanascimento, nomecontacto, bloqueado, rfid, isento, motivo, retencao, sujeitopassivo, ivacaixa, ivacaixainicio, ivacaixafim) (SELECT 0, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, 0, 0,0, NULL, 0, 0, 0, '', 0, '', ISNULL(isento, 0), motivo, ISNULL(retencao, 0), ISNULL(sujeitopassivo, 0), ISNULL(ivacaixa, 0), ivacaixainicio, ivacaixafim FROM @origem.dbo.Clientes)");
const QString kClientesWithoutIvaCaixa =
    QStringLiteral("INSERT INTO @destino.dbo.clientes (id, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, limitecredito, desconto, saldo, foto, mododesconto, impressao, datanascimento, nomecontacto, bloqueado, rfid, isento, motivo, retencao, sujeitopassivo, ivacaixa, ivacaixainicio, ivacaixafim) (SELECT 0, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, 0, 0,0, NULL, 0, 0, 0, '', 0, '', ISNULL(isento, 0), motivo, ISNULL(retencao, 0), ISNULL(sujeitopassivo, 0), 0, 0, 0 FROM @origem.dbo.Clientes)");
const QString kEmpregados =
    QStringLiteral("INSERT INTO @destino.dbo.empregados (id, codigo, nome, password, foto, bloqueado, datacriacao, obs, gestaocaixa, frontoffice, identificacao, telefone, email, cashe, comissao, demissao, cor) (SELECT 0, codigo, nome, password, foto, bloqueado, datacriacao, obs, gestaocaixa, 0, '', '', '', 0, 0, 0, 16577500 FROM @origem.dbo.Empregados)");
const QString kSubfamiliasWithFundo =
    QStringLiteral("INSERT INTO @destino.dbo.subfamilias (id, codigo, descricao, familia, fundo, letra, posicao) (SELECT 0, codigo, descricao, familia, fundo, letra, posicao FROM @origem.dbo.Subfamilias)");
const QString kSubfamiliasWithoutFundo =
    QStringLiteral("INSERT INTO @destino.dbo.subfamilias (id, codigo, descricao, familia, fundo, letra, posicao) (SELECT 0, codigo, descricao, familia, 12632256, 16776960, 0 FROM @origem.dbo.Subfamilias)");
const QString kFamiliasWithFrontOffice =
    QStringLiteral("INSERT INTO @destino.dbo.familias (id, codigo, descricao, frontoffice, posicaofront, posicaoprint, fundo, letra, tipo) (SELECT 0, codigo, descricao, 1, 0, 0, 15780518, 16777215, 0 FROM @origem.dbo.Familias)");
const QString kFamiliasWithoutFrontOffice =
    QStringLiteral("INSERT INTO @destino.dbo.familias (id, codigo, descricao, frontoffice, posicaofront, posicaoprint, fundo, letra, tipo) (SELECT 0, codigo, descricao, visivel, posicao, 0, fundo, letra, 0 FROM @origem.dbo.Familias)");
const QString kDeleteFamZonas =
    QStringLiteral("DELETE FROM @destino.dbo.famzonas");
const QString kFamZonas =
    QStringLiteral("INSERT INTO @destino.dbo.famzonas (familia, zona) (SELECT codigo, 0 FROM @destino.dbo.familias)");
const QString kIva =
    QStringLiteral("INSERT INTO @destino.dbo.iva (id, codigo, descricao, factor) (SELECT 0, codigo, descricao, factor FROM @origem.dbo.Iva)");
const QString kFornecedores =
    QStringLiteral("INSERT INTO @destino.dbo.fornecedores (id, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, datacriacao, contribuinte, ivaincluido) (SELECT 0, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, datacriacao, CONVERT(VARCHAR(15), contribuinte), ivaincluido FROM @origem.dbo.Fornecedores)");
const QString kUnidades =
    QStringLiteral("INSERT INTO @destino.dbo.unidades (id, codigo, descricao) (SELECT 0, codigo, descricao FROM @origem.dbo.Unidades)");
const QString kCodigosBarras =
    QStringLiteral("INSERT INTO @destino.dbo.codigosbarras (codigo, codbarras) (SELECT codigo, codbarras FROM @origem.dbo.codigosbarras)");
const QString kProdutosWithReferencia =
    QStringLiteral("INSERT INTO @destino.dbo.produtos (id, codigo, descricao, familia, subfam, unidade, iva, fornecedor, foto, precocompra, precovenda, dataultcompra, ultprecocompra, datacriacao, obs, retalho, composto, ultprecovenda, topo, cozinha, grupo, referencia, ivacompra, balanca, prodstock, qtdstock, compra, stocks, meiadose, precomeia, qtdmeia, ordemtop, ordem, ordemlocal, listseparado, codbarras, armazem, tempoprep, maxopcoes, iva2, tara, prepagamento, fundo, letra, descricaocurta, promocao, percentprom, margembruta, codigopp, revenda, precorevenda, ivarevenda, autoquebra, pvp2, pvp3, pvp4, pvp5, pvpmeia2, pvpmeia3, pvpmeia4, pvpmeia5, consumominimo, precominimo, excluirdescontos, vendersemstock, dosedesc, meiadosedesc, categoria, subcategoria, pvp6, pvp7, pvp8, pvp9, pvp10, pvpmeia6, pvpmeia7, pvpmeia8, pvpmeia9, pvpmeia10, isencao, restricted, retencao, percentagemretencao) (SELECT 0, codigo, descricao, ISNULL(familia, 0), ISNULL(subfamilia, 0), ISNULL(unidade, 0), iva, fornecedor, foto, ISNULL(precocompra, 0), precovenda, dataultcompra, ultprecocompra, datacriacao, obs, ISNULL(retalho, 0), composto, ultprecovenda, [top], 0, 0, referencia, ivacompra, balanca, codigo, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, codbarras, 0, 0, 0, iva, 0, 0, 12632256, 536870911, '', promocao, 0, 0, 0, 0, 0, iva, 0, precovenda2, precovenda3, 0, 0, 0, 0, 0, 0, 0, 0, excluirdescontos, 1, '', '', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, isencao, 0, ISNULL(retencao, 0), percentagemretencao FROM @origem.dbo.Produtos)");
const QString kProdutosWithoutReferencia =
    QStringLiteral("INSERT INTO @destino.dbo.produtos (id, codigo, descricao, familia, subfam, unidade, iva, fornecedor, foto, precocompra, precovenda, dataultcompra, ultprecocompra, datacriacao, obs, retalho, composto, ultprecovenda, topo, cozinha, grupo, referencia, ivacompra, balanca, prodstock, qtdstock, compra, stocks, meiadose, precomeia, qtdmeia, ordemtop, ordem, ordemlocal, listseparado, codbarras, armazem, tempoprep, maxopcoes, iva2, tara, prepagamento, fundo, letra, descricaocurta, promocao, percentprom, margembruta, codigopp, revenda, precorevenda, ivarevenda, autoquebra, pvp2, pvp3, pvp4, pvp5, pvpmeia2, pvpmeia3, pvpmeia4, pvpmeia5, consumominimo, precominimo, excluirdescontos, vendersemstock, dosedesc, meiadosedesc, categoria, subcategoria, pvp6, pvp7, pvp8, pvp9, pvp10, pvpmeia6, pvpmeia7, pvpmeia8, pvpmeia9, pvpmeia10, isencao, restricted, retencao, percentagemretencao) (SELECT 0, codigo, descricao, ISNULL(familia, 0), ISNULL(subfamilia, 0), ISNULL(unidade, 0), iva, fornecedor, foto, ISNULL(precocompra, 0), precovenda, dataultcompra, ultprecocompra, datacriacao, obs, ISNULL(retalho, 0), composto, ultprecovenda, [top], 0, 0, '', ivacompra, balanca, codigo, 1, 0, 0, 0, 0, 0, 0, posicao, 0, 0, codbarras, 0, 0, 0, iva, 0, 0, fundo, letra, labelcurta, 0, 0, 0, 0, 0, 0, iva, 0, precovenda2, precovenda3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, '', '', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ISNULL(isencao, 0), 0, ISNULL(retencao, 0), percentagemretencao FROM @origem.dbo.Produtos)");

std::vector<TableStep> buildTableSteps()
{
    std::vector<TableStep> steps;
    steps.push_back({1, {QStringLiteral("DELETE FROM @destino.dbo.clientes")}, QStringLiteral(".dbo.Clientes"), QStringLiteral(" clientes..."),
                     QStringLiteral("ivacaixa"), {kClientesWithIvaCaixa}, {kClientesWithoutIvaCaixa}, {},
                     QStringLiteral("Clientes convertidos!"), {QStringLiteral("clientes")}});
    steps.push_back({2, {QStringLiteral("DELETE FROM @destino.dbo.empregados")}, QStringLiteral(".dbo.Empregados"), QStringLiteral(" empregados..."),
                     {}, {kEmpregados}, {}, {}, QStringLiteral("Empregados convertidos!"), {QStringLiteral("empregados")}});
    steps.push_back({3, {QStringLiteral("DELETE FROM @destino.dbo.subfamilias")}, QStringLiteral(".dbo.Subfamilias"), QStringLiteral(" sub-famílias..."),
                     QStringLiteral("fundo"), {kSubfamiliasWithFundo}, {kSubfamiliasWithoutFundo}, {},
                     QStringLiteral("Sub-famílias convertidas!"), {QStringLiteral("subfamilias")}});
    steps.push_back({4, {QStringLiteral("DELETE FROM @destino.dbo.familias")}, QStringLiteral(".dbo.Familias"), QStringLiteral(" famílias..."),
                     QStringLiteral("frontoffice"), {kFamiliasWithFrontOffice}, {kFamiliasWithoutFrontOffice},
                     {kDeleteFamZonas, kFamZonas}, QStringLiteral("Famílias convertidas!"), {QStringLiteral("familias"), QStringLiteral("famzonas")}});
    steps.push_back({5, {QStringLiteral("DELETE FROM @destino.dbo.iva")}, QStringLiteral(".dbo.Iva"), QStringLiteral(" taxas de iva..."),
                     {}, {kIva}, {}, {}, QStringLiteral("Taxas de iva convertidas!"), {QStringLiteral("iva")}});
    steps.push_back({6, {QStringLiteral("DELETE FROM @destino.dbo.produtos"), QStringLiteral("DELETE FROM @destino.dbo.codigosbarras")}, QStringLiteral(".dbo.Produtos"), QStringLiteral(" produtos..."),
                     QStringLiteral("referencia"), {kProdutosWithReferencia, kCodigosBarras},
                     {kProdutosWithoutReferencia}, {}, QStringLiteral("Produtos convertidos!"), {QStringLiteral("produtos"), QStringLiteral("codigosbarras")}});
    steps.push_back({7, {QStringLiteral("DELETE FROM @destino.dbo.fornecedores")}, QStringLiteral(".dbo.Fornecedores"), QStringLiteral(" fornecedores..."),
                     {}, {kFornecedores}, {}, {}, QStringLiteral("Fornecedores convertidos!"), {QStringLiteral("fornecedores")}});
    steps.push_back({8, {QStringLiteral("DELETE FROM @destino.dbo.unidades")}, QStringLiteral(".dbo.Unidades"), QStringLiteral(" unidades..."),
                     {}, {kUnidades}, {}, {}, QStringLiteral("Unidades convertidas!"), {QStringLiteral("unidades")}});
    return steps;
}

}  // namespace

const std::vector<TableStep>& tableSteps()
{
    static const std::vector<TableStep> steps = buildTableSteps();
    return steps;
}

}  // namespace core
