-- Rows of the source. Every column holds a value no other column of the row
-- holds, so a column mapped to the wrong place shows. Cliente 1's address
-- has an apostrophe and its date milliseconds, which a copy must keep.
-- Cliente 2, Cliente 15 and Produto 102 have NULL in every column the
-- conversion reads through ISNULL. Existencias 999 has no product;
-- Existencias 103 is NULL and Produto 103 has no description.

INSERT INTO dbo.Clientes (codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, datacriacao, valormov, valordivida, contribuinte, isento, motivo, retencao, sujeitopassivo, ivacaixa, ivacaixainicio, ivacaixafim) VALUES
    (1, N'Maria Antónia Leal', N'Rua d''Alegria, 12', N'4050', N'262', N'Porto', N'220000001', N'220000002', N'910000003', N'maria@exemplo.pt', N'www.exemplo.pt', N'Cliente desde 1999', '2019-05-17T09:30:00.250', 1250.5, 75.25, N'501234567', 1, N'M07', 1, 1, 1, '2020-01-01T00:00:00', '2020-12-31T00:00:00'),
    (2, N'João Gonçalves', N'Av. da Liberdade 200', N'1250', N'096', N'Lisboa', N'210000004', N'210000005', N'930000006', N'joao@exemplo.pt', N'joao.exemplo.pt', NULL, '2021-11-03T16:05:00', 0, 12.3456, N'198765432', NULL, NULL, NULL, NULL, NULL, NULL, NULL),
    (15, N'Consumidor final', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, N'999999990', 0, NULL, 0, 0, 0, NULL, NULL);

INSERT INTO dbo.Empregados (codigo, nome, [password], foto, bloqueado, datacriacao, obs, gestaocaixa) VALUES
    (1, N'Ana Sofia Mendes', N'4321', 0x89504E470D0A1A0A, 0, '2017-01-02T08:00:00', N'Gerente de loja', 1),
    (2, N'Rui Patrício', N'1234', NULL, 1, '2021-06-30T18:45:00', NULL, 0);

INSERT INTO dbo.Subfamilias (codigo, descricao, familia, fundo, letra, posicao) VALUES
    (11, N'Cafés', 1, 8421504, 255, 2),
    (12, N'Águas', 2, NULL, NULL, NULL);

INSERT INTO dbo.Familias (codigo, descricao, frontoffice) VALUES
    (1, N'Bebidas quentes', 0),
    (2, N'Bebidas frias', 1);

INSERT INTO dbo.Iva (codigo, descricao, factor) VALUES
    (1, N'Isento', 0),
    (2, N'Taxa reduzida', 6),
    (3, N'Taxa normal', 23);

INSERT INTO dbo.Produtos (codigo, descricao, familia, subfamilia, unidade, iva, fornecedor, foto, precocompra, precovenda, dataultcompra, ultprecocompra, datacriacao, obs, retalho, composto, ultprecovenda, [top], ivacompra, balanca, codbarras, precovenda2, precovenda3, isencao, retencao, percentagemretencao, referencia, promocao, excluirdescontos) VALUES
    (101, N'Café expresso', 1, 11, 1, 3, 301, 0xFFD8FFE0, 0.35, 0.70, '2024-02-10T08:15:00', 0.34, '2018-03-01T12:00:00', N'Bebida quente', 1, 0, 0.65, 1, 2, 0, N'5601234000017', 0.80, 0.90, 4, 1, 11.5, N'CAF-001', 1, 1),
    (102, N'Água 50cl', NULL, NULL, NULL, 2, 302, NULL, NULL, 1.00, NULL, NULL, '2019-07-15T10:00:00', NULL, NULL, 0, NULL, 0, 2, 0, N'5601234000031', 1.10, 1.20, NULL, NULL, NULL, N'AGU-050', 0, 0),
    (103, NULL, 2, 12, 2, 1, 301, NULL, 2.5, 4.75, '2023-12-01T00:00:00', 2.4, '2020-01-20T09:00:00', N'Sem descrição', 0, 1, 4.5, 0, 1, 1, NULL, 5, 5.5, 9, 0, 0, NULL, NULL, NULL),
    (104, N'Pastel de nata', 1, 11, 1, 2, 302, NULL, 0.40, 1.10, NULL, 0.41, '2022-05-05T05:05:05', NULL, 1, 0, 1.05, 1, 3, 0, N'5601234000048', 1.20, 1.30, 0, 0, 0, N'PAS-NATA', 0, 1);

INSERT INTO dbo.codigosbarras (codbarras, codigo) VALUES
    (N'5601234000017', 101),
    (N'5601234000024', 101),
    (N'5601234000031', 102);

INSERT INTO dbo.Fornecedores (codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, datacriacao, contribuinte, ivaincluido) VALUES
    (301, N'Distribuidora Norte, Lda', N'Zona Industrial, Lote 4', N'4470', N'605', N'Maia', N'229000001', N'229000002', N'969000003', N'geral@dnorte.pt', N'www.dnorte.pt', '2015-09-09T09:09:09', 503456789, 1),
    (302, N'Águas do Luso', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 0);

INSERT INTO dbo.Unidades (codigo, descricao) VALUES
    (1, N'Unidade'),
    (2, N'Quilograma');

INSERT INTO dbo.Existencias (codigo, existencia) VALUES
    (101, 12.5),
    (102, 0),
    (103, NULL),
    (104, -1.2345),
    (999, 7.25);
