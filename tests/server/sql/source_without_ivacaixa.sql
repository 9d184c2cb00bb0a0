-- A source from before the cash-basis VAT scheme: Clientes has none of its columns.
ALTER TABLE dbo.Clientes DROP COLUMN ivacaixa, ivacaixainicio, ivacaixafim;
