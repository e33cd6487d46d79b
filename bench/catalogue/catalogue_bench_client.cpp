// catalogue_bench_client: the baseline of the catalogue benchmark. Fetches a
// folder's list (records and thumbnails) from the catalogue server as a plain
// client and prints the time to the last thumbnail and its peak memory.
#include "PlainClient.h"
#include "catalogue/CatalogNames.h"
#include "catalogue/Discovery.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace zelvo::catalog;
using namespace zelvo::catalogueserver;

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: catalogue_bench_client ADDRESS FOLDER COUNT [PORT]\n", stderr);
        return 2;
    }
    int count = std::atoi(argv[3]);
    uint16_t port = argc > 4 ? (uint16_t)std::atoi(argv[4]) : kCatalogPort;
    PlainClient client(argv[1], port);
    if (!client.connected()) {
        std::fprintf(stderr, "catalogue_bench_client: cannot connect to %s:%u\n", argv[1], port);
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    client.Request(kListRequest, 1, Utf8ToUtf16(argv[2]));
    int items = 0;
    size_t bytes = 0;
    ReceivedReply r;
    while (items < count && client.Next(r, 60000)) {
        if (r.record.nType != kListItem) continue;
        ++items;
        bytes += kPacketSize + r.payload.size();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("plain client: %d items, %.1f MB, last thumbnail after %.3f s, peak memory %.1f MB\n", items,
                bytes / 1048576.0, seconds, usage.ru_maxrss / 1024.0);
    return items == count ? 0 : 1;
}
