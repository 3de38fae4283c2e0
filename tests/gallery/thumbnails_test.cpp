// Loading the thumbnails from the album host, the end of the listing, and reloading one.
#include "albumhost/albumhost.h"
#include "galleryfixture.h"

#include <chrono>

namespace pv {
namespace {

using namespace std::chrono_literals;

class GalleryThumbnails : public test::GalleryFixture {
protected:
    void SetUp() override {
        GalleryFixture::SetUp();
        albumhost::HostOptions options;
        options.port = 0;
        host = std::make_unique<albumhost::AlbumHost>(options);
        host->addAlbum("tester", {"三张", albumhost::numberedPictures(3), {}});
        ASSERT_TRUE(host->start()) << host->error();
        const std::vector<albumhost::AlbumInfo> albums = host->albums("tester");
        for (const auto& p : albums.at(0).pictures) {
            thumbnails.push_back(host->url(p.thumbnailPath));
            paths.push_back(p.thumbnailPath);
        }
        ASSERT_EQ(thumbnails.size(), 3u);
    }
    void TearDown() override {
        setThumbnailFetchLimits({});
        host->stop();
        GalleryFixture::TearDown();
    }

    // The listing's last two steps, as the command runs them.
    void listThumbnails() {
        buildWith(3, thumbnails);
        host->clearRequests();
        appState().busy = 1;
        for (QWidget* b :
             {window->button1, window->button2, window->button3, window->button4, window->button6})
            b->setEnabled(false);
        loadThumbnails();
    }
    std::size_t thumbnailFetches() {
        std::size_t n = 0;
        for (const auto& r : host->requests())
            n += r.target.find("/abpic/") != std::string::npos;
        return n;
    }
    void expectListingEnded() {
        EXPECT_EQ(appState().busy, 0);
        for (QWidget* b :
             {window->button1, window->button2, window->button3, window->button4, window->button6})
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_EQ(window->progressBar1->value(), 0);
    }
    bool shows(int cell) { return canvas(cell)->hasImage(); }
    void rightClick(int cell) {
        QTest::mousePress(canvas(cell), Qt::RightButton);
        QTest::mouseRelease(canvas(cell), Qt::RightButton);
        window->menu->hide();
    }

    std::vector<Text> thumbnails;
    std::vector<std::string> paths;
};

TEST_F(GalleryThumbnails, ThreePicturesThreeFetches) {
    window->progressBar1->setRange(0, 100);
    int progressChanges = 0;
    QObject::connect(window->progressBar1, &QProgressBar::valueChanged, [&] { ++progressChanges; });
    listThumbnails();
    EXPECT_EQ(thumbnailFetches(), 3u);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_TRUE(shows(n)) << n;
        EXPECT_EQ(canvas(n)->displayMode(), Canvas::Fitted);
    }
    expectListingEnded();
    EXPECT_EQ(progressChanges, 3 + 1) << "the build's steps only; the crew moves nothing";
    EXPECT_FALSE(window->scrollBar1->isEnabled()) << "the state the build gave it";
}

TEST_F(GalleryThumbnails, AThumbnailThatCannotBeFetchedLeavesItsCellWhite) {
    const albumhost::Fault faults[] = {albumhost::Fault::notFound, albumhost::Fault::drop,
                                       albumhost::Fault::cutOff, albumhost::Fault::serverError};
    for (albumhost::Fault f : faults) {
        SCOPED_TRACE(static_cast<int>(f));
        host->clearFaults();
        host->addFault({paths[1], f, 0, {}});
        listThumbnails();
        EXPECT_TRUE(shows(1));
        EXPECT_FALSE(shows(2));
        EXPECT_TRUE(shows(3));
        const QImage blank = canvas(2)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(blank.pixel(75, 71), qRgb(255, 255, 255));
        expectListingEnded();
    }
}

TEST_F(GalleryThumbnails, AHostThatNeverAnswersCostsOnlyItsCell) {
    setThumbnailFetchLimits({1s, 2s});
    host->addFault({paths[0], albumhost::Fault::hang, 0, {}});
    const auto start = std::chrono::steady_clock::now();
    listThumbnails();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s) << "the fetch gave up";
    EXPECT_FALSE(shows(1));
    EXPECT_TRUE(shows(2));
    EXPECT_TRUE(shows(3));
    expectListingEnded();
}

TEST_F(GalleryThumbnails, ReloadFetchesOffTheWindowThread) {
    host->addFault({paths[1], albumhost::Fault::drop, 0, {}});
    listThumbnails();
    ASSERT_FALSE(shows(2));

    // The host answers again, slowly: the cell is cleared at once and filled on arrival.
    host->clearFaults();
    host->addFault({paths[1], albumhost::Fault::delay, 600, {}});
    rightClick(2);
    host->clearRequests();
    window->reloadAction->trigger();
    EXPECT_TRUE(canvas(2)->picture().empty()) << "the fetch must not run on the window thread";
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows(2); }, 10000));
    EXPECT_EQ(thumbnailFetches(), 1u);

    // A cell that shows its thumbnail is blank from the moment it is reloaded.
    host->addFault({paths[0], albumhost::Fault::delay, 600, {}});
    rightClick(1);
    window->reloadAction->trigger();
    EXPECT_TRUE(canvas(1)->picture().empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows(1); }, 10000));
}

TEST_F(GalleryThumbnails, LateReloadAfterTheGalleryWasReplacedIsDropped) {
    listThumbnails();
    host->addFault({paths[0], albumhost::Fault::delay, 500, {}});
    rightClick(1);
    host->clearRequests();
    window->reloadAction->trigger();
    ASSERT_TRUE(host->waitForRequests(1, 5000ms));
    buildWith(3, thumbnails); // a new listing's gallery, its thumbnails not loaded yet
    QTest::qWait(1500);
    EXPECT_TRUE(canvas(1)->picture().empty());
}

TEST_F(GalleryThumbnails, TwoReloadsOfOneCellShowTheLater) {
    listThumbnails();
    // The first reload's answer is slow; by the second one the address fails at once.
    host->addFault({paths[0], albumhost::Fault::delay, 800, {}});
    rightClick(1);
    host->clearRequests();
    window->reloadAction->trigger();
    ASSERT_TRUE(host->waitForRequests(1, 5000ms));
    appState().thumbnailUrls[0] = "http://127.0.0.1:9/gone.jpg";
    window->reloadAction->trigger();
    QTest::qWait(1500);
    EXPECT_FALSE(shows(1)) << "the earlier, slower answer came last and was shown";
}

TEST_F(GalleryThumbnails, ReloadWithoutAPictureFetchesNothing) {
    std::vector<Text> two(thumbnails.begin(), thumbnails.begin() + 2);
    buildWith(3, two); // cell 3 has no record
    host->clearRequests();
    for (int cell : {0, 3, 4}) {
        appState().currentCell = cell;
        window->reloadAction->trigger();
    }
    QTest::qWait(300);
    EXPECT_EQ(thumbnailFetches(), 0u);
}

} // namespace
} // namespace pv
