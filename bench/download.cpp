// Saving an album of 1,000 pictures of 50 KB from the album host with 20 ms latency per
// answer into an empty folder, beside aria2c -j10 fetching the same addresses into another
// empty folder, one after the other; as a ratio of times, and beside the limit that ten
// parallel transfers allow (1,000 x 20 ms / 10 = 2 s).
//   bench_download [runs]      (aria2c from Debian's aria2 must be on the PATH)
#include "albumhost/albumhost.h"
#include "core/appstate.h"
#include "ui/downloadcommands.h"
#include "ui/mainwindow.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"
#include "web/webinit.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace pv;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int pictures = 1000;
constexpr std::size_t pictureBytes = 50 * 1024;
constexpr int latencyMs = 20;
constexpr double limitMs = pictures * latencyMs / 10.0;

fs::path makeTemporaryFolder(const char* prefix) {
    std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

// Regular files in the folder and their bytes in all.
std::pair<std::size_t, std::uintmax_t> folderContents(const fs::path& folder) {
    std::size_t files = 0;
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".jpg") {
            ++files;
            bytes += e.file_size();
        }
    return {files, bytes};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (std::system("command -v aria2c >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "aria2c not found: apt-get install -y aria2\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initialiseWeb();
    createApplicationState();
    MainWindow* window = createMainWindow();

    // The album: incompressible bytes, as a JPEG is, served from files.
    const fs::path root = makeTemporaryFolder("pvbench-root");
    fs::create_directories(root / "bench" / "album");
    std::mt19937_64 random(7);
    for (int i = 1; i <= pictures; ++i) {
        std::string bytes(pictureBytes, '\0');
        for (auto& b : bytes)
            b = static_cast<char>(random());
        bytes[0] = '\0'; // no picture header: the host's size reader has nothing to say
        char name[16];
        std::snprintf(name, sizeof name, "%04d.jpg", i);
        std::ofstream(root / "bench" / "album" / name, std::ios::binary) << bytes;
    }
    albumhost::HostOptions options;
    options.port = 0;
    options.root = root.string();
    options.latencyMs = latencyMs;
    options.recordRequests = false;
    albumhost::AlbumHost host(options);
    if (!host.start()) {
        std::fprintf(stderr, "album host: %s\n", host.error().c_str());
        return 1;
    }
    const auto albums = host.albums("bench");
    if (albums.empty() || albums[0].pictures.size() != pictures) {
        std::fprintf(stderr, "the album host did not list %d pictures\n", pictures);
        return 1;
    }

    ApplicationState& s = appState();
    const fs::path urlList = root / "urls.txt";
    {
        std::ofstream list(urlList);
        for (const auto& p : albums[0].pictures) {
            s.pictureUrls.push_back(host.url(p.picturePath));
            list << host.url(p.picturePath) << "\n";
        }
    }
    QString message;
    QtWindowPort* port = mainWindowPort();
    port->messageBox = [&message](const QString& text) { message = text; };
    window->button2->setEnabled(true);

    std::vector<double> ours, theirs;
    bool allSaved = true;
    for (int r = 0; r < runs; ++r) {
        const fs::path into = makeTemporaryFolder("pvbench-picvora");
        port->folderPicker = [&into] { return QString::fromStdString(into.string()); };
        auto t0 = Clock::now();
        downloadAll();
        ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        const auto [files, bytes] = folderContents(into);
        if (files != pictures || bytes != pictures * pictureBytes ||
            message != QString::fromUtf8("已成功下载1000张图片。")) {
            std::fprintf(stderr, "picvora saved %zu files, %ju bytes: %s\n", files, bytes,
                         message.toUtf8().constData());
            allSaved = false;
        }
        fs::remove_all(into);

        const fs::path other = makeTemporaryFolder("pvbench-aria2");
        const std::string command = "aria2c -j10 -q --allow-overwrite=true -d '" + other.string() +
                                    "' -i '" + urlList.string() + "'";
        t0 = Clock::now();
        const int status = std::system(command.c_str());
        theirs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        const auto [otherFiles, otherBytes] = folderContents(other);
        if (status != 0 || otherFiles != pictures)
            std::fprintf(stderr, "aria2c: status %d, %zu files, %ju bytes\n", status, otherFiles,
                         otherBytes);
        fs::remove_all(other);
    }
    host.stop();
    fs::remove_all(root);

    const double a = median(ours), b = median(theirs);
    std::printf("saving %d pictures of %zu KB, %d ms latency per answer, median of %d runs\n",
                pictures, pictureBytes / 1024, latencyMs, runs);
    std::printf("  picvora download crew: %.0f ms (runs:", a);
    for (double v : ours)
        std::printf(" %.0f", v);
    std::printf(")\n  aria2c -j10:           %.0f ms (runs:", b);
    for (double v : theirs)
        std::printf(" %.0f", v);
    std::printf(")\n  ratio picvora / aria2c = %.2f\n", a / b);
    std::printf("  limit of ten parallel transfers: %.0f ms; picvora / limit = %.2f, "
                "aria2c / limit = %.2f\n",
                limitMs, a / limitMs, b / limitMs);
    std::fflush(stdout);
    std::_Exit(allSaved ? 0 : 1);
}
