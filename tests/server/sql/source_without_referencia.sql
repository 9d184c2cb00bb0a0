-- An older source: products have no reference, promotion or discount flags,
-- but a position, colours and a short label.
-- One column per ALTER TABLE: the test engine takes no more.
ALTER TABLE dbo.Produtos DROP COLUMN referencia;
ALTER TABLE dbo.Produtos DROP COLUMN promocao;
ALTER TABLE dbo.Produtos DROP COLUMN excluirdescontos;
GO
ALTER TABLE dbo.Produtos ADD posicao int NULL;
ALTER TABLE dbo.Produtos ADD fundo int NULL;
ALTER TABLE dbo.Produtos ADD letra int NULL;
ALTER TABLE dbo.Produtos ADD labelcurta nvarchar(20) NULL;
GO
UPDATE dbo.Produtos SET posicao = 7, fundo = 255, letra = 65280, labelcurta = N'Café' WHERE codigo = 101;
UPDATE dbo.Produtos SET posicao = 2, fundo = 16711680, letra = 0, labelcurta = N'Água' WHERE codigo = 102;
UPDATE dbo.Produtos SET posicao = 1, fundo = 4227072, letra = 16777215, labelcurta = N'Nata' WHERE codigo = 104;
