// slideserver: serves a slide library folder to the viewers on TCP 3030.
#include "Library.h"
#include "Network.h"
#include "Server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <string>
#include <thread>

using namespace zelvo::slideserver;

namespace {

void Usage(std::FILE* out)
{
    std::fputs(
        "usage: slideserver --library DIR [--port 3030] [--bind ADDR[,ADDR...]] [--verbose] [--log FILE]\n"
        "\n"
        "Serves the slides of DIR to the slide viewers, one viewer per connection.\n"
        "\n"
        "Library layout:\n"
        "  slides      any file below DIR (up to 8 folders deep) ending in .svs .tif .tiff\n"
        "              .ndpi .vms .vmu .scn .mrxs .svslide .bif (read with OpenSlide; a TIFF\n"
        "              that OpenSlide does not take is served as a picture) or .jpg .jpeg\n"
        "              .bmp (plain pictures). A viewer names a slide by a Windows path\n"
        "              whose last component is the slide's name plus \".jpg\"; the slide is\n"
        "              found by that name, whatever its folder and extension. A whole slide\n"
        "              wins over a picture of the same name. The library is indexed at start.\n"
        "  marks       NAME.mrk beside slide NAME.EXT holds its published marks and\n"
        "              NAME.user.mrk the user's marks, both sent as stored; no file, no marks.\n"
        "  media       DIR/media/FILE, found by the file name of the requested path.\n"
        "\n"
        "Slide header sent to the viewer:\n"
        "  signature   \"ZELVO DIGITAL SLICE\" for whole slides, \"jpg\" for pictures\n"
        "  resolution  from the slide's microns per pixel (0.25 um when it does not say)\n"
        "  tile grid   256 x 256 tiles covering the image; beyond the image is white\n"
        "  thumbnail   whole slide, longest edge about 512 pixels (pictures 1024)\n"
        "  text A      the slide's format (OpenSlide vendor, or JPEG/BMP/TIFF)\n"
        "  text B      objective power when known and microns per pixel (\"(估计)\" when\n"
        "              assumed)\n"
        "  matrix      tile columns x tile rows\n"
        "  Texts are sent as GB2312.\n"
        "\n"
        "Options:\n"
        "  --port N    TCP port (3030)\n"
        "  --bind A    IPv4 addresses to listen on, comma-separated (0.0.0.0)\n"
        "  --verbose   one line per request on stderr\n"
        "  --log FILE  one line per request and per reply (code, rectangle, scale, bytes)\n"
        "SIGINT or SIGTERM stops the server cleanly.\n",
        out);
}

} // namespace

int main(int argc, char** argv)
{
    std::string library, bind = "0.0.0.0", logPath;
    int port = 3030;
    ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "slideserver: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--library") library = value("--library");
        else if (a == "--port") port = std::atoi(value("--port"));
        else if (a == "--bind") bind = value("--bind");
        else if (a == "--log") logPath = value("--log");
        else if (a == "--verbose") options.verbose = true;
        else if (a == "--help" || a == "-h") { Usage(stdout); return 0; }
        else {
            std::fprintf(stderr, "slideserver: unknown argument %s\n", a.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (library.empty() || port <= 0 || port > 65535) {
        Usage(stderr);
        return 2;
    }
    // Every thread blocks the stop signals; one thread waits for them.
    sigset_t stopSignals = BlockStopSignals();

    if (!logPath.empty()) {
        options.log = std::fopen(logPath.c_str(), "a");
        if (!options.log) {
            std::fprintf(stderr, "slideserver: cannot write %s\n", logPath.c_str());
            return 1;
        }
    }
    Library lib;
    std::string error;
    if (!lib.Index(library, error)) {
        std::fprintf(stderr, "slideserver: %s\n", error.c_str());
        return 1;
    }
    Server server(lib, options);
    if (!server.Listen(bind, (uint16_t)port, error)) {
        std::fprintf(stderr, "slideserver: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "slideserver: %zu slides from %s on %s:%u\n", lib.slideCount(), lib.root().c_str(),
                 bind.c_str(), server.port());
    ServeUntilStopSignal(server, stopSignals);
    if (options.log) std::fclose(options.log);
    std::fprintf(stderr, "slideserver: stopped\n");
    return 0;
}
