#include "Network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace zelvo {
namespace slideserver {

int ListenTcp(const std::string& address, uint16_t port, uint16_t& boundPort, std::string& error)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) {
        error = "bad bind address " + address;
        return -1;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 || ::listen(fd, 64) < 0) {
        error = std::string("cannot listen: ") + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    boundPort = ntohs(a.sin_port);
    return fd;
}

std::vector<int> ListenTcpOnEach(const std::string& addresses, uint16_t port, uint16_t& boundPort,
                                 std::string& error)
{
    std::vector<int> fds;
    size_t start = 0;
    while (start <= addresses.size()) {
        size_t comma = addresses.find(',', start);
        std::string address = addresses.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        uint16_t bound = 0;
        int fd = ListenTcp(address, fds.empty() ? port : boundPort, bound, error);
        if (fd < 0) {
            for (int f : fds) ::close(f);
            fds.clear();
            return fds;
        }
        if (fds.empty()) boundPort = bound;
        fds.push_back(fd);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return fds;
}

int AcceptClient(int listenFd, int sendTimeoutSeconds, std::string& peer)
{
    sockaddr_in from{};
    socklen_t len = sizeof from;
    int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&from), &len, SOCK_CLOEXEC);
    if (fd < 0) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return -1;
    }
    timeval tv{sendTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    char host[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);
    peer = std::string(host) + ":" + std::to_string(ntohs(from.sin_port));
    return fd;
}

WakePipe::~WakePipe()
{
    for (int fd : m_fd)
        if (fd >= 0) ::close(fd);
}

bool WakePipe::Open(std::string& error)
{
    if (m_fd[0] >= 0) return true;
    if (::pipe2(m_fd, O_CLOEXEC | O_NONBLOCK) == 0) return true;
    error = std::strerror(errno);
    return false;
}

void WakePipe::Wake()
{
    char c = 1;
    if (m_fd[1] >= 0) {
        ssize_t ignored = ::write(m_fd[1], &c, 1);
        (void)ignored;
    }
}

sigset_t BlockStopSignals()
{
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

} // namespace slideserver
} // namespace zelvo
