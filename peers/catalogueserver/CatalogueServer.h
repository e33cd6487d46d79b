// The catalogue server: the folder, list and preview replies of the catalogue
// link on TCP, and the answer to the clients' discovery broadcast on UDP.
// Each client has a reader, which answers keep-alives and folder requests at
// once, and a worker for lists and previews, so a long list never holds up
// the keep-alive answers that keep the client connected.
#pragma once

#include "Catalogue.h"
#include "Network.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace zelvo {
namespace catalogueserver {

struct ServerSettings {
    bool verbose = false;
    std::FILE* log = nullptr;  // one line per request and reply when set
    int idleSeconds = 60;      // clients send a keep-alive every 2 s
    int sendTimeoutSeconds = 20;
    size_t maxConnections = 128;
};

class CatalogueConnection;

class CatalogueServer {
public:
    CatalogueServer(Catalogue& catalogue, ServerSettings settings);
    ~CatalogueServer();

    // Binds and listens on each address of a comma-separated list (port 0: an
    // ephemeral port).
    bool Listen(const std::string& address, uint16_t port, std::string& error);
    // The discovery socket on UDP (port 0: an ephemeral port).
    bool ListenDiscovery(uint16_t port, std::string& error);
    uint16_t port() const { return m_port; }
    uint16_t discoveryPort() const { return m_discoveryPort; }
    // Serves until Stop; then closes every connection and waits for them.
    void Run();
    void Stop();
    bool stopping() const { return m_stop.load(); }

    Catalogue& catalogue() { return m_catalogue; }
    const ServerSettings& settings() const { return m_settings; }
    void Log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

private:
    void AnswerDiscovery();

    Catalogue& m_catalogue;
    ServerSettings m_settings;
    std::vector<int> m_listens;
    int m_udp = -1;
    uint16_t m_port = 0, m_discoveryPort = 0;
    std::atomic<bool> m_stop{false};
    slideserver::WakePipe m_wake;
    std::list<std::shared_ptr<CatalogueConnection>> m_connections;
    std::mutex m_logMutex;
};

} // namespace catalogueserver
} // namespace zelvo
