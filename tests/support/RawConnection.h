#pragma once
// A plain TCP connection to a loopback server, for requests no HTTP client library sends:
// partial headers, trickled bytes, chosen source addresses.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace quindle::test {

class RawConnection {
public:
    /// Connects to 127.0.0.1:`port` from `source` (any 127.x.y.z address works on loopback).
    explicit RawConnection(int port, const char* source = "127.0.0.1")
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in from {};
        from.sin_family = AF_INET;
        ::inet_pton(AF_INET, source, &from.sin_addr);
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        m_connected = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0
            && ::connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~RawConnection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return m_connected; }

    /// False once the server has closed the connection.
    bool send(const std::string& bytes) { return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()); }

    /// What arrives until the server closes or `limit` passes.
    std::string receive(std::chrono::milliseconds limit)
    {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + limit;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            pollfd p { m_fd, POLLIN, 0 };
            if (::poll(&p, 1, static_cast<int>(std::max<long long>(left, 0))) <= 0)
                return out;
            char buffer[4096];
            ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                m_closed = true;
                return out;
            }
            out.append(buffer, static_cast<size_t>(n));
        }
    }

    /// True when the server closed the connection within `limit` (what it sent is dropped).
    bool closedWithin(std::chrono::milliseconds limit)
    {
        receive(limit);
        return m_closed;
    }

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
};

} // namespace quindle::test
