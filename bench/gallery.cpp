// The gallery at scale, offscreen, against the album host: building the cells and loading
// every thumbnail for albums of 2,000 and 20,000 pictures, the longest time the window went
// without serving its events meanwhile, resident memory, listing 2,000 pictures five times
// over, and the cost of one wheel step with the repaint it causes.
#include "gallery/gallery.h"
#include "albumhost/albumhost.h"
#include "core/appstate.h"
#include "gallery/canvas.h"
#include "gallery/galleryscrollbar.h"
#include "gallery/picturecache.h"
#include "ui/mainwindow.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"
#include "web/webinit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

using namespace pv;
using Clock = std::chrono::steady_clock;

namespace {

double mib(long bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The longest the window thread went without serving a 5 ms timer.
class FreezeWatch {
public:
    FreezeWatch() {
        timer_.setInterval(5);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { worst_ = std::max(worst_, clock_.restart()); });
    }
    void start() {
        worst_ = 0;
        resume();
    }
    void resume() {
        clock_.start();
        timer_.start();
    }
    qint64 stop() {
        timer_.stop();
        return std::max(worst_, clock_.elapsed());
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 worst_ = 0;
};

struct Album {
    std::vector<Text> thumbnails, pictures, names;
};

Album albumOf(const albumhost::AlbumHost& host, int number) {
    Album a;
    const std::vector<albumhost::AlbumInfo> albums = host.albums("bench");
    for (const auto& p : albums.at(static_cast<std::size_t>(number - 1)).pictures) {
        a.thumbnails.push_back(host.url(p.thumbnailPath));
        a.pictures.push_back(host.url(p.picturePath));
        a.names.push_back(p.name);
    }
    return a;
}

struct Run {
    double destroyMs = 0, buildMs = 0, loadMs = 0;
    qint64 freezeMs = 0, buildFreezeMs = 0; // over the whole listing; over the build
    int shown = 0;
};

// The listing's gallery steps, as the command runs them once the records are in.
Run listGallery(MainWindow* w, const Album& album) {
    ApplicationState& s = appState();
    FreezeWatch watch;
    watch.start();
    resetGalleryView();
    s.galleryReplacing = true;
    const auto d0 = Clock::now();
    destroyGalleryCells();
    const double destroyMs = msSince(d0);
    s.thumbnailUrls = album.thumbnails;
    s.pictureUrls = album.pictures;
    s.pictureNames = album.names;
    s.photoCount = static_cast<std::int32_t>(album.thumbnails.size());
    w->progressBar1->setRange(0, 2 * s.photoCount);
    w->progressBar1->setValue(s.photoCount);
    s.busy = 1;
    Run r;
    r.destroyMs = destroyMs;
    auto t0 = Clock::now();
    buildGallery();
    s.galleryReplacing = false;
    r.buildMs = msSince(t0);
    r.buildFreezeMs = watch.stop();
    watch.resume();
    t0 = Clock::now();
    loadThumbnails();
    r.loadMs = msSince(t0);
    r.freezeMs = std::max(watch.stop(), r.buildFreezeMs);
    for (const auto& c : s.cellCanvases)
        if (auto* canvas = qobject_cast<Canvas*>(c.data()))
            r.shown += !canvas->picture().empty();
    return r;
}

void turnWheel(QWidget* over, int angle) {
    const QPointF at(over->width() / 2.0, over->height() / 2.0);
    QWheelEvent e(at, over->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &e);
}

// Mean and worst time of one wheel step toward the user, painted.
std::pair<double, double> wheelCost(MainWindow* w, int steps) {
    GalleryScrollBar* bar = w->scrollBar1;
    bar->setValue(0);
    double total = 0, worst = 0;
    for (int i = 0; i < steps; ++i) {
        const auto t0 = Clock::now();
        turnWheel(bar, -120);
        w->repaint();
        const double ms = msSince(t0);
        total += ms;
        worst = std::max(worst, ms);
    }
    return {total / steps, worst};
}

// Drags the scroll bar over the whole gallery in `steps` jumps, painting each: every cell
// comes into view once, so every thumbnail is decoded once.
double scrollThrough(MainWindow* w, int steps) {
    GalleryScrollBar* bar = w->scrollBar1;
    const auto t0 = Clock::now();
    for (int i = 0; i <= steps; ++i) {
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * i / steps));
        w->repaint();
    }
    return msSince(t0);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initialiseWeb();
    createApplicationState();
    MainWindow* window = createMainWindow();
    mainWindowPort()->messageBox = [](const QString&) {};
    window->show();

    albumhost::HostOptions options;
    options.port = 0;
    options.demo = false;
    options.recordRequests = false;
    albumhost::AlbumHost host(options);
    // Pictures of thumbnail size, so that the host has no scaling to do on top of drawing.
    host.addAlbum("bench", {"两千", albumhost::numberedPictures(2000, 150, 112), {}});
    host.addAlbum("bench", {"两万", albumhost::numberedPictures(20000, 150, 112), {}});
    if (!host.start()) {
        std::fprintf(stderr, "album host: %s\n", host.error().c_str());
        return 1;
    }
    const Album small = albumOf(host, 1);
    const Album large = albumOf(host, 2);

    // What one dispatch of the window's events costs when nothing is waiting.
    {
        const auto t0 = Clock::now();
        for (int i = 0; i < 20000; ++i)
            windowPort().dispatchPending();
        std::printf("dispatchPending with nothing waiting: %.2f us per call\n",
                    msSince(t0) * 1000 / 20000);
    }

    const long base = residentBytes();
    const auto baseWidgets = window->findChildren<QWidget*>().size();
    std::printf("resident at start: %.0f MiB\n", mib(base));

    for (int round = 1; round <= 5; ++round) {
        const Run r = listGallery(window, small);
        malloc_trim(0);
        std::printf(
            "2000 pictures, listing %d: destroy %.0f ms, build %.0f ms, thumbnails %.0f ms "
            "(%d shown), longest freeze %lld ms (build %lld ms), resident %.0f MiB, widgets %lld\n",
            round, r.destroyMs, r.buildMs, r.loadMs, r.shown, static_cast<long long>(r.freezeMs),
            static_cast<long long>(r.buildFreezeMs), mib(residentBytes()),
            static_cast<long long>(window->findChildren<QWidget*>().size()));
    }
    {
        const auto [mean, worst] = wheelCost(window, 300);
        std::printf("2000 pictures, wheel step: mean %.2f ms, worst %.2f ms\n", mean, worst);
    }

    // The host draws each thumbnail on its first request: the first listing waits for that,
    // the second one shows what the gallery itself costs.
    for (const char* phase : {"host drawing", "host warm"}) {
        const Run r = listGallery(window, large);
        std::printf("20000 pictures (%s): previous gallery destroyed in %.0f ms, build %.0f ms, "
                    "thumbnails %.0f ms (%d shown), longest freeze %lld ms (build %lld ms)\n",
                    phase, r.destroyMs, r.buildMs, r.loadMs, r.shown,
                    static_cast<long long>(r.freezeMs), static_cast<long long>(r.buildFreezeMs));
    }
    std::printf("20000 pictures loaded: resident %.0f MiB (%.0f MiB above start)\n",
                mib(residentBytes()), mib(residentBytes() - base));
    {
        const auto [mean, worst] = wheelCost(window, 300);
        std::printf("20000 pictures, wheel step: mean %.2f ms, worst %.2f ms\n", mean, worst);
    }
    const double through = scrollThrough(window, 4000);
    std::printf("20000 pictures, scrolled through in 4000 painted jumps: %.0f ms; resident "
                "%.0f MiB, decoded pictures kept %zu (%.0f MiB)\n",
                through, mib(residentBytes()), PictureCache::canvases().size(),
                mib(static_cast<long>(PictureCache::canvases().bytes())));

    resetGalleryView();
    destroyGalleryCells();
    // The page frame copies go one per turn of the event loop.
    const auto retireStart = Clock::now();
    while (window->findChildren<QWidget*>().size() > baseWidgets && msSince(retireStart) < 10000)
        windowPort().waitForEvents(std::chrono::milliseconds(5));
    malloc_trim(0); // what the allocator still holds, handed back
    std::printf("after the last gallery was destroyed: resident %.0f MiB, widgets %lld\n",
                mib(residentBytes()),
                static_cast<long long>(window->findChildren<QWidget*>().size()));
    host.stop();
    setWindowPort(nullptr);
    delete window;
    releaseApplicationState();
    return 0;
}
