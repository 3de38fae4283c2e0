// Building the gallery: cells, page frames, heights, span and the scroll bar; placing the
// page frames from the scroll bar and the wheel.
#include "gallery/celllayout.h"
#include "galleryfixture.h"

#include <QKeySequence>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

PICVORA_TESTS_NEED_WIDGETS();

namespace pv {
namespace {

using test::GalleryFixture;
using GalleryLayout = GalleryFixture;

constexpr int row = 179;

TEST_F(GalleryLayout, PageFramesHeightsSpanAndScrollBar) {
    struct Case {
        int n;
        int firstHeight;
        std::vector<int> copyHeights;
        std::int64_t span;
        bool enabled;
    } cases[] = {
        {1, 183, {}, -358, false},
        {6, 362, {}, -179, false},
        {15, 541, {}, 0, false},
        {16, 720, {}, 179, true},
        {600, 21484, {}, 120 * row - 537, true},
        {601, 21484, {541}, 121 * row - 537, true},
        {1200, 21484, {21484}, 240 * row - 537, true},
        {1201, 21484, {21484, 541}, 241 * row - 537, true},
        {2000, 21484, {21484, 21484, 40 * row + 4}, 400 * row - 537, true},
    };
    ApplicationState& s = appState();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        // A scrolled previous gallery must not leak its position into the new one.
        window->scrollBar1->setValue(window->scrollBar1->maximum());
        window->progressBar1->setRange(0, 100000);
        window->progressBar1->setValue(7);
        int highest = 0, steps = 0;
        auto watch =
            QObject::connect(window->progressBar1, &QProgressBar::valueChanged, [&](int v) {
                highest = std::max(highest, v);
                ++steps;
            });
        build(c.n);
        QObject::disconnect(watch);

        EXPECT_EQ(highest, 7 + c.n) << "advanced once per cell";
        EXPECT_EQ(steps, c.n + 1) << "one step per cell, then back to 0";
        EXPECT_EQ(window->progressBar1->value(), 0);

        ASSERT_EQ(s.cellCanvases.size(), static_cast<std::size_t>(c.n));
        ASSERT_EQ(s.galleryPages.size(), c.copyHeights.size());
        EXPECT_EQ(window->frame3->height(), c.firstHeight);
        EXPECT_EQ(window->frame3->y(), 0);
        for (std::size_t j = 0; j < c.copyHeights.size(); ++j) {
            SCOPED_TRACE(j + 1);
            QWidget* copy = page(static_cast<int>(j + 1));
            ASSERT_NE(copy, nullptr);
            EXPECT_EQ(copy->parentWidget(), window->frame2);
            EXPECT_EQ(copy->height(), c.copyHeights[j]);
            EXPECT_EQ(copy->width(), 835);
            EXPECT_TRUE(copy->isVisible());
        }
        EXPECT_EQ(s.galleryScrollSpan, c.span);

        GalleryScrollBar* bar = window->scrollBar1;
        EXPECT_EQ(bar->maximum(), c.n);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->value(), 0);
        EXPECT_EQ(bar->pageStep(), 1);
        EXPECT_EQ(bar->singleStep(), 1);
        EXPECT_EQ(bar->isEnabled(), c.enabled);
        if (c.enabled) {
            EXPECT_EQ(window->focusWidget(), bar);
        }
        EXPECT_TRUE(canvas(c.n)->isVisible());
        EXPECT_TRUE(box(c.n)->isVisible());
    }
}

TEST_F(GalleryLayout, CellPlaces) {
    build(1000);
    struct Case {
        int cell;
        int page;
        QPoint canvasAt;
    } cases[] = {
        {1, 0, {12, 12}},
        {5, 0, {676, 12}},
        {6, 0, {12, 191}},
        {7, 0, {178, 191}},
        {600, 0, {676, 12 + 119 * row}},
        {601, 1, {12, 12}},
        {607, 1, {178, 191}},
        {1000, 1, {676, 12 + 79 * row}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        Canvas* cv = canvas(c.cell);
        CellCheckBox* cb = box(c.cell);
        EXPECT_EQ(cv->parentWidget(), page(c.page));
        EXPECT_EQ(cb->parentWidget(), page(c.page));
        EXPECT_EQ(cv->geometry(), QRect(c.canvasAt, QSize(150, 143)));
        EXPECT_EQ(cb->geometry(), QRect(c.canvasAt + QPoint(0, 143), QSize(150, 20)));
    }
    // The copy waits just below the view until the gallery is scrolled.
    EXPECT_EQ(page(1)->pos(), QPoint(0, 541));
    // The templates stay as they were.
    EXPECT_FALSE(window->canvas1->isVisible());
    EXPECT_EQ(window->canvas1->geometry(), QRect(8, 13, 150, 143));
}

TEST_F(GalleryLayout, CopiesCarryTheTemplatesSettings) {
    build(2);
    Canvas* c = canvas(2);
    EXPECT_EQ(c->backgroundColour(), window->canvas1->backgroundColour());
    EXPECT_EQ(c->penColour(), window->canvas1->penColour());
    EXPECT_EQ(box(2)->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(box(2)->autoFillBackground());
    EXPECT_EQ(box(2)->font(), window->checkBox1->font());
}

TEST_F(GalleryLayout, Captions) {
    const std::vector<Text> names = {"sea", "", gbk("海边"), "R&amp;B"};
    std::vector<Text> thumbs(names.size(), "http://127.0.0.1:9/t.jpg");
    buildWith(6, thumbs, names);
    // "&" doubled, so that the box shows it instead of taking it for a shortcut.
    const char* expected[] = {"(1)sea", "(2)", "(3)海边", "(4)R&&amp;B", "(5)", "(6)"};
    for (int n = 1; n <= 6; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(box(n)->text(), QString::fromUtf8(expected[n - 1]));
        // Cells beyond the records have nothing to select.
        EXPECT_EQ(box(n)->isEnabled(), n <= 4);
    }
    EXPECT_TRUE(QKeySequence::mnemonic(box(4)->text()).isEmpty());
    build(12);
    EXPECT_EQ(box(12)->text(), QStringLiteral("(12)p12"));
}

// Places the page frames for `position` and answers the tops of 外形框3 and copy 1.
std::pair<int, int> topsAt(MainWindow* w, int position) {
    w->scrollBar1->setValue(position);
    const auto& pages = appState().galleryPages;
    const int copy = pages.empty() ? 0 : qobject_cast<QWidget*>(pages[0].data())->y();
    return {w->frame3->y(), copy};
}

TEST_F(GalleryLayout, PlacingThePageFrames) {
    struct Case {
        int n;
        int position;
        int first;
        int copy; // unused without a copy
    } cases[] = {
        // s = 20 x 179 - 537 = 3043: -1521.5 drops its half toward zero.
        {100, 50, -1521, 0},
        {100, 100, -3043, 0},
        {100, 0, 0, 0},
        // s = 35263, H = 21484: o = -35.263; the copy's sum is truncated once, one pixel
        // above -35 + 21478.
        {1000, 1, -35, 21442},
        {1000, 0, 0, 21478},
        {1000, 1000, -35263, -35263 + 21478},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " cells at " << c.position);
        if (static_cast<int>(appState().cellCanvases.size()) != c.n)
            build(c.n);
        window->scrollBar1->setValue(c.position == 0 ? 1 : 0); // a change to report
        const auto [first, copy] = topsAt(window, c.position);
        EXPECT_EQ(first, c.first);
        if (!appState().galleryPages.empty()) {
            EXPECT_EQ(copy, c.copy);
        }
    }
}

TEST_F(GalleryLayout, EveryCopyMovesWithTheFirst) {
    build(2000);
    window->scrollBar1->setValue(777);
    const double o = -static_cast<double>(appState().galleryScrollSpan) * 777 / 2000;
    EXPECT_EQ(window->frame3->y(), static_cast<int>(o));
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(page(k)->y(), static_cast<int>(o + 21478.0 * k)) << k;
}

void turnWheel(QWidget* over, int angle) {
    const QPointF at(over->width() / 2.0, over->height() / 2.0);
    QWheelEvent e(at, over->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    // As from the system: only such wheel events travel on to the parents (sendEvent would
    // take that mark away again).
    QSpontaneKeyEvent::setSpontaneous(&e);
    qApp->notify(over, &e);
}

TEST_F(GalleryLayout, WheelSteps) {
    build(100);
    GalleryScrollBar* bar = window->scrollBar1;
    struct Case {
        const char* what;
        int from;
        int angle;
        int to;
    } cases[] = {
        {"one notch toward the user", 10, -120, 11},
        {"one notch away", 10, 120, 9},
        {"three notches at once", 10, -360, 13},
        {"less than a notch", 10, -119, 10},
        {"a notch and a half", 10, 180, 9},
        {"toward the user at the last position", 100, -120, 100},
        {"away at position 0", 0, 120, 0},
        {"far past the end", 98, -1200, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bar->setValue(c.from);
        const int firstTop = window->frame3->y();
        turnWheel(bar, c.angle);
        EXPECT_EQ(bar->value(), c.to);
        EXPECT_EQ(
            window->frame3->y(),
            static_cast<int>(-static_cast<double>(appState().galleryScrollSpan) * c.to / 100));
        if (c.from == c.to) {
            EXPECT_EQ(window->frame3->y(), firstTop) << "the page frames stay";
        }
    }
    // Over the cells the wheel works the same.
    bar->setValue(20);
    turnWheel(canvas(1), -240);
    EXPECT_EQ(bar->value(), 22);
    turnWheel(box(3), 120);
    EXPECT_EQ(bar->value(), 21);
}

TEST_F(GalleryLayout, WheelDoesNothingWhileEverythingFits) {
    build(15);
    ASSERT_FALSE(window->scrollBar1->isEnabled());
    turnWheel(canvas(1), -120);
    EXPECT_EQ(window->scrollBar1->value(), 0);
    EXPECT_EQ(window->frame3->y(), 0);
}

TEST_F(GalleryLayout, ListingAgainLeavesNoWidgetsBehind) {
    auto widgets = [this] { return window->findChildren<QWidget*>().size(); };
    const auto before = widgets();
    for (int round = 0; round < 5; ++round) {
        build(2000);
        EXPECT_EQ(widgets(), before + 4000 + 3) << round;
        // Scroll into the last copy and mark a cell there: the highlight sits in a copy.
        window->scrollBar1->setValue(2000);
        QTest::mouseClick(canvas(1999), Qt::LeftButton);
        ASSERT_EQ(window->pictureButton1->parentWidget(), page(3));
        const std::vector<ControlRef> pages = appState().galleryPages;
        resetGalleryView();
        destroyGalleryCells();
        for (const auto& p : pages)
            EXPECT_FALSE(
                qobject_cast<QWidget*>(p.data())->geometry().intersects(window->frame2->rect()))
                << "out of sight at once";
        // The copies are deleted one per turn of the event loop.
        EXPECT_TRUE(QTest::qWaitFor([&] { return widgets() == before; }, 5000)) << round;
        for (const auto& c : appState().cellCanvases)
            EXPECT_TRUE(c.isNull());
        for (const auto& p : pages)
            EXPECT_TRUE(p.isNull());
        // The highlight survived its page frame.
        EXPECT_EQ(window->pictureButton1->parentWidget(), window->frame3);
        EXPECT_FALSE(window->pictureButton1->isVisible());
    }
}

} // namespace
} // namespace pv
