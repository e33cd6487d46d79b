// What the servers beside the programs do alike with sockets and signals:
// listen, accept a client, and serve until SIGINT or SIGTERM.
#pragma once

#include <csignal>
#include <cstdint>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace zelvo {
namespace slideserver {

// A TCP socket listening on address:port (port 0: any); -1 with the reason.
int ListenTcp(const std::string& address, uint16_t port, uint16_t& boundPort, std::string& error);
// One listening socket per address of a comma-separated list, all on one port
// (port 0: the one the first address got); empty with the reason when any fails.
std::vector<int> ListenTcpOnEach(const std::string& addresses, uint16_t port, uint16_t& boundPort,
                                 std::string& error);
// The next client of a listening socket, with a send timeout and no delay
// for small writes, and its "host:port"; -1 when none could be taken (out of
// descriptors: after a pause that gives the others time to end).
int AcceptClient(int listenFd, int sendTimeoutSeconds, std::string& peer);

// A pipe that wakes a server's poll loop from another thread.
class WakePipe {
public:
    WakePipe() = default;
    ~WakePipe();
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;
    bool Open(std::string& error);
    int fd() const { return m_fd[0]; }
    void Wake();

private:
    int m_fd[2] = {-1, -1};
};

// Joins and drops the connections whose threads have ended (all of them when
// all is set, after they were told to close).
template <class List> void ReapConnections(List& connections, bool all)
{
    for (auto it = connections.begin(); it != connections.end();) {
        if (all || (*it)->finished()) {
            (*it)->Join();
            it = connections.erase(it);
        } else {
            ++it;
        }
    }
}

// Blocks SIGINT, SIGTERM and SIGPIPE in this thread and every thread it
// starts from now on; call before starting any.
sigset_t BlockStopSignals();
// Runs the server (Run, Stop, stopping) until it stops or a stop signal comes.
template <class S> void ServeUntilStopSignal(S& server, sigset_t stopSignals)
{
    std::thread waiter([&] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        server.Stop();
    });
    server.Run();
    // Run ended on a signal: the waiter is done. Otherwise wake it up.
    if (!server.stopping()) pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
}

} // namespace slideserver
} // namespace zelvo
