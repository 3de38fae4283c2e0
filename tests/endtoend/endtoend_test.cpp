// The whole program driven as a user drives it: the real window offscreen, the album host
// with its demo member, a folder picked through the picker's seam.
#include "albumhost/albumhost.h"
#include "core/appstate.h"
#include "core/servicehost.h"
#include "gallery/cellcheckbox.h"
#include "support/testsupport.h"
#include "support/windowfixture.h"
#include "ui/mainwindow.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"
#include "ui/usernameedit.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>

PICVORA_TESTS_NEED_WIDGETS();

namespace pv {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> folderFiles(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) {
        std::ifstream in(e.path(), std::ios::binary);
        files[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

// "0007.jpg" -> "0007(1).jpg"
std::string withCounter(const std::string& name, int k) {
    const auto dot = name.find('.');
    const std::string counter = "(" + std::to_string(k) + ")";
    return dot == std::string::npos ? name + counter
                                    : name.substr(0, dot) + counter + name.substr(dot);
}

class EndToEnd : public test::WindowFixture {
protected:
    void SetUp() override {
        albumhost::HostOptions options;
        options.port = 0;
        host = std::make_unique<albumhost::AlbumHost>(options);
        openWindow();
        ASSERT_TRUE(folder.isValid());
        mainWindowPort()->folderPicker = [this] { return folder.path(); };
    }
    CellCheckBox* checkBox(int cell) {
        return qobject_cast<CellCheckBox*>(
            appState().cellCheckBoxes[static_cast<std::size_t>(cell - 1)].data());
    }
    void chooseFromPopupMenu(QWidget* at, QAction* item) {
        QTest::mouseClick(at, Qt::RightButton, {}, QPoint(5, 5));
        QMenu* menu = window->menu;
        ASSERT_TRUE(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        QApplication::processEvents();
    }

    QTemporaryDir folder;
};

TEST_F(EndToEnd, ListCheckDownloadThenDownloadAllAgain) {
    // The user name, then Enter.
    window->edit1->setFocus();
    QTest::keyClicks(window->edit1, "demo");
    QTest::keyClick(window->edit1, Qt::Key_Return);
    ASSERT_GT(window->combo1->count(), 0);
    EXPECT_TRUE(window->button2->isEnabled());

    // The album in the drop-down, then 列出图片; the click returns once thumbnails are in.
    const auto albums = host->albums("demo");
    const int item = 0;
    const auto& album = albums[item];
    window->combo1->setCurrentIndex(item);
    QTest::mouseClick(window->button2, Qt::LeftButton);
    const auto count = static_cast<int>(album.pictures.size());
    ASSERT_EQ(appState().photoCount, count);
    ASSERT_EQ(static_cast<int>(appState().cellCheckBoxes.size()), count);
    EXPECT_TRUE(window->button3->isEnabled());

    // 全选 from the pop-up menu, then two cells unchecked by hand.
    chooseFromPopupMenu(checkBox(1), window->selectAllAction);
    for (int i = 1; i <= count; ++i)
        ASSERT_TRUE(checkBox(i)->isChecked()) << i;
    const int unchecked[] = {2, 5};
    for (int cell : unchecked)
        QTest::mouseClick(checkBox(cell), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_FALSE(checkBox(2)->isChecked());
    EXPECT_FALSE(checkBox(5)->isChecked());

    // 下载选中图片 into the folder.
    QTest::mouseClick(window->button3, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.back(), QString::fromUtf8("已成功下载%1张图片。").arg(count - 2));

    const fs::path dir = folder.path().toStdString();
    auto files = folderFiles(dir);
    std::map<std::string, std::string> expected;
    for (int i = 1; i <= count; ++i) {
        if (i == 2 || i == 5)
            continue;
        const auto& p = album.pictures[static_cast<std::size_t>(i - 1)];
        expected[gbkToUtf8(p.fileName)] = host->contentAt(p.picturePath);
    }
    EXPECT_EQ(files, expected);

    // 下载该相册所有图片 into the same folder: every checked picture again under "(1)".
    QTest::mouseClick(window->button4, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown.back(), QString::fromUtf8("已成功下载%1张图片。").arg(count));
    files = folderFiles(dir);
    for (int i = 1; i <= count; ++i) {
        const auto& p = album.pictures[static_cast<std::size_t>(i - 1)];
        const std::string name = gbkToUtf8(p.fileName);
        const std::string bytes = host->contentAt(p.picturePath);
        if (i == 2 || i == 5) {
            EXPECT_EQ(files[name], bytes) << name;
            EXPECT_EQ(files.count(withCounter(name, 1)), 0u) << name;
        } else {
            EXPECT_EQ(files[name], bytes) << name;
            EXPECT_EQ(files[withCounter(name, 1)], bytes) << name;
        }
    }
    EXPECT_EQ(static_cast<int>(files.size()), 2 * count - 2);
    EXPECT_TRUE(window->button2->isEnabled());
    EXPECT_EQ(window->progressBar1->value(), 0);
}

TEST_F(EndToEnd, RepeatedFileNamesAllArriveUnderFreeNames) {
    window->edit1->setText("demo");
    QTest::mouseClick(window->button1, Qt::LeftButton);
    const auto albums = host->albums("demo");
    int item = -1;
    for (std::size_t i = 0; i < albums.size(); ++i)
        if (albums[i].name == utf8ToGbk("同名文件"))
            item = static_cast<int>(i);
    ASSERT_GE(item, 0);
    window->combo1->setCurrentIndex(item);
    QTest::mouseClick(window->button2, Qt::LeftButton);
    QTest::mouseClick(window->button4, Qt::LeftButton);

    // Which of two same-named pictures gets the plain name depends on the workers, so
    // compare contents per name family.
    std::multimap<std::string, std::string> served; // file name -> bytes
    for (const auto& p : albums[static_cast<std::size_t>(item)].pictures)
        served.emplace(gbkToUtf8(p.fileName), host->contentAt(p.picturePath));
    const auto files = folderFiles(folder.path().toStdString());
    ASSERT_EQ(files.size(), served.size());
    std::multiset<std::string> want, got;
    for (const auto& [name, bytes] : served)
        want.insert(bytes);
    for (const auto& [name, bytes] : files) {
        got.insert(bytes);
        bool fromItsFamily = false;
        for (const auto& [servedName, servedBytes] : served)
            if (servedBytes == bytes)
                for (int k = 0; k <= static_cast<int>(served.size()); ++k)
                    fromItsFamily |= (k == 0 ? servedName : withCounter(servedName, k)) == name;
        EXPECT_TRUE(fromItsFamily) << name;
    }
    EXPECT_EQ(got, want);
}

} // namespace
} // namespace pv
