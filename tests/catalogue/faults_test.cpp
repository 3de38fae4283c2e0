// Listings that meet a host going away, a page that never answers and a huge page.
#include "albumhost/albumhost.h"
#include "catalogue/listingfetch.h"
#include "core/appstate.h"
#include "core/servicehost.h"
#include "support/httpcapture.h"
#include "support/testsupport.h"
#include "support/windowfixture.h"
#include "ui/mainwindow.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"
#include "ui/usernameedit.h"

#include <QTest>
#include <QTimer>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>

namespace pv {
namespace {

class ListingFaults : public test::WindowFixture {
protected:
    void SetUp() override {
        albumhost::HostOptions options;
        options.port = 0;
        options.demo = false;
        options.picturesPerPage = 4;
        host = std::make_unique<albumhost::AlbumHost>(options);
        host->addAlbum("f", {"五页", albumhost::numberedPictures(20), {}});
        openWindow();
        window->edit1->setText("f");
        QTest::mouseClick(window->button1, Qt::LeftButton);
        ASSERT_EQ(window->combo1->count(), 1);
        album = host->albums("f")[0].path;
    }
    void TearDown() override {
        setListingRequestTimeout(0);
        WindowFixture::TearDown();
    }
    void expectCommandEnded() {
        EXPECT_EQ(appState().busy, 0);
        EXPECT_FALSE(appState().commandActive);
        EXPECT_TRUE(window->button1->isEnabled());
        EXPECT_TRUE(window->button2->isEnabled());
        EXPECT_TRUE(window->button6->isEnabled());
    }
    std::string album;
};

TEST_F(ListingFaults, PageThatNeverAnswersEndsAtTheTimeOut) {
    setListingRequestTimeout(2);
    host->addFault({album + "/index/3", albumhost::Fault::hang, 0, {}});
    const auto t0 = std::chrono::steady_clock::now();
    QTest::mouseClick(window->button2, Qt::LeftButton);
    const auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::seconds(30));
    EXPECT_EQ(appState().pictureUrls.size(), 16u); // pages 1, 2, 3 and 5
    expectCommandEnded();
}

TEST_F(ListingFaults, HostGoingAwayInTheMiddle) {
    host->addFault({album + "/index/2", albumhost::Fault::delay, 500, {}});
    host->addFault({album + "/index/3", albumhost::Fault::delay, 500, {}});
    QTimer::singleShot(200, [&] { host->stop(); });
    QTest::mouseClick(window->button2, Qt::LeftButton);
    EXPECT_LE(appState().pictureUrls.size(), 12u);
    expectCommandEnded();
    // The program goes on: the next listing, with the host back, is whole.
    host->clearFaults();
    ASSERT_TRUE(host->start());
    QTest::mouseClick(window->button2, Qt::LeftButton);
    EXPECT_EQ(appState().pictureUrls.size(), 20u);
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

TEST(ListingHugePage, HundredMegabytesWhereAPageBelongs) {
    test::HttpCapture server;
    const std::string body(100u << 20, 'x');
    server.setResponder([&](const std::string&) {
        return test::ScriptedReply{test::httpReply(200, body), {}, false};
    });
    releaseApplicationState();
    createApplicationState();
    compilePatternsAndCreateLock();
    QueuePort port;
    setWindowPort(&port);
    const long before = residentKiB();
    countListingPages(server.origin() + "/m/album");
    EXPECT_EQ(appState().pageCount, 1);
    appState().listingBaseUrl = server.origin() + "/m/album";
    fetchListingSections();
    EXPECT_TRUE(appState().listingText.empty());
    const long grown = residentKiB() - before;
    EXPECT_LT(grown, 1024L * 1024) << "resident memory grew by " << grown << " KiB";
    setWindowPort(nullptr);
    releaseApplicationState();
}

} // namespace
} // namespace pv
