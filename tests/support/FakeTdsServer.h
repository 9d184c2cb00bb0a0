#pragma once

// A listener on loopback that plays just enough of a SQL Server to get a
// client's login packet, then hangs up: at once, or after acknowledging the
// login and answering a few requests. It serves one connection and refuses
// any after it, unless told to stay silent: then it takes every connection
// and answers none of them. Told to go silent after its answers, it keeps the
// connection open and answers nothing more, as a frozen server would.

#include "db/OdbcSession.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace faketds {

// Whether a login to SQL Server goes through FreeTDS here, as the fake
// server's replies are written for it.
inline bool freeTdsInstalled()
{
    db::odbc::Handle env = db::odbc::makeEnvironment();
    const QStringList drivers = db::odbc::installedDrivers(env.get());
    const bool preferred = std::any_of(drivers.begin(), drivers.end(),
                                       [](const QString& d) { return d.startsWith("ODBC Driver 1"); });
    return drivers.contains("FreeTDS", Qt::CaseInsensitive) && !preferred;
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

// What the server read from the client's LOGIN7 packet.
struct Login {
    QString user;
    QString password;
    QString database;
};

// How far the server goes before it hangs up.
struct Script {
    bool silent = false;            // take every connection, answer none, hold them until destroyed
    bool acknowledgeLogin = false;  // answer the login as accepted
    int requestsAnswered = 0;       // then answer this many requests with "done"
    int failingRequest = 0;         // but this one of them (1-based) with an error
    bool thenSilent = false;        // then read everything, answer nothing, hold the connection until destroyed
};

class FakeTdsServer {
public:
    explicit FakeTdsServer(Script script = {}) : m_script(script), m_listener(::socket(AF_INET, SOCK_STREAM, 0))
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
        m_stop = true;
        finish();
    }

    FakeTdsServer(const FakeTdsServer&) = delete;
    FakeTdsServer& operator=(const FakeTdsServer&) = delete;

    int port() const { return m_port; }
    QString dataSource() const { return QStringLiteral("127.0.0.1,%1").arg(m_port); }

    // Valid after the client has given up; not for a silent server.
    const Login& login()
    {
        finish();
        return m_login;
    }
    // The SQL batches the client sent after its login, one entry per request
    // ("<request 14>" for requests of other kinds).
    const QStringList& requests()
    {
        finish();
        return m_requests;
    }

private:
    void finish()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

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

    // A reply message: one packet, flagged end-of-message.
    static bool sendReply(int fd, const QByteArray& body)
    {
        const int length = 8 + int(body.size());
        QByteArray packet;
        packet.append(char(0x04)).append(char(0x01));
        packet.append(char(length >> 8)).append(char(length & 0xFF));
        packet.append(QByteArray(2, '\0')).append(char(0x01)).append('\0');
        packet += body;
        return ::send(fd, packet.constData(), std::size_t(packet.size()), MSG_NOSIGNAL) == ssize_t(packet.size());
    }

    static unsigned u16At(const QByteArray& bytes, int at)
    {
        return unsigned(static_cast<unsigned char>(bytes[at])) | (unsigned(static_cast<unsigned char>(bytes[at + 1])) << 8);
    }

    static unsigned u32At(const QByteArray& bytes, int at) { return u16At(bytes, at) | (u16At(bytes, at + 2) << 16); }

    static QString utf16At(const QByteArray& login, int offsetField, bool scrambled)
    {
        const int offset = int(u16At(login, offsetField));
        const int chars = int(u16At(login, offsetField + 2));
        QByteArray bytes = login.mid(offset, chars * 2);
        if (scrambled) {
            for (char& c : bytes) {
                const unsigned char b = static_cast<unsigned char>(c) ^ 0xA5;
                c = char(((b & 0x0F) << 4) | (b >> 4));
            }
        }
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    }

    // DONE, final, no count; the count is eight bytes wide from TDS 7.2 on.
    static QByteArray done(unsigned version)
    {
        QByteArray token(1, char(0xFD));
        token.append(QByteArray(4, '\0'));
        token.append(QByteArray(version >= 0x72000000u ? 8 : 4, '\0'));
        return token;
    }

    // ERROR 50000, severity 16, then DONE flagged as an error.
    static QByteArray failed(unsigned version)
    {
        const QString text = QStringLiteral("Pedido recusado");
        QByteArray error;
        error.append(QByteArray::fromHex("50c30000"));  // number 50000
        error.append(char(1)).append(char(16));       // state, class
        error.append(char(text.size())).append('\0');
        for (QChar c : text)
            error.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        error.append('\0').append('\0');  // no server or procedure name
        error.append(QByteArray(version >= 0x72000000u ? 4 : 2, '\0'));  // line
        QByteArray token(1, char(0xAA));
        token.append(char(error.size() & 0xFF)).append(char(error.size() >> 8));
        QByteArray end = done(version);
        end[1] = char(0x02);  // DONE_ERROR
        return token + error + end;
    }

    // One row of one int column, then DONE.
    static QByteArray oneInteger(unsigned version, qint32 value)
    {
        QByteArray reply;
        reply.append(char(0x81)).append(char(1)).append('\0');            // COLMETADATA, one column
        reply.append(QByteArray(version >= 0x72000000u ? 4 : 2, '\0'));  // user type
        reply.append(QByteArray(2, '\0'));                              // flags
        reply.append(char(0x38)).append('\0');                           // int, no name
        reply.append(char(0xD1));                                        // ROW
        for (int shift = 0; shift < 32; shift += 8)
            reply.append(char((value >> shift) & 0xFF));
        return reply + done(version);
    }

    // LOGINACK for the version the client asked for, then DONE.
    static QByteArray loginAccepted(unsigned version)
    {
        const QString program = QStringLiteral("fake");
        QByteArray ack;
        ack.append(char(0x01));  // interface: T-SQL
        for (int shift = 24; shift >= 0; shift -= 8)
            ack.append(char((version >> shift) & 0xFF));
        ack.append(char(program.size()));
        for (QChar c : program)
            ack.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        ack.append(char(15)).append('\0').append(char(0x07)).append(char(0xD0));  // 15.0.2000
        QByteArray token(1, char(0xAD));
        token.append(char(ack.size() & 0xFF)).append(char(ack.size() >> 8));
        return token + ack + done(version);
    }

    // The text of a SQL batch, after the headers TDS 7.2 and later put before it.
    static QString batchText(const QByteArray& body, unsigned version)
    {
        int at = 0;
        if (version >= 0x72000000u && body.size() >= 4)
            at = int(u32At(body, 0));
        if (at < 0 || at > body.size())
            return {};
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData() + at), (body.size() - at) / 2);
    }

    void serveSilently()
    {
        std::vector<std::unique_ptr<Fd>> clients;
        while (!m_stop) {
            std::vector<pollfd> fds{{m_listener.get(), POLLIN, 0}};
            for (const auto& c : clients)
                fds.push_back({c->get(), POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 100) < 0)
                return;
            if (fds[0].revents & POLLIN)
                clients.push_back(std::make_unique<Fd>(::accept(m_listener.get(), nullptr, nullptr)));
            for (std::size_t i = 1; i < fds.size(); ++i) {
                char ignored[512];
                if (fds[i].revents && ::recv(fds[i].fd, ignored, sizeof ignored, 0) <= 0)
                    clients[i - 1]->reset();
            }
        }
    }

    void holdSilently(int fd)
    {
        while (!m_stop) {
            pollfd p{fd, POLLIN, 0};
            char ignored[512];
            if (::poll(&p, 1, 100) < 0 || (p.revents && ::recv(fd, ignored, sizeof ignored, 0) <= 0))
                return;
        }
    }

    void serve()
    {
        if (m_script.silent)
            return serveSilently();
        if (!waitReadable(m_listener.get()))
            return;
        Fd client(::accept(m_listener.get(), nullptr, nullptr));
        m_listener.reset();  // a retry by the client is refused at once rather than left waiting
        int type = 0;
        QByteArray message = readMessage(client.get(), &type);
        if (type == 0x12) {  // pre-login
            const unsigned char reply[] = {
                0x00, 0x00, 11, 0x00, 6,   // VERSION at 11, 6 bytes
                0x01, 0x00, 17, 0x00, 1,   // ENCRYPTION at 17, 1 byte
                0xFF,                      // end of options
                15, 0, 0x07, 0xD0, 0, 0,   // version 15.0.2000
                0x02,                      // encryption not supported
            };
            if (!sendReply(client.get(), QByteArray(reinterpret_cast<const char*>(reply), sizeof reply)))
                return;
            message = readMessage(client.get(), &type);
        }
        if (type != 0x10 || message.size() < 94)  // LOGIN7 and its fixed part
            return;
        m_login.user = utf16At(message, 40, false);
        m_login.password = utf16At(message, 44, true);
        m_login.database = utf16At(message, 68, false);

        if (!m_script.acknowledgeLogin)
            return;
        const unsigned version = u32At(message, 4);
        if (!sendReply(client.get(), loginAccepted(version)))
            return;
        for (int answered = 0; answered < m_script.requestsAnswered; ++answered) {
            message = readMessage(client.get(), &type);
            if (message.isEmpty())
                return;
            m_requests.append(type == 0x01 ? batchText(message, version) : QStringLiteral("<request %1>").arg(type));
            // A program's own BEGIN TRANSACTION is answered with the level it reaches inside the driver's.
            const bool level = m_requests.last().startsWith(QLatin1String("BEGIN TRANSACTION"));
            if (!sendReply(client.get(), answered + 1 == m_script.failingRequest ? failed(version)
                                         : level                                  ? oneInteger(version, 2)
                                                                                  : done(version)))
                return;
        }
        if (m_script.thenSilent)
            return holdSilently(client.get());
        // One more request arrives to find the connection gone.
        message = readMessage(client.get(), &type);
        if (!message.isEmpty())
            m_requests.append(type == 0x01 ? batchText(message, version) : QStringLiteral("<request %1>").arg(type));
    }

    Script m_script;
    Fd m_listener;
    int m_port = 0;
    Login m_login;
    QStringList m_requests;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

}  // namespace faketds
