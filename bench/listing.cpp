// Listing an album of 1,200 pictures over 50 pages from the album host with 20 ms latency:
// the time from the command to the last picture record, beside the limit that ten parallel
// fetches allow; and the time searchAll needs per megabyte of listing text.
#include "albumhost/albumhost.h"
#include "catalogue/listingfetch.h"
#include "catalogue/photolisting.h"
#include "core/appstate.h"
#include "core/crew.h"
#include "ui/mainwindow.h"
#include "ui/startup.h"
#include "web/webinit.h"

#include <QApplication>
#include <chrono>
#include <cstdio>

using namespace pv;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initialiseWeb();
    createApplicationState();
    MainWindow* window = createMainWindow();
    (void)window;

    albumhost::HostOptions options;
    options.port = 0;
    options.demo = false;
    options.latencyMs = 20;
    options.picturesPerPage = 24;
    albumhost::AlbumHost host(options);
    host.addAlbum("bench", {"大相册", albumhost::numberedPictures(1200), {}});
    if (!host.start()) {
        std::fprintf(stderr, "album host: %s\n", host.error().c_str());
        return 1;
    }
    const Text album = host.url(host.albums("bench")[0].path);

    ApplicationState& s = appState();
    const int runs = 5;
    double best = 1e9, total = 0;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        s.pageSections.clear();
        countListingPages(album);
        s.listingBaseUrl = album;
        s.busy = 1;
        fetchListingSections();
        searchPictureFields();
        runCrew(pictureRecordWorker);
        s.busy = 0;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (s.pictureUrls.size() != 1200 || s.pageCount != 50) {
            std::fprintf(stderr, "unexpected listing: %zu records, %d pages\n",
                         s.pictureUrls.size(), s.pageCount);
            return 1;
        }
        best = std::min(best, ms);
        total += ms;
    }
    const double limit = 20.0 * (1 + 5); // one first page, then five rounds of ten pages
    std::printf("listing 1200 pictures / 50 pages, 20 ms latency: best %.1f ms, mean %.1f ms\n",
                best, total / runs);
    std::printf("  limit of ten parallel fetches: %.0f ms; ratio best/limit = %.2f\n", limit,
                best / limit);

    // searchAll over a large joined listing: the three picture patterns, as a listing runs them.
    Text big;
    while (big.size() < 8u * 1024 * 1024)
        big += s.listingText;
    s.listingText = big;
    const auto t0 = Clock::now();
    searchPictureFields();
    const double sec = std::chrono::duration<double>(Clock::now() - t0).count();
    const double mb = static_cast<double>(big.size()) / (1024.0 * 1024.0);
    std::printf("searchAll, three patterns over %.1f MB (%zu records): %.1f ms, %.1f ms per MB\n",
                mb, s.pictureSourceMatches.size(), sec * 1000, sec * 1000 / mb);
    host.stop();
    std::fflush(stdout);
    std::_Exit(0);
}
