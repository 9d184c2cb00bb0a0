#pragma once

// The statements a run must send, written out in full with the source
// database "pos" and the destination database "loja" already in place.

#include <QString>

namespace expected {

inline const QString kClientesWithIvaCaixa =
    QStringLiteral("INSERT INTO [loja].dbo.clientes (id, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, limitecredito, desconto, saldo, foto, mododesconto, impressao, datanascimento, nomecontacto, bloqueado, rfid, isento, motivo, retencao, sujeitopassivo, ivacaixa, ivacaixainicio, ivacaixafim) (SELECT 0, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, 0, 0,0, NULL, 0, 0, 0, '', 0, '', ISNULL(isento, 0), motivo, ISNULL(retencao, 0), ISNULL(sujeitopassivo, 0), ISNULL(ivacaixa, 0), ivacaixainicio, ivacaixafim FROM [pos].dbo.Clientes)");
inline const QString kClientesWithoutIvaCaixa =
    QStringLiteral("INSERT INTO [loja].dbo.clientes (id, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, limitecredito, desconto, saldo, foto, mododesconto, impressao, datanascimento, nomecontacto, bloqueado, rfid, isento, motivo, retencao, sujeitopassivo, ivacaixa, ivacaixainicio, ivacaixafim) (SELECT 0, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, 0, 0,0, NULL, 0, 0, 0, '', 0, '', ISNULL(isento, 0), motivo, ISNULL(retencao, 0), ISNULL(sujeitopassivo, 0), 0, 0, 0 FROM [pos].dbo.Clientes)");
inline const QString kEmpregados =
    QStringLiteral("INSERT INTO [loja].dbo.empregados (id, codigo, nome, password, foto, bloqueado, datacriacao, obs, gestaocaixa, frontoffice, identificacao, telefone, email, cashe, comissao, demissao, cor) (SELECT 0, codigo, nome, password, foto, bloqueado, datacriacao, obs, gestaocaixa, 0, '', '', '', 0, 0, 0, 16577500 FROM [pos].dbo.Empregados)");
inline const QString kSubfamiliasWithFundo =
    QStringLiteral("INSERT INTO [loja].dbo.subfamilias (id, codigo, descricao, familia, fundo, letra, posicao) (SELECT 0, codigo, descricao, familia, fundo, letra, posicao FROM [pos].dbo.Subfamilias)");
inline const QString kSubfamiliasWithoutFundo =
    QStringLiteral("INSERT INTO [loja].dbo.subfamilias (id, codigo, descricao, familia, fundo, letra, posicao) (SELECT 0, codigo, descricao, familia, 12632256, 16776960, 0 FROM [pos].dbo.Subfamilias)");
inline const QString kFamiliasWithFrontOffice =
    QStringLiteral("INSERT INTO [loja].dbo.familias (id, codigo, descricao, frontoffice, posicaofront, posicaoprint, fundo, letra, tipo) (SELECT 0, codigo, descricao, 1, 0, 0, 15780518, 16777215, 0 FROM [pos].dbo.Familias)");
inline const QString kFamiliasWithoutFrontOffice =
    QStringLiteral("INSERT INTO [loja].dbo.familias (id, codigo, descricao, frontoffice, posicaofront, posicaoprint, fundo, letra, tipo) (SELECT 0, codigo, descricao, visivel, posicao, 0, fundo, letra, 0 FROM [pos].dbo.Familias)");
inline const QString kFamZonas =
    QStringLiteral("INSERT INTO [loja].dbo.famzonas (familia, zona) (SELECT codigo, 0 FROM [loja].dbo.familias)");
inline const QString kIva =
    QStringLiteral("INSERT INTO [loja].dbo.iva (id, codigo, descricao, factor) (SELECT 0, codigo, descricao, factor FROM [pos].dbo.Iva)");
inline const QString kFornecedores =
    QStringLiteral("INSERT INTO [loja].dbo.fornecedores (id, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, datacriacao, contribuinte, ivaincluido) (SELECT 0, codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, datacriacao, CONVERT(VARCHAR(15), contribuinte), ivaincluido FROM [pos].dbo.Fornecedores)");
inline const QString kUnidades =
    QStringLiteral("INSERT INTO [loja].dbo.unidades (id, codigo, descricao) (SELECT 0, codigo, descricao FROM [pos].dbo.Unidades)");
inline const QString kCodigosBarras =
    QStringLiteral("INSERT INTO [loja].dbo.codigosbarras (codigo, codbarras) (SELECT codigo, codbarras FROM [pos].dbo.codigosbarras)");
inline const QString kProdutosWithReferencia =
    QStringLiteral("INSERT INTO [loja].dbo.produtos (id, codigo, descricao, familia, subfam, unidade, iva, fornecedor, foto, precocompra, precovenda, dataultcompra, ultprecocompra, datacriacao, obs, retalho, composto, ultprecovenda, topo, cozinha, grupo, referencia, ivacompra, balanca, prodstock, qtdstock, compra, stocks, meiadose, precomeia, qtdmeia, ordemtop, ordem, ordemlocal, listseparado, codbarras, armazem, tempoprep, maxopcoes, iva2, tara, prepagamento, fundo, letra, descricaocurta, promocao, percentprom, margembruta, codigopp, revenda, precorevenda, ivarevenda, autoquebra, pvp2, pvp3, pvp4, pvp5, pvpmeia2, pvpmeia3, pvpmeia4, pvpmeia5, consumominimo, precominimo, excluirdescontos, vendersemstock, dosedesc, meiadosedesc, categoria, subcategoria, pvp6, pvp7, pvp8, pvp9, pvp10, pvpmeia6, pvpmeia7, pvpmeia8, pvpmeia9, pvpmeia10, isencao, restricted, retencao, percentagemretencao) (SELECT 0, codigo, descricao, ISNULL(familia, 0), ISNULL(subfamilia, 0), ISNULL(unidade, 0), iva, fornecedor, foto, ISNULL(precocompra, 0), precovenda, dataultcompra, ultprecocompra, datacriacao, obs, ISNULL(retalho, 0), composto, ultprecovenda, [top], 0, 0, referencia, ivacompra, balanca, codigo, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, codbarras, 0, 0, 0, iva, 0, 0, 12632256, 536870911, '', promocao, 0, 0, 0, 0, 0, iva, 0, precovenda2, precovenda3, 0, 0, 0, 0, 0, 0, 0, 0, excluirdescontos, 1, '', '', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, isencao, 0, ISNULL(retencao, 0), percentagemretencao FROM [pos].dbo.Produtos)");
inline const QString kProdutosWithoutReferencia =
    QStringLiteral("INSERT INTO [loja].dbo.produtos (id, codigo, descricao, familia, subfam, unidade, iva, fornecedor, foto, precocompra, precovenda, dataultcompra, ultprecocompra, datacriacao, obs, retalho, composto, ultprecovenda, topo, cozinha, grupo, referencia, ivacompra, balanca, prodstock, qtdstock, compra, stocks, meiadose, precomeia, qtdmeia, ordemtop, ordem, ordemlocal, listseparado, codbarras, armazem, tempoprep, maxopcoes, iva2, tara, prepagamento, fundo, letra, descricaocurta, promocao, percentprom, margembruta, codigopp, revenda, precorevenda, ivarevenda, autoquebra, pvp2, pvp3, pvp4, pvp5, pvpmeia2, pvpmeia3, pvpmeia4, pvpmeia5, consumominimo, precominimo, excluirdescontos, vendersemstock, dosedesc, meiadosedesc, categoria, subcategoria, pvp6, pvp7, pvp8, pvp9, pvp10, pvpmeia6, pvpmeia7, pvpmeia8, pvpmeia9, pvpmeia10, isencao, restricted, retencao, percentagemretencao) (SELECT 0, codigo, descricao, ISNULL(familia, 0), ISNULL(subfamilia, 0), ISNULL(unidade, 0), iva, fornecedor, foto, ISNULL(precocompra, 0), precovenda, dataultcompra, ultprecocompra, datacriacao, obs, ISNULL(retalho, 0), composto, ultprecovenda, [top], 0, 0, '', ivacompra, balanca, codigo, 1, 0, 0, 0, 0, 0, 0, posicao, 0, 0, codbarras, 0, 0, 0, iva, 0, 0, fundo, letra, labelcurta, 0, 0, 0, 0, 0, 0, iva, 0, precovenda2, precovenda3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, '', '', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ISNULL(isencao, 0), 0, ISNULL(retencao, 0), percentagemretencao FROM [pos].dbo.Produtos)");
inline const QString kStockRows =
    QStringLiteral("SELECT e.codigo, e.existencia, p.descricao FROM [pos].dbo.Existencias e INNER JOIN [pos].dbo.Produtos p ON e.codigo = p.codigo");
inline const QString kLastDocument =
    QStringLiteral("SELECT TOP 1 numero AS num FROM [loja].dbo.documentos WITH (UPDLOCK, HOLDLOCK) WHERE doc = 'IN' AND numero >= 0 AND numero <= 99999 ORDER BY numero DESC");
inline const QString kLine =
    QStringLiteral("INSERT INTO [loja].dbo.vendas (numero, doc, codigo, data, datahora, descricao, qtd, armazem, empid) VALUES (:numero, 'IN', :codigo, :data, :datahora, :descricao, :qtd, 0, 1)");
inline const QString kHeader =
    QStringLiteral("INSERT INTO [loja].dbo.documentos (numero, doc, data, datahora, cliente, nome, anulado, descricao, id, idcx, emp, tipo) VALUES (:numero, 'IN', :data,  :datahora, 0, 'Acerto directo de stock', 0, '', 0, 0, 1, 1)");

}  // namespace expected
