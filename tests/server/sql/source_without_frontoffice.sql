-- An older source: families carry visibility, position and colours instead of
-- the front-office flag.
ALTER TABLE dbo.Familias DROP COLUMN frontoffice;
GO
-- One column per ALTER TABLE: the test engine takes no more.
ALTER TABLE dbo.Familias ADD visivel bit NULL;
ALTER TABLE dbo.Familias ADD posicao int NULL;
ALTER TABLE dbo.Familias ADD fundo int NULL;
ALTER TABLE dbo.Familias ADD letra int NULL;
GO
UPDATE dbo.Familias SET visivel = 1, posicao = 4, fundo = 8388608, letra = 0 WHERE codigo = 1;
UPDATE dbo.Familias SET visivel = 0, posicao = 9, fundo = 32768, letra = 65535 WHERE codigo = 2;
