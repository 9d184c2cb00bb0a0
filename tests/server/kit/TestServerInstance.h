#pragma once

#include <QString>

namespace server {

// A test server of a test's own, started from the scripts in
// ../shared/test-sql-server, that the test may stop and start again without
// disturbing any other test. Instance n lives in
// $KOVARA_OWN_TSQL_ROOT-n (default /var/tmp/kovara-tsql-own-n) on TDS port
// $KOVARA_OWN_TSQL_PORT + n (default 1460 + n) and PostgreSQL port
// $KOVARA_OWN_TSQL_PG_PORT + n (default 54360 + n). The first start creates
// it (a few seconds); later ones find its data. It is stopped when the guard
// goes, and its scratch databases are the test's to drop.
//
// With tls, it also offers TLS, on a certificate of its own that names
// 127.0.0.1 and localhost (see certificate()); a client that does not ask
// for encryption stays in clear. Give such an instance a number of its own:
// once turned on for a root, TLS stays.
class TestServerInstance {
public:
    explicit TestServerInstance(int number, bool tls = false);
    ~TestServerInstance();

    TestServerInstance(const TestServerInstance&) = delete;
    TestServerInstance& operator=(const TestServerInstance&) = delete;

    // Empty when the scripts are there; otherwise why the tests cannot run.
    static QString unavailableReason();

    // Starts it and waits until it answers; throws with the script's output on failure.
    void start();
    // A fast shutdown: sessions are ended, open transactions rolled back.
    void stop();

    int port() const { return m_port; }
    // The login's ODBC connection string, known once started.
    const QString& odbc() const { return m_odbc; }
    // With TLS, once started: the server's certificate, which a client may
    // take as its only authority to check it.
    QString certificate() const;

private:
    QString runScript(const QString& path) const;

    bool m_tls;
    QString m_root;
    int m_port;
    int m_pgPort;
    QString m_odbc;
};

}  // namespace server
