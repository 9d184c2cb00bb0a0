// Logins through FreeTDS, the driver this tool uses on Linux, without a
// server: a closed port, and a listener on loopback that reads the login
// packet to see what reached the wire.

#include "db/DbError.h"
#include "db/OdbcConnection.h"
#include "db/OdbcSession.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

bool freeTdsInstalled()
{
    db::odbc::Handle env = db::odbc::makeEnvironment();
    const QStringList drivers = db::odbc::installedDrivers(env.get());
    const bool preferred = std::any_of(drivers.begin(), drivers.end(),
                                       [](const QString& d) { return d.startsWith("ODBC Driver 1"); });
    return drivers.contains("FreeTDS", Qt::CaseInsensitive) && !preferred;
}

QString loginString(const QString& dataSource, const QString& user, const QString& password)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=master;Data Source=%3")
        .arg(password, user, dataSource);
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// What the fake server read from the client's LOGIN7 packet.
struct Login {
    QString user;
    QString password;
    QString database;
};

// Answers the client's pre-login with "no encryption", then reads its login
// packet and hangs up. Gives up after a few seconds of silence.
class FakeTdsServer {
public:
    FakeTdsServer() : m_listener(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (::bind(m_listener.get(), reinterpret_cast<sockaddr*>(&addr), length) != 0
            || ::listen(m_listener.get(), 1) != 0
            || ::getsockname(m_listener.get(), reinterpret_cast<sockaddr*>(&addr), &length) != 0)
            return;
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeTdsServer()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    int port() const { return m_port; }
    // Valid after the client has given up.
    const Login& login() { if (m_thread.joinable()) m_thread.join(); return m_login; }

private:
    static bool waitReadable(int fd)
    {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 5000) == 1;
    }

    static bool readExactly(int fd, char* out, std::size_t n)
    {
        while (n > 0) {
            if (!waitReadable(fd))
                return false;
            const ssize_t got = ::recv(fd, out, n, 0);
            if (got <= 0)
                return false;
            out += got;
            n -= std::size_t(got);
        }
        return true;
    }

    // One whole message: packets up to the one flagged end-of-message.
    static QByteArray readMessage(int fd, int* type)
    {
        QByteArray message;
        for (;;) {
            unsigned char header[8];
            if (!readExactly(fd, reinterpret_cast<char*>(header), sizeof header))
                return {};
            *type = header[0];
            const std::size_t length = (std::size_t(header[2]) << 8) | header[3];
            if (length < 8)
                return {};
            QByteArray body(qsizetype(length - 8), '\0');
            if (!readExactly(fd, body.data(), body.size()))
                return {};
            message += body;
            if (header[1] & 0x01)
                return message;
        }
    }

    static QString utf16At(const QByteArray& login, int offsetField, bool scrambled)
    {
        const auto u16 = [&](int at) {
            return int(static_cast<unsigned char>(login[at])) | (int(static_cast<unsigned char>(login[at + 1])) << 8);
        };
        const int offset = u16(offsetField);
        const int chars = u16(offsetField + 2);
        QByteArray bytes = login.mid(offset, chars * 2);
        if (scrambled) {
            for (char& c : bytes) {
                const unsigned char b = static_cast<unsigned char>(c) ^ 0xA5;
                c = char(((b & 0x0F) << 4) | (b >> 4));
            }
        }
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), chars);
    }

    void serve()
    {
        if (!waitReadable(m_listener.get()))
            return;
        Fd client(::accept(m_listener.get(), nullptr, nullptr));
        m_listener.reset();  // a retry by the client is refused at once rather than left waiting
        int type = 0;
        QByteArray message = readMessage(client.get(), &type);
        if (type == 0x12) {  // pre-login
            const unsigned char reply[] = {
                0x04, 0x01, 0x00, 8 + 18, 0x00, 0x00, 0x01, 0x00,   // header: response, end of message
                0x00, 0x00, 11, 0x00, 6,                           // VERSION at 11, 6 bytes
                0x01, 0x00, 17, 0x00, 1,                           // ENCRYPTION at 17, 1 byte
                0xFF,                                              // end of options
                15, 0, 0x07, 0xD0, 0, 0,                           // version 15.0.2000
                0x02,                                              // encryption not supported
            };
            if (::send(client.get(), reply, sizeof reply, MSG_NOSIGNAL) != ssize_t(sizeof reply))
                return;
            message = readMessage(client.get(), &type);
        }
        if (type != 0x10 || message.size() < 94)  // LOGIN7 and its fixed part
            return;
        m_login.user = utf16At(message, 40, false);
        m_login.password = utf16At(message, 44, true);
        m_login.database = utf16At(message, 68, false);
    }

    Fd m_listener;
    int m_port = 0;
    Login m_login;
    std::thread m_thread;
};

TEST(OdbcFreeTdsTest, LoginToAClosedPortFailsPromptlyWithACleanMessage)
{
    if (!freeTdsInstalled())
        GTEST_SKIP() << "FreeTDS is not the SQL Server driver here";
    db::OdbcConnection cn;
    // Port 1 on loopback: nothing listens there.
    cn.setConnectionString(loginString("127.0.0.1,1", "u", "x"));
    QElapsedTimer timer;
    timer.start();
    try {
        cn.open();
        FAIL() << "connected to a closed port";
    } catch (const db::DbError& e) {
        const QString text = e.message();
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.contains('[')) << text.toStdString();
        EXPECT_FALSE(text.endsWith('.')) << text.toStdString();
    }
    EXPECT_LT(timer.elapsed(), 30000);
    EXPECT_FALSE(cn.isOpen());
}

TEST(OdbcFreeTdsTest, CredentialsReachTheServerIntact)
{
    if (!freeTdsInstalled())
        GTEST_SKIP() << "FreeTDS is not the SQL Server driver here";
    struct Case {
        QString oleDbPassword;  // as written in the OLE DB string
        QString password;       // as the server must see it
    };
    for (const Case& c : {Case{"a=b}c", "a=b}c"}, Case{"\"x;y=z\"", "x;y=z"}, Case{"plain", "plain"}}) {
        FakeTdsServer server;
        ASSERT_NE(server.port(), 0);
        db::OdbcConnection cn;
        cn.setConnectionString(loginString(QStringLiteral("127.0.0.1,%1").arg(server.port()), "sa", c.oleDbPassword));
        EXPECT_THROW(cn.open(), db::DbError);
        const Login& login = server.login();
        EXPECT_EQ(login.user, "sa");
        EXPECT_EQ(login.password, c.password);
        EXPECT_EQ(login.database, "master");
    }
}

}  // namespace
