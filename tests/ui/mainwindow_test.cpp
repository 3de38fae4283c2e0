#include "core/appstate.h"
#include "gallery/canvas.h"
#include "gallery/picturebutton.h"
#include "support/testsupport.h"
#include "support/windowfixture.h"
#include "ui/mainwindow.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

PICVORA_TESTS_NEED_WIDGETS();

namespace pv {
namespace {

class MainWindowTest : public test::WindowFixture {
protected:
    void SetUp() override { openWindow(); }
    QWidget* control(const char* name) {
        return window->findChild<QWidget*>(QString::fromUtf8(name));
    }
};

struct ControlRow {
    const char* name;
    const char* parent;
    QRect geometry;
    const char* caption; // nullptr: no caption to check
    bool enabled;
    bool visible;
};

TEST_F(MainWindowTest, EveryControlInItsPlace) {
    const ControlRow rows[] = {
        {"分组框1", "窗口", {4, -3, 886, 658}, nullptr, true, true},
        {"透明标签1", "分组框1", {16, 16, 124, 22}, "输入百度用户名    ↓", true, true},
        {"编辑框1", "分组框1", {16, 38, 146, 20}, "", true, true},
        {"按钮1", "分组框1", {167, 19, 64, 40}, "列出相册", true, true},
        {"透明标签2", "分组框1", {237, 16, 169, 22}, "选择该用户相册名称        ↓", true, true},
        {"组合框1", "分组框1", {237, 38, 265, 20}, nullptr, true, true},
        {"按钮2", "分组框1", {516, 28, 64, 31}, "列出图片", false, true},
        {"按钮3", "分组框1", {586, 27, 114, 32}, "下载选中图片", false, true},
        {"按钮4", "分组框1", {708, 27, 116, 32}, "下载该相册所有图片", false, true},
        {"按钮6", "分组框1", {836, 27, 35, 32}, "退出", true, true},
        {"标签1", "分组框1", {668, 11, 216, 16}, nullptr, true, true},
        {"外形框1", "分组框1", {16, 69, 855, 545}, nullptr, true, true},
        {"外形框2", "外形框1", {2, 2, 835, 541}, nullptr, true, true},
        {"外形框3", "外形框2", {0, 0, 835, 541}, nullptr, true, true},
        {"图形按钮1", "外形框3", {166, 8, 162, 175}, nullptr, true, false},
        {"画板1", "外形框3", {8, 13, 150, 143}, nullptr, true, false},
        {"选择框1", "外形框3", {8, 156, 150, 20}, "照片名字", true, false},
        {"纵向滚动条1", "外形框1", {837, 2, 16, 541}, nullptr, false, true},
        {"进度条1", "分组框1", {16, 615, 855, 12}, nullptr, true, true},
        {"标签2", "分组框1", {508, 627, 400, 24}, nullptr, true, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget* w = control(r.name);
        ASSERT_NE(w, nullptr);
        ASSERT_NE(w->parentWidget(), nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), QString::fromUtf8(r.parent));
        EXPECT_EQ(w->geometry(), r.geometry);
        EXPECT_EQ(w->isEnabled(), r.enabled);
        EXPECT_EQ(w->isVisible(), r.visible);
        if (r.caption) {
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                text = b->text();
            else if (auto* l = qobject_cast<QLabel*>(w))
                text = l->text();
            else if (auto* e = qobject_cast<QLineEdit*>(w))
                text = e->text();
            EXPECT_EQ(text, QString::fromUtf8(r.caption));
        }
    }
    EXPECT_TRUE(window->label1->text().startsWith(QString::fromUtf8("开源地址官方地址：")));
    EXPECT_TRUE(window->label2->text().startsWith(
        QString::fromUtf8("本软件使用了开源项目、本软件完全免费。更新地址")));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Picvora"));
    EXPECT_EQ(window->combo1->count(), 0);
    EXPECT_EQ(window->progressBar1->value(), 0);
}

TEST_F(MainWindowTest, TemplatesAndHighlightPicture) {
    EXPECT_EQ(window->canvas1->backgroundColour(), QColor(255, 255, 255));
    EXPECT_EQ(window->canvas1->penColour().rgb(), QColor(192, 192, 192).rgb());
    EXPECT_EQ(window->pictureButton1->transparentColour(), QColor(Qt::white));
    const QImage pic = PictureButton::highlightPicture();
    EXPECT_EQ(pic.size(), QSize(162, 175));
    const QRgb frame = qRgb(242, 193, 209);
    EXPECT_EQ(pic.pixel(0, 0), frame);
    EXPECT_EQ(pic.pixel(5, 87), frame);
    EXPECT_EQ(pic.pixel(161, 174), frame);
    EXPECT_EQ(pic.pixel(6, 6), qRgb(255, 255, 255));
    EXPECT_EQ(pic.pixel(155, 168), qRgb(255, 255, 255));
    EXPECT_EQ(pic.pixel(156, 169), frame);
}

TEST_F(MainWindowTest, PopupMenuItems) {
    QMenu* menu = window->findChild<QMenu*>(QString::fromUtf8("选择"));
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 7);
    const char* texts[] = {"重新载入", "", "全选", "全不选", "反选", "", "刷新"};
    const bool visible[] = {false, false, true, true, true, true, true};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i]->isSeparator(), texts[i][0] == '\0');
        if (!items[i]->isSeparator()) {
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(texts[i]));
        }
        EXPECT_EQ(items[i]->isVisible(), visible[i]);
    }
    EXPECT_FALSE(menu->isVisible());
}

int exitCode = -1;
void recordExit(int code) {
    exitCode = code;
}

TEST_F(MainWindowTest, CloseGuard) {
    setProcessExit(recordExit);
    struct Case {
        const char* how;
        int busy;
    } cases[] = {{"close box", 1}, {"按钮6", 1}, {"close box", 0}, {"按钮6", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        exitCode = -1;
        shown.clear();
        appState().busy = c.busy;
        if (std::string(c.how) == "close box")
            window->close();
        else
            QTest::mouseClick(window->button6, Qt::LeftButton);
        if (c.busy) {
            EXPECT_EQ(shown, QStringList{QString::fromUtf8("程序正忙，请稍后再关闭。")});
            EXPECT_EQ(exitCode, -1);
            EXPECT_TRUE(window->isVisible());
        } else {
            EXPECT_TRUE(shown.isEmpty());
            EXPECT_EQ(exitCode, 0);
        }
    }
    setProcessExit([](int code) { std::quick_exit(code); });
}

TEST_F(MainWindowTest, RefreshWhileBusyIsRefused) {
    appState().busy = 1;
    window->refreshAction->trigger();
    EXPECT_EQ(shown, QStringList{QString::fromUtf8("程序正忙，请稍后再刷新。")});
}

// The real program: 按钮6 with nothing running ends the process with code 0, after the
// state was released exactly once.
TEST(ProgramEnd, QuitButtonEndsWithCodeZero) {
    EXPECT_EXIT(
        {
            releaseApplicationState();
            createApplicationState();
            std::at_quick_exit([] {
                std::fputs(applicationStateExists() ? "state left\n" : "state released\n", stderr);
            });
            std::at_quick_exit(releaseApplicationState);
            MainWindow* w = createMainWindow();
            w->show();
            QTest::mouseClick(w->button6, Qt::LeftButton);
            std::fputs("still running\n", stderr);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "state released");
}

} // namespace
} // namespace pv
