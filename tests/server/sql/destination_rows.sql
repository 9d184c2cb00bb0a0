-- What the destination held before the run: one row per table, code 9001, that
-- a converted table must no longer have and a table whose step failed or never
-- ran must still have; and earlier documents. The highest "IN" document
-- numbered 0 to 99999 is 41; the "IN" 120000 and the "FT" 900 do not count.

INSERT INTO dbo.clientes (id, codigo, nome, limitecredito, desconto, saldo, mododesconto, impressao, nomecontacto, bloqueado, rfid, isento, retencao, sujeitopassivo, ivacaixa) VALUES
    (0, 9001, N'Cliente antigo', 0, 0, 0, 0, 0, N'', 0, N'', 0, 0, 0, 0);

INSERT INTO dbo.empregados (id, codigo, nome, bloqueado, gestaocaixa, frontoffice, identificacao, telefone, email, cashe, comissao, demissao, cor) VALUES
    (0, 9001, N'Empregado antigo', 0, 0, 0, N'', N'', N'', 0, 0, 0, 0);

INSERT INTO dbo.subfamilias (id, codigo, descricao, familia) VALUES
    (0, 9001, N'Subfamília antiga', 9001);

INSERT INTO dbo.familias (id, codigo, descricao, frontoffice, posicaofront, posicaoprint, fundo, letra, tipo) VALUES
    (0, 9001, N'Família antiga', 1, 0, 0, 0, 0, 0);

INSERT INTO dbo.famzonas (familia, zona) VALUES
    (9001, 3);

INSERT INTO dbo.iva (id, codigo, descricao, factor) VALUES
    (0, 9001, N'Taxa antiga', 13);

INSERT INTO dbo.produtos (id, codigo, descricao, familia, subfam, unidade, precocompra, retalho, composto, topo, cozinha, grupo, balanca, prodstock, qtdstock, compra, stocks, meiadose, precomeia, qtdmeia, ordemtop, ordemlocal, listseparado, armazem, tempoprep, maxopcoes, tara, prepagamento, percentprom, margembruta, codigopp, revenda, precorevenda, autoquebra, pvp4, pvp5, pvpmeia2, pvpmeia3, pvpmeia4, pvpmeia5, consumominimo, precominimo, vendersemstock, dosedesc, meiadosedesc, categoria, subcategoria, pvp6, pvp7, pvp8, pvp9, pvp10, pvpmeia6, pvpmeia7, pvpmeia8, pvpmeia9, pvpmeia10, restricted, retencao) VALUES
    (0, 9001, N'Produto antigo', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9001, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, N'', N'', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

INSERT INTO dbo.codigosbarras (codigo, codbarras) VALUES
    (9001, N'9999999999999');

INSERT INTO dbo.fornecedores (id, codigo, nome, ivaincluido) VALUES
    (0, 9001, N'Fornecedor antigo', 0);

INSERT INTO dbo.unidades (id, codigo, descricao) VALUES
    (0, 9001, N'Caixa');

INSERT INTO dbo.documentos (numero, doc, data, datahora, cliente, nome, anulado, descricao, id, idcx, emp, tipo) VALUES
    (7, N'IN', '2025-01-10T00:00:00', '2025-01-10T11:00:00', 0, N'Acerto directo de stock', 0, N'', 0, 0, 1, 1),
    (41, N'IN', '2025-06-01T00:00:00', '2025-06-01T17:30:00', 0, N'Acerto directo de stock', 0, N'', 0, 0, 1, 1),
    (120000, N'IN', '2025-07-01T00:00:00', '2025-07-01T08:00:00', 0, N'Importado', 0, N'', 0, 0, 1, 1),
    (900, N'FT', '2025-08-01T00:00:00', '2025-08-01T12:00:00', 15, N'Consumidor final', 0, N'', 0, 0, 1, 2);

INSERT INTO dbo.vendas (numero, doc, codigo, data, datahora, descricao, qtd, armazem, empid) VALUES
    (41, N'IN', 9001, '2025-06-01T00:00:00', '2025-06-01T17:30:00', N'Produto antigo', 3, 0, 1);
