// The listing commands driven through the real window against the album host.
#include "albumhost/albumhost.h"
#include "core/appstate.h"
#include "core/servicehost.h"
#include "gallery/galleryscrollbar.h"
#include "support/testsupport.h"
#include "support/windowfixture.h"
#include "ui/mainwindow.h"
#include "ui/qtext.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"
#include "ui/usernameedit.h"

#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

PICVORA_TESTS_NEED_WIDGETS();

namespace pv {
namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class ListingTest : public test::WindowFixture {
protected:
    void SetUp() override {
        albumhost::HostOptions options;
        options.port = 0;
        options.demo = true;
        host = std::make_unique<albumhost::AlbumHost>(options);
    }
    // Starts the host and the window; call after adding albums and faults.
    void start() {
        openWindow();
        QObject::connect(window->progressBar1, &QProgressBar::valueChanged, [this](int v) {
            progress.push_back({window->progressBar1->maximum(), v});
        });
    }
    void listAlbumsOf(const QString& user) {
        window->edit1->setText(user);
        QTest::mouseClick(window->button1, Qt::LeftButton);
    }
    void listPicturesOf(int item) {
        window->combo1->setCurrentIndex(item);
        QTest::mouseClick(window->button2, Qt::LeftButton);
    }
    QStringList comboTexts() const {
        QStringList out;
        for (int i = 0; i < window->combo1->count(); ++i)
            out << window->combo1->itemText(i);
        return out;
    }

    std::vector<std::pair<int, int>> progress; // (maximum, value) at each change
};

TEST_F(ListingTest, DemoMemberAlbumsInPageOrder) {
    start();
    listAlbumsOf(u(" demo\u3000"));
    const auto albums = host->albums("demo");
    ASSERT_FALSE(albums.empty());
    ASSERT_EQ(window->combo1->count(), static_cast<int>(albums.size()));
    for (int i = 0; i < window->combo1->count(); ++i) {
        const auto& a = albums[static_cast<std::size_t>(i)];
        EXPECT_EQ(window->combo1->itemText(i), toQString(a.name + "(" + a.declaredCount + ")"));
        EXPECT_EQ(window->combo1->itemData(i).toInt(), integerValue(a.declaredCount));
    }
    EXPECT_EQ(window->combo1->currentIndex(), 0);
    EXPECT_TRUE(window->button2->isEnabled());
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(appState().busy, 0);
    EXPECT_EQ(window->progressBar1->value(), 0);
    EXPECT_EQ(appState().albumUrls[0], "http://" + host->hostAndPort() + albums[0].path);
}

TEST_F(ListingTest, MemberWithoutAlbumsAndUnknownMember) {
    host->addMember("nobody");
    start();
    for (const char* user : {"nobody", "no-such-member"}) {
        SCOPED_TRACE(user);
        listAlbumsOf(u("demo"));
        ASSERT_GT(window->combo1->count(), 0);
        listAlbumsOf(u(user));
        EXPECT_EQ(window->combo1->count(), 0);
        EXPECT_EQ(window->combo1->currentIndex(), -1);
        EXPECT_FALSE(window->button2->isEnabled());
        EXPECT_TRUE(shown.isEmpty());
    }
}

TEST_F(ListingTest, EmptyUserNameAsksForOneAndChangesNothing) {
    start();
    listAlbumsOf(u("demo"));
    const QStringList before = comboTexts();
    host->clearRequests();
    listAlbumsOf(u(" \u3000 \u3000"));
    EXPECT_EQ(shown, QStringList{u("请输入百度用户名。")});
    EXPECT_EQ(comboTexts(), before);
    EXPECT_TRUE(window->button2->isEnabled());
    EXPECT_TRUE(host->requests().empty());
}

TEST_F(ListingTest, EnterListsOtherKeysDoNot) {
    start();
    window->edit1->setText(u("demo"));
    window->edit1->setFocus();
    QTest::keyClick(window->edit1, Qt::Key_A);
    QTest::keyClick(window->edit1, Qt::Key_Backspace);
    EXPECT_EQ(window->combo1->count(), 0);
    EXPECT_TRUE(host->requests().empty());
    QTest::keyClick(window->edit1, Qt::Key_Return);
    EXPECT_GT(window->combo1->count(), 0);
    EXPECT_TRUE(window->button2->isEnabled());
}

TEST_F(ListingTest, TwoPageIndexProgressRunsTwice) {
    albumhost::HostOptions options;
    options.port = 0;
    options.demo = false;
    options.albumsPerPage = 2;
    host = std::make_unique<albumhost::AlbumHost>(options);
    for (const char* name : {"甲", "乙", "丙"})
        host->addAlbum("three", {name, albumhost::numberedPictures(2), {}});
    start();
    listAlbumsOf(u("three"));
    EXPECT_EQ(comboTexts(), (QStringList{u("甲(2)"), u("乙(2)"), u("丙(2)")}));
    // The position goes back to 0 before the maximum becomes twice the albums.
    const std::vector<std::pair<int, int>> expected = {{2, 1}, {2, 2}, {2, 0}, {6, 1}, {6, 2},
                                                       {6, 3}, {6, 4}, {6, 5}, {6, 6}, {6, 0}};
    EXPECT_EQ(progress, expected);
}

// An album of 5 pages of 4 pictures.
class FivePages : public ListingTest {
protected:
    void SetUp() override {
        albumhost::HostOptions options;
        options.port = 0;
        options.demo = false;
        options.picturesPerPage = 4;
        host = std::make_unique<albumhost::AlbumHost>(options);
        host->addAlbum("five", {"五页", albumhost::numberedPictures(20), {}});
    }
    std::vector<Text> servedNames(std::initializer_list<int> pages) const {
        const auto pictures = host->albums("five")[0].pictures;
        std::vector<Text> out;
        for (int page : pages)
            for (int i = 0; i < 4; ++i)
                out.push_back(pictures[static_cast<std::size_t>((page - 1) * 4 + i)].name);
        return out;
    }
};

TEST_F(FivePages, PageThreeFailingLeavesTheOthersInOrder) {
    start();
    listAlbumsOf(u("five"));
    const std::string page3 = host->albums("five")[0].path + "/index/2";
    host->addFault({page3, albumhost::Fault::serverError, 0, {}});
    progress.clear();
    listPicturesOf(0);
    EXPECT_EQ(appState().pageCount, 5);
    EXPECT_EQ(appState().pictureNames, servedNames({1, 2, 4, 5}));
    // Five page steps come first, each counted once, under the maximum 5 + 2 x 20.
    ASSERT_GE(progress.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(progress[static_cast<std::size_t>(i)], std::make_pair(45, i + 1));
    EXPECT_EQ(appState().busy, 0);
    EXPECT_TRUE(window->button1->isEnabled());
    EXPECT_TRUE(window->button6->isEnabled());
}

TEST_F(FivePages, PagesArrivingOutOfOrderStillGiveRecordsInPageOrder) {
    start();
    listAlbumsOf(u("five"));
    const std::string album = host->albums("five")[0].path;
    const int delays[] = {300, 200, 0, 100, 0};
    for (int i = 0; i < 5; ++i)
        host->addFault(
            {album + "/index/" + std::to_string(i), albumhost::Fault::delay, delays[i], {}});
    listPicturesOf(0);
    EXPECT_EQ(appState().pictureNames, servedNames({1, 2, 3, 4, 5}));
    const auto pictures = host->albums("five")[0].pictures;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(appState().thumbnailUrls[i],
                  "http://" + host->hostAndPort() + pictures[i].thumbnailPath);
        EXPECT_EQ(appState().pictureUrls[i],
                  "http://" + host->hostAndPort() + pictures[i].picturePath);
    }
}

TEST_F(ListingTest, GuardsOfThePictureListing) {
    albumhost::HostOptions options;
    options.port = 0;
    options.demo = false;
    options.picturesPerPage = 20;
    host = std::make_unique<albumhost::AlbumHost>(options);
    host->addAlbum("g", {"空", {}, {}});
    host->addAlbum("g", {"三十", albumhost::numberedPictures(30), {}});
    start();
    listAlbumsOf(u("g"));
    ASSERT_EQ(comboTexts(), (QStringList{u("空(0)"), u("三十(30)")}));

    // A declared count of 0: the message, and the buttons keep their states.
    host->clearRequests();
    listPicturesOf(0);
    EXPECT_EQ(shown, QStringList{u("该相册还没有图片。")});
    EXPECT_TRUE(window->button1->isEnabled());
    EXPECT_TRUE(window->button2->isEnabled());
    EXPECT_FALSE(window->button3->isEnabled());
    EXPECT_TRUE(host->requests().empty());

    // Two pages and a declared count of 30: maximum 2 + 2 x 30.
    shown.clear();
    progress.clear();
    listPicturesOf(1);
    EXPECT_TRUE(shown.isEmpty());
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().first, 62);
    EXPECT_EQ(appState().photoCount, 30);
    EXPECT_EQ(appState().pictureUrls.size(), 30u);
    EXPECT_TRUE(window->button3->isEnabled());
    EXPECT_TRUE(window->button4->isEnabled());
    EXPECT_TRUE(window->scrollBar1->isEnabled());

    // No selection: only the view reset.
    window->combo1->setCurrentIndex(-1);
    host->clearRequests();
    QTest::mouseClick(window->button2, Qt::LeftButton);
    EXPECT_TRUE(host->requests().empty());
    EXPECT_EQ(appState().pictureUrls.size(), 30u);
}

TEST_F(ListingTest, MoreRecordsThanDeclaredGrowTheGallery) {
    albumhost::HostOptions options;
    options.port = 0;
    options.demo = false;
    host = std::make_unique<albumhost::AlbumHost>(options);
    host->addAlbum("d", {"多", albumhost::numberedPictures(7), std::string("3")});
    host->addAlbum("d", {"少", albumhost::numberedPictures(2), std::string("5")});
    start();
    listAlbumsOf(u("d"));
    listPicturesOf(0);
    EXPECT_EQ(appState().photoCount, 7);
    EXPECT_EQ(appState().pictureUrls.size(), 7u);
    listPicturesOf(1);
    EXPECT_EQ(appState().photoCount, 5); // the declared count holds when more than found
    EXPECT_EQ(appState().pictureUrls.size(), 2u);
}

TEST_F(ListingTest, NothingStartsWhileAListingRuns) {
    albumhost::HostOptions options;
    options.port = 0;
    options.demo = false;
    options.picturesPerPage = 5;
    host = std::make_unique<albumhost::AlbumHost>(options);
    host->addAlbum("slow", {"慢", albumhost::numberedPictures(10), {}});
    start();
    listAlbumsOf(u("slow"));
    const std::string album = host->albums("slow")[0].path;
    host->addFault({album + "/index/1", albumhost::Fault::delay, 400, {}});
    host->clearRequests();

    bool poked = false;
    QTimer::singleShot(150, [&] {
        // Inside the running listing: every way of starting another one.
        QTest::mouseClick(window->button1, Qt::LeftButton);
        window->edit1->setFocus();
        QTest::keyClick(window->edit1, Qt::Key_Return);
        window->button2->setEnabled(true); // even if it were usable
        QTest::mouseClick(window->button2, Qt::LeftButton);
        window->refreshAction->trigger();
        poked = true;
    });
    listPicturesOf(0);
    ASSERT_TRUE(poked);
    EXPECT_EQ(shown, QStringList{u("程序正忙，请稍后再刷新。")});
    // One first page and two crew pages of the album, then its thumbnails: no index page.
    for (const auto& r : host->requests())
        EXPECT_EQ(r.target.find("/album/index"), std::string::npos) << r.target;
    EXPECT_EQ(appState().pictureUrls.size(), 10u);
    EXPECT_EQ(window->combo1->count(), 1);
}

} // namespace
} // namespace pv
