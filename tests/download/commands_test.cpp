#include "albumhost/albumhost.h"
#include "core/appstate.h"
#include "download/downloadworker.h"
#include "download/pendingpicture.h"
#include "gallery/gallery.h"
#include "scratchfolder.h"
#include "support/testsupport.h"
#include "ui/mainwindow.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"
#include "ui/usernameedit.h"

#include <QAbstractButton>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

PICVORA_TESTS_NEED_WIDGETS();

namespace pv {
namespace {

using Entries = std::map<std::string, std::string>;

// What the window showed when the folder picker or a message box came up.
struct Snapshot {
    QString text;
    int maximum = -1;
    int value = -1;
    bool buttonsEnabled = false; // 按钮2, 按钮3 and 按钮4 all enabled
};

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        releaseApplicationState();
        createApplicationState();
        window = createMainWindow();
        QtWindowPort* port = mainWindowPort();
        port->messageBox = [this](const QString& t) { messages.push_back(snapshot(t)); };
        port->folderPicker = [this] {
            pickerShown.push_back(snapshot({}));
            return QString::fromStdString(folderAnswer);
        };
        window->show();

        albumhost::HostOptions options;
        options.port = 0;
        options.demo = false;
        host = std::make_unique<albumhost::AlbumHost>(options);
        ASSERT_TRUE(host->start()) << host->error();
        folderAnswer = folder.text();
    }
    void TearDown() override {
        host.reset();
        setWindowPort(nullptr);
        delete window;
        releaseApplicationState();
    }

    Snapshot snapshot(const QString& text) const {
        return {text, window->progressBar1->maximum(), window->progressBar1->value(),
                window->button2->isEnabled() && window->button3->isEnabled() &&
                    window->button4->isEnabled()};
    }

    // A listed album of `records` pictures shown in `cells` gallery cells, the buttons as
    // a listing leaves them.
    void listAlbum(int records, int cells) {
        albumhost::AlbumSpec wanted{"album", albumhost::numberedPictures(records, 64, 48), {}};
        host->addAlbum("tester", wanted);
        pictures = host->albums("tester").at(0).pictures;
        ApplicationState& s = appState();
        for (const auto& p : pictures)
            s.pictureUrls.push_back("http://" + host->hostAndPort() + p.picturePath);
        s.photoCount = cells;
        buildGallery();
        for (QWidget* b : {window->button2, window->button3, window->button4})
            b->setEnabled(true);
    }
    QAbstractButton* cell(int i) const {
        return qobject_cast<QAbstractButton*>(
            appState().cellCheckBoxes.at(static_cast<std::size_t>(i - 1)).data());
    }
    std::string served(int i) const {
        return test::digest(
            host->contentAt(pictures.at(static_cast<std::size_t>(i - 1)).picturePath));
    }
    std::string fileOf(int i) const {
        return gbkToUtf8(pictures.at(static_cast<std::size_t>(i - 1)).fileName);
    }
    // Runs `step` on the window thread as soon as `count` pictures are in flight.
    void whenInFlight(std::size_t count, std::function<void()> step) {
        auto* timer = new QTimer(window);
        QObject::connect(timer, &QTimer::timeout, [timer, count, step] {
            if (pendingPictureCount() < count)
                return;
            timer->stop();
            step();
        });
        timer->start(5);
    }
    std::size_t listingRequests() const {
        std::size_t n = 0;
        for (const auto& r : host->requests())
            n += r.target.find("/pic/") == std::string::npos;
        return n;
    }

    MainWindow* window = nullptr;
    std::unique_ptr<albumhost::AlbumHost> host;
    std::vector<albumhost::PictureInfo> pictures;
    test::ScratchFolder folder;
    std::string folderAnswer;
    std::vector<Snapshot> messages;
    std::vector<Snapshot> pickerShown;
};

TEST_F(CommandsTest, QueueOfThreeFillsTheBarBeforeTheMessage) {
    listAlbum(3, 3);
    QTest::mouseClick(window->button4, Qt::LeftButton);

    ASSERT_EQ(pickerShown.size(), 1u);
    EXPECT_EQ(pickerShown[0].maximum, 3);
    EXPECT_EQ(pickerShown[0].value, 0);
    EXPECT_FALSE(pickerShown[0].buttonsEnabled);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("已成功下载3张图片。"));
    EXPECT_EQ(messages[0].maximum, 3);
    EXPECT_EQ(messages[0].value, 3);
    EXPECT_FALSE(messages[0].buttonsEnabled);
    // After the message.
    EXPECT_EQ(window->progressBar1->value(), 0);
    EXPECT_TRUE(window->button2->isEnabled());
    EXPECT_TRUE(window->button3->isEnabled());
    EXPECT_TRUE(window->button4->isEnabled());
    EXPECT_FALSE(appState().commandActive);
    EXPECT_EQ(folder.entries(),
              (Entries{{fileOf(1), served(1)}, {fileOf(2), served(2)}, {fileOf(3), served(3)}}));
}

TEST_F(CommandsTest, SelectedWithoutACheckedCell) {
    listAlbum(3, 3);
    QTest::mouseClick(window->button3, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("没有选中的图片！"));
    EXPECT_TRUE(messages[0].buttonsEnabled);
    EXPECT_TRUE(pickerShown.empty());
    EXPECT_TRUE(appState().downloadQueue.empty());
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(CommandsTest, NothingListedNothingToDownload) {
    for (QPushButton* b : {window->button3, window->button4}) {
        messages.clear();
        b->setEnabled(true);
        QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, QString::fromUtf8("没有可以下载的图片"));
    }
    EXPECT_TRUE(pickerShown.empty());
}

TEST_F(CommandsTest, SelectedSavesTheCheckedCellsWithARecord) {
    listAlbum(4, 5); // cell 5 has no picture record
    cell(1)->setChecked(true);
    cell(3)->setChecked(true);
    cell(5)->setChecked(true); // disabled, but a selection command may still check it
    QTest::mouseClick(window->button3, Qt::LeftButton);
    EXPECT_EQ(appState().downloadQueue, (std::vector<std::int32_t>{1, 3}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("已成功下载2张图片。"));
    EXPECT_EQ(messages[0].maximum, 2);
    EXPECT_EQ(folder.entries(), (Entries{{fileOf(1), served(1)}, {fileOf(3), served(3)}}));
}

TEST_F(CommandsTest, AllCheckedQueuesWhatDownloadAllQueues) {
    listAlbum(4, 4);
    for (int i = 1; i <= 4; ++i)
        cell(i)->setChecked(true);
    QTest::mouseClick(window->button3, Qt::LeftButton);
    const auto selected = appState().downloadQueue;
    QTest::mouseClick(window->button4, Qt::LeftButton);
    EXPECT_EQ(selected, appState().downloadQueue);
    EXPECT_EQ(selected, (std::vector<std::int32_t>{1, 2, 3, 4}));
}

TEST_F(CommandsTest, PickerCancelled) {
    listAlbum(2, 2);
    folderAnswer.clear();
    QTest::mouseClick(window->button4, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("没有选择保存路径！"));
    EXPECT_TRUE(window->button2->isEnabled() && window->button3->isEnabled() &&
                window->button4->isEnabled());
    EXPECT_EQ(window->progressBar1->value(), 0);
    EXPECT_TRUE(host->requests().empty());
}

// While the crew runs the window keeps working, but nothing may start a listing, and
// changing a check box does not change what is being saved.
TEST_F(CommandsTest, NoListingDuringADownload) {
    listAlbum(2, 2);
    host->addFault({"/tester/album/1/pic/*", albumhost::Fault::delay, 400, {}});
    cell(1)->setChecked(true);
    cell(2)->setChecked(true);
    window->edit1->setText("tester");
    bool ranDuringCrew = false;
    whenInFlight(2, [&] {
        ranDuringCrew = appState().crewRunning.load();
        cell(2)->setChecked(false);
        QTest::mouseClick(window->button1, Qt::LeftButton);
        QTest::keyClick(window->edit1, Qt::Key_Return);
        window->refreshAction->trigger();
    });
    QTest::mouseClick(window->button3, Qt::LeftButton);

    EXPECT_TRUE(ranDuringCrew);
    EXPECT_FALSE(cell(2)->isChecked());
    EXPECT_EQ(appState().downloadQueue, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(listingRequests(), 0u);
    EXPECT_TRUE(appState().albumUrls.empty());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("程序正忙，请稍后再刷新。"));
    EXPECT_EQ(messages[1].text, QString::fromUtf8("已成功下载2张图片。"));
    EXPECT_EQ(folder.entries(), (Entries{{fileOf(1), served(1)}, {fileOf(2), served(2)}}));
}

int exitCode = -1;

TEST_F(CommandsTest, ClosingDuringADownloadLeavesNoTemporaryFile) {
    listAlbum(3, 3);
    host->addFault({"/tester/album/1/pic/*", albumhost::Fault::delay, 800, {}});
    exitCode = -1;
    setProcessExit([](int code) { exitCode = code; });
    std::size_t inFlight = 0;
    Entries afterClose{{"<not closed>", ""}};
    whenInFlight(3, [&] {
        inFlight = folder.entries().size();
        QTest::mouseClick(window->button6, Qt::LeftButton); // busy is 0: the program ends
        afterClose = folder.entries();
    });
    QTest::mouseClick(window->button4, Qt::LeftButton);
    setProcessExit([](int code) { std::quick_exit(code); });

    EXPECT_EQ(inFlight, 6u); // a name and a temporary file for each picture
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(afterClose.empty());
    EXPECT_TRUE(folder.entries().empty()); // the workers that went on left nothing either
}

} // namespace
} // namespace pv
