#pragma once

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <thread>

namespace server {

// Stands between the program and a server on loopback and copies bytes both
// ways, for one connection after another. Armed, it cuts the connection on
// which the program has sent a chosen piece of text and then a number of
// bytes more, as a network cut would: both sides see the connection close.
// It cuts once; later connections pass untouched.
class TcpRelay {
public:
    explicit TcpRelay(int serverPort);
    ~TcpRelay();

    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    // Where the program connects; 0 if the relay could not listen.
    int port() const { return m_port; }

    void cutAfter(const QByteArray& marker, qint64 bytesAfterMarker);
    bool hasCut() const { return m_cut; }

private:
    struct Pair;
    void serve();

    int m_serverPort;
    int m_listener = -1;
    int m_port = 0;
    std::mutex m_mutex;
    QByteArray m_marker;
    qint64 m_bytesAfterMarker = -1;  // -1: not armed
    std::atomic<bool> m_cut = false;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

// Text as SQL Server's protocol carries it: UTF-16 little-endian.
QByteArray wireText(const QString& text);

}  // namespace server
