#pragma once

// What the destination holds after converting the fixture source
// (source_rows.sql), table by table, as ServerHarness::tableRows reads it.

#include "FixtureSchema.h"

#include <QDateTime>
#include <QStringList>

namespace expected {

// Each converted table, in key order, for a source with or without the
// step's probe column.
QStringList clientes(const server::TableDef& table, bool ivacaixa);
QStringList empregados(const server::TableDef& table);
QStringList subfamilias(const server::TableDef& table, bool fundo);
QStringList familias(const server::TableDef& table, bool frontoffice);
QStringList famzonas();
QStringList iva(const server::TableDef& table);
QStringList produtos(const server::TableDef& table, bool referencia);
QStringList codigosbarras(bool referencia);
QStringList fornecedores(const server::TableDef& table);
QStringList unidades(const server::TableDef& table);

// The stocked products that have a product: "codigo|qtd|descricao", by code.
QStringList stockLines();

// What a run logs once connected to a server at dataSource, unencrypted, as
// its server says; by default the test server of KOVARA_TEST_ODBC.
QString encryptionLine(const QString& dataSource = QString(), const QString& encrypted = QStringLiteral("não"));

// The events of a whole run with stocks of the fixture source: log lines with
// a progress step after each step; connected, the lines logged once the
// servers are reached.
QStringList wholeRunEvents(bool stockLine = true, const QStringList& connected = {encryptionLine()});
// Those events up to and including the count line of step n (1-based).
QStringList eventsUpToCountOfStep(int step);
// The line that says a failed step's transaction may not have been undone.
QString notUndone(const QString& tables);

}  // namespace expected
