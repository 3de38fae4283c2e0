// Marking cells, the highlight, the pop-up menu and the selection commands.
#include "galleryfixture.h"

#include "ui/usernameedit.h"

#include <QBuffer>
#include <QMenu>

namespace pv {
namespace {

using GalleryNavigation = test::GalleryFixture;

TEST_F(GalleryNavigation, HighlightMovesBetweenPageFrames) {
    build(1000);
    PictureButton* highlight = window->pictureButton1;
    struct Step {
        int cell;
        int page;
    } steps[] = {{601, 1}, {3, 0}, {1000, 1}, {1, 0}};
    for (const Step& st : steps) {
        SCOPED_TRACE(st.cell);
        window->scrollBar1->clearFocus();
        QTest::mousePress(canvas(st.cell), Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_EQ(appState().currentCell, st.cell);
        EXPECT_EQ(highlight->parentWidget(), page(st.page));
        EXPECT_EQ(highlight->pos(), canvas(st.cell)->pos() - QPoint(6, 6));
        EXPECT_TRUE(highlight->isVisibleTo(page(st.page)));
        EXPECT_EQ(window->focusWidget(), window->scrollBar1);
        EXPECT_FALSE(window->menu->isVisible());
    }
    // A press on empty space of a page frame hides the highlight and keeps currentCell.
    QTest::mousePress(window->frame3, Qt::LeftButton, {}, QPoint(830, 5));
    EXPECT_FALSE(highlight->isVisible());
    EXPECT_EQ(appState().currentCell, 1);
    // The hidden template is no cell.
    QTest::mousePress(window->canvas1, Qt::LeftButton);
    EXPECT_EQ(appState().currentCell, 1);
}

TEST_F(GalleryNavigation, HighlightFramesTheCellAndLetsItShowThrough) {
    build(20);
    QImage picture(150, 143, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    canvas(7)->setPicture([&] {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
    }());
    QTest::mousePress(canvas(7), Qt::LeftButton);
    const QImage view = window->frame3->grab().toImage();
    const QPoint cell = canvas(7)->pos();
    const QRgb frame = qRgb(242, 193, 209);
    EXPECT_EQ(view.pixel(cell + QPoint(-3, 70)), frame);
    EXPECT_EQ(view.pixel(cell + QPoint(75, -3)), frame);
    EXPECT_EQ(view.pixel(cell + QPoint(152, 160)), frame);
    EXPECT_EQ(view.pixel(cell + QPoint(75, 70)), qRgb(0, 0, 255)) << "the thumbnail shows";
    // A click inside the frame reaches the cell under it.
    const QPoint inside = window->pictureButton1->mapTo(window, QPoint(80, 80));
    EXPECT_EQ(window->childAt(inside), canvas(7));
}

TEST_F(GalleryNavigation, ThePressOnACanvasDoesNotReachItsPageFrame) {
    build(20);
    QTest::mousePress(canvas(2), Qt::LeftButton);
    QTest::mouseRelease(canvas(2), Qt::LeftButton);
    EXPECT_TRUE(window->pictureButton1->isVisible());
}

TEST_F(GalleryNavigation, HighlightFindsItsFrameAfterTheGalleryIsReplaced) {
    build(700);
    QTest::mousePress(canvas(650), Qt::LeftButton);
    ASSERT_EQ(window->pictureButton1->parentWidget(), page(1));
    build(1300);
    EXPECT_FALSE(window->pictureButton1->isVisible());
    QTest::mousePress(canvas(1250), Qt::LeftButton);
    EXPECT_EQ(window->pictureButton1->parentWidget(), page(2));
    EXPECT_TRUE(window->pictureButton1->isVisible());
}

struct MenuCase {
    const char* what;
    int busy;
    bool replacing;
    bool opens;
};

TEST_F(GalleryNavigation, RightClickOnACanvas) {
    build(20);
    const MenuCase cases[] = {
        {"nothing running", 0, false, true},
        {"busy", 1, false, false},
        {"gallery being replaced", 0, true, false},
    };
    int cell = 1;
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.what);
        appState().busy = c.busy;
        appState().galleryReplacing = c.replacing;
        window->reloadAction->setVisible(false);
        ++cell;
        const QPoint at(30, 25);
        QTest::mousePress(canvas(cell), Qt::RightButton, {}, at);
        QTest::mouseRelease(canvas(cell), Qt::RightButton, {}, at);
        // The cell is marked whatever runs.
        EXPECT_EQ(appState().currentCell, cell);
        EXPECT_EQ(window->pictureButton1->pos(), canvas(cell)->pos() - QPoint(6, 6));
        EXPECT_TRUE(window->pictureButton1->isVisible());
        EXPECT_TRUE(window->reloadAction->isVisible());
        EXPECT_TRUE(window->reloadSeparator->isVisible());
        EXPECT_EQ(window->menu->isVisible(), c.opens);
        if (c.opens) {
            EXPECT_EQ(window->menu->pos(), canvas(cell)->mapToGlobal(at) + QPoint(3, 3));
        }
        EXPECT_EQ(window->focusWidget(), window->scrollBar1);
        window->menu->hide();
    }
}

TEST_F(GalleryNavigation, MenuWithoutReloadElsewhere) {
    build(20);
    QTest::mousePress(canvas(4), Qt::LeftButton);
    struct Source {
        const char* what;
        QWidget* widget;
        QPoint at;
    } sources[] = {
        {"check box", box(2), {10, 10}},
        {"page frame", window->frame3, {830, 5}},
        {"highlight", window->pictureButton1, {2, 2}},
    };
    for (int busy : {0, 1}) {
        for (const Source& src : sources) {
            SCOPED_TRACE(testing::Message() << src.what << (busy ? " while busy" : ""));
            appState().busy = busy;
            window->reloadAction->setVisible(true);
            window->reloadSeparator->setVisible(true);
            QTest::mousePress(src.widget, Qt::RightButton, {}, src.at);
            QTest::mouseRelease(src.widget, Qt::RightButton, {}, src.at);
            EXPECT_FALSE(window->reloadAction->isVisible());
            EXPECT_FALSE(window->reloadSeparator->isVisible());
            EXPECT_EQ(window->menu->isVisible(), busy == 0);
            // Neither the highlight nor currentCell follow these.
            EXPECT_EQ(appState().currentCell, 4);
            EXPECT_TRUE(window->pictureButton1->isVisible());
            window->menu->hide();
        }
    }
}

TEST_F(GalleryNavigation, ChosenItemRunsAfterTheMenuHasClosed) {
    build(3);
    QTest::mousePress(canvas(1), Qt::RightButton);
    QTest::mouseRelease(canvas(1), Qt::RightButton);
    ASSERT_TRUE(window->menu->isVisible());
    bool menuOpenWhenRun = true;
    int runs = 0;
    QObject::connect(window->selectAllAction, &QAction::triggered, [&] {
        menuOpenWhenRun = window->menu->isVisible();
        ++runs;
    });
    const QPoint item = window->menu->actionGeometry(window->selectAllAction).center();
    QTest::mouseClick(window->menu, Qt::LeftButton, {}, item);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(menuOpenWhenRun);
    EXPECT_EQ(checks(), (QList<bool>{true, true, true}));
}

TEST_F(GalleryNavigation, ClicksGiveTheFocusBackToTheScrollBar) {
    build(20);
    QTest::mousePress(canvas(7), Qt::LeftButton);
    struct Click {
        const char* what;
        QWidget* widget;
        QPoint at;
    } clicks[] = {
        {"check box", box(2), {8, 10}},
        {"highlight", window->pictureButton1, {2, 2}},
        {"page frame", window->frame3, {830, 5}},
    };
    for (const Click& c : clicks) {
        SCOPED_TRACE(c.what);
        window->edit1->setFocus();
        QTest::mouseClick(c.widget, Qt::LeftButton, {}, c.at);
        EXPECT_EQ(window->focusWidget(), window->scrollBar1);
    }
    EXPECT_TRUE(box(2)->isChecked());
}

TEST_F(GalleryNavigation, SelectionCommands) {
    build(3);
    for (int n : {1, 3})
        QTest::mouseClick(box(n), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(checks(), (QList<bool>{true, false, true}));
    window->invertAction->trigger();
    EXPECT_EQ(checks(), (QList<bool>{false, true, false}));
    window->selectNoneAction->trigger();
    EXPECT_EQ(checks(), (QList<bool>{false, false, false}));
    window->selectAllAction->trigger();
    EXPECT_EQ(checks(), (QList<bool>{true, true, true}));
}

TEST_F(GalleryNavigation, CellsWithoutARecordStayUnchecked) {
    build(5, 3);
    QTest::mouseClick(box(5), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_FALSE(box(5)->isChecked());
    window->selectAllAction->trigger();
    EXPECT_EQ(checks(), (QList<bool>{true, true, true, false, false}));
    window->invertAction->trigger();
    EXPECT_EQ(checks(), (QList<bool>{false, false, false, false, false}));
    window->invertAction->trigger();
    EXPECT_EQ(checks(), (QList<bool>{true, true, true, false, false}));
}

TEST_F(GalleryNavigation, SelectionAfterTheCellsWereDestroyed) {
    build(3);
    resetGalleryView();
    destroyGalleryCells();
    // The lists still name the destroyed cells: the commands pass over them.
    window->selectAllAction->trigger();
    window->invertAction->trigger();
    appState().currentCell = 2;
    window->reloadAction->trigger();
    SUCCEED();
}

} // namespace
} // namespace pv
