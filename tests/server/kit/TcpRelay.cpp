#include "TcpRelay.h"

#include <QString>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace server {

namespace {

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(std::uint16_t(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool sendAll(int fd, const char* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t sent = ::send(fd, data, n, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        n -= std::size_t(sent);
    }
    return true;
}

}  // namespace

QByteArray wireText(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

struct TcpRelay::Pair {
    Pair(int client, int server) : client(client), server(server) {}
    Pair(const Pair&) = delete;
    Pair& operator=(const Pair&) = delete;

    int client;
    int server;
    QByteArray recent;          // the end of what the client sent, to find the marker across reads
    qint64 sinceMarker = -1;    // bytes the client sent after the marker; -1 before it
    ~Pair()
    {
        ::close(client);
        ::close(server);
    }
};

TcpRelay::TcpRelay(int serverPort) : m_serverPort(serverPort)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), length) != 0 ||
        ::listen(m_listener, 8) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
        return;
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { serve(); });
}

TcpRelay::~TcpRelay()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

void TcpRelay::cutAfter(const QByteArray& marker, qint64 bytesAfterMarker)
{
    const std::lock_guard lock(m_mutex);
    m_marker = marker;
    m_bytesAfterMarker = bytesAfterMarker;
}

void TcpRelay::serve()
{
    std::vector<std::unique_ptr<Pair>> pairs;
    while (!m_stop) {
        std::vector<pollfd> fds{{m_listener, POLLIN, 0}};
        for (const auto& p : pairs) {
            fds.push_back({p->client, POLLIN, 0});
            fds.push_back({p->server, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), 100) < 0)
            return;
        const std::size_t polled = pairs.size();
        if (fds[0].revents & POLLIN) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            const int server = client >= 0 ? connectTo(m_serverPort) : -1;
            if (server >= 0)
                pairs.push_back(std::make_unique<Pair>(client, server));
            else if (client >= 0)
                ::close(client);
        }
        std::vector<bool> closed(pairs.size(), false);
        for (std::size_t i = 0; i < polled; ++i) {
            Pair& p = *pairs[i];
            for (int side = 0; side < 2 && !closed[i]; ++side) {
                if (!fds[1 + 2 * i + std::size_t(side)].revents)
                    continue;
                const int from = side == 0 ? p.client : p.server;
                const int to = side == 0 ? p.server : p.client;
                char buffer[65536];
                const ssize_t got = ::recv(from, buffer, sizeof buffer, 0);
                if (got <= 0 || !sendAll(to, buffer, std::size_t(got))) {
                    closed[i] = true;
                    break;
                }
                if (side != 0)
                    continue;
                const std::lock_guard lock(m_mutex);
                if (m_bytesAfterMarker < 0 || m_cut)
                    continue;
                if (p.sinceMarker < 0) {
                    p.recent.append(buffer, qsizetype(got));
                    const qsizetype at = p.recent.indexOf(m_marker);
                    if (at >= 0)
                        p.sinceMarker = p.recent.size() - at - m_marker.size();
                    else
                        p.recent = p.recent.right(m_marker.size());
                } else {
                    p.sinceMarker += got;
                }
                if (p.sinceMarker >= m_bytesAfterMarker) {
                    m_cut = true;
                    closed[i] = true;
                }
            }
        }
        for (std::size_t i = pairs.size(); i-- > 0;) {
            if (closed[i])
                pairs.erase(pairs.begin() + qsizetype(i));
        }
    }
}

}  // namespace server
