-- An older source: products have no reference, promotion or discount flags,
-- but a position, colours and a short label.
ALTER TABLE dbo.Produtos DROP COLUMN referencia, promocao, excluirdescontos;
GO
ALTER TABLE dbo.Produtos ADD
    posicao int NULL,
    fundo int NULL,
    letra int NULL,
    labelcurta nvarchar(20) NULL;
GO
UPDATE dbo.Produtos SET posicao = 7, fundo = 255, letra = 65280, labelcurta = N'Café' WHERE codigo = 101;
UPDATE dbo.Produtos SET posicao = 2, fundo = 16711680, letra = 0, labelcurta = N'Água' WHERE codigo = 102;
UPDATE dbo.Produtos SET posicao = 1, fundo = 4227072, letra = 16777215, labelcurta = N'Nata' WHERE codigo = 104;
