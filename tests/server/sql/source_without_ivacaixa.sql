-- A source from before the cash-basis VAT scheme: Clientes has none of its columns.
-- One column per ALTER TABLE: the test engine takes no more.
ALTER TABLE dbo.Clientes DROP COLUMN ivacaixa;
ALTER TABLE dbo.Clientes DROP COLUMN ivacaixainicio;
ALTER TABLE dbo.Clientes DROP COLUMN ivacaixafim;
