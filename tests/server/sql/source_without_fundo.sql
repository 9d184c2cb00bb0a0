-- A source whose sub-families have no colours or positions of their own.
ALTER TABLE dbo.Subfamilias DROP COLUMN fundo, letra, posicao;
