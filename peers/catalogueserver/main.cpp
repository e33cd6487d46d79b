// catalogueserver: serves a slide library folder to the catalogue clients on
// TCP 3031 and answers their discovery broadcast on UDP 6788.
#include "CatalogueServer.h"
#include "Network.h"
#include "catalogue/CatalogNames.h"
#include "catalogue/CatalogPacket.h"
#include "catalogue/Discovery.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <string>
#include <thread>

using namespace zelvo;
using namespace zelvo::catalogueserver;

namespace {

void Usage(std::FILE* out)
{
    std::fputs(
        "usage: catalogueserver --library DIR [--port 3031] [--bind ADDR[,ADDR...]] [--discovery-port 6788]\n"
        "                       [--prefix 'D:\\Slides\\'] [--log FILE] [--verbose]\n"
        "\n"
        "Serves the folders and slides of DIR to the slide catalogue clients.\n"
        "\n"
        "Library layout: the same as the slide server's (slides of every format it\n"
        "reads, up to 8 folders deep; NAME.mrk marks files and the media folder are\n"
        "not listed). The library is indexed at start; thumbnails are made in the\n"
        "background then and kept.\n"
        "\n"
        "Replies:\n"
        "  folders    one tree entry per child folder: the prefix and the folder's path\n"
        "             (\"D:\\Slides\\A\\B\"), flagged when it has child folders itself\n"
        "  lists      one item per slide of the folder, in name order: its path under\n"
        "             the prefix, file size, scan size (mm), pixel size, format and\n"
        "             resolution texts and a thumbnail (200 pixels); a slide that cannot\n"
        "             be read is listed with a plain thumbnail and marked\n"
        "  previews   the whole slide, its longest edge 640 pixels\n"
        "  discovery  \"88\" to every datagram of 800 zero bytes\n"
        "\n"
        "Options:\n"
        "  --port N            TCP port (3031)\n"
        "  --bind A            IPv4 addresses to listen on, comma-separated (0.0.0.0)\n"
        "  --discovery-port N  UDP port of the discovery answer (6788; 0 turns it off)\n"
        "  --prefix P          drive and folder put before every path, with exactly two\n"
        "                      backslashes (D:\\Slides\\)\n"
        "  --verbose           one line per request on stderr\n"
        "  --log FILE          one line per request and reply\n"
        "SIGINT or SIGTERM stops the server cleanly.\n",
        out);
}

bool PrefixUsable(const std::u16string& prefix)
{
    return std::count(prefix.begin(), prefix.end(), u'\\') == 2 && prefix.back() == u'\\' &&
           prefix.size() < catalog::kPathUnits / 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string library, bind = "0.0.0.0", logPath;
    int port = catalog::kCatalogPort, discoveryPort = catalog::kDiscoveryPort;
    CatalogueOptions options;
    ServerSettings settings;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "catalogueserver: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--library") library = value("--library");
        else if (a == "--port") port = std::atoi(value("--port"));
        else if (a == "--discovery-port") discoveryPort = std::atoi(value("--discovery-port"));
        else if (a == "--bind") bind = value("--bind");
        else if (a == "--prefix") options.prefix = catalog::Utf8ToUtf16(value("--prefix"));
        else if (a == "--log") logPath = value("--log");
        else if (a == "--verbose") settings.verbose = true;
        else if (a == "--help" || a == "-h") { Usage(stdout); return 0; }
        else {
            std::fprintf(stderr, "catalogueserver: unknown argument %s\n", a.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (library.empty() || port <= 0 || port > 65535 || discoveryPort < 0 || discoveryPort > 65535 ||
        !PrefixUsable(options.prefix)) {
        Usage(stderr);
        return 2;
    }
    sigset_t stopSignals = slideserver::BlockStopSignals();

    if (!logPath.empty()) {
        settings.log = std::fopen(logPath.c_str(), "a");
        if (!settings.log) {
            std::fprintf(stderr, "catalogueserver: cannot write %s\n", logPath.c_str());
            return 1;
        }
    }
    slideserver::Library lib;
    std::string error;
    if (!lib.Index(library, error)) {
        std::fprintf(stderr, "catalogueserver: %s\n", error.c_str());
        return 1;
    }
    Catalogue catalogue(lib, options);
    CatalogueServer server(catalogue, settings);
    if (!server.Listen(bind, (uint16_t)port, error) ||
        (discoveryPort > 0 && !server.ListenDiscovery((uint16_t)discoveryPort, error))) {
        std::fprintf(stderr, "catalogueserver: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "catalogueserver: %zu slides in %zu folders from %s on %s:%u\n", catalogue.slideCount(),
                 catalogue.folderCount(), lib.root().c_str(), bind.c_str(), server.port());
    std::atomic<bool> stopWarming{false};
    std::thread warm([&] {
        catalogue.DescribeAll((int)std::min(4u, std::max(1u, std::thread::hardware_concurrency())), stopWarming);
    });
    slideserver::ServeUntilStopSignal(server, stopSignals);
    stopWarming = true;
    warm.join();
    if (settings.log) std::fclose(settings.log);
    std::fprintf(stderr, "catalogueserver: stopped\n");
    return 0;
}
