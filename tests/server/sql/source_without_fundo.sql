-- A source whose sub-families have no colours or positions of their own.
-- One column per ALTER TABLE: the test engine takes no more.
ALTER TABLE dbo.Subfamilias DROP COLUMN fundo;
ALTER TABLE dbo.Subfamilias DROP COLUMN letra;
ALTER TABLE dbo.Subfamilias DROP COLUMN posicao;
