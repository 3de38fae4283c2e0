#include "gallery/gallery.h"

#include "core/appstate.h"
#include "core/crew.h"
#include "core/windowport.h"
#include "gallery/canvas.h"
#include "gallery/cellcheckbox.h"
#include "gallery/celllayout.h"
#include "gallery/galleryscrollbar.h"
#include "gallery/pageframe.h"
#include "gallery/picturebutton.h"
#include "ui/mainwindow.h"
#include "ui/qtext.h"
#include "web/httpget.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

namespace pv {

namespace {

// Counts the galleries built and destroyed. Thumbnails are handed to the window thread
// with the number they were fetched for; those of a gallery that has gone are dropped.
std::atomic<std::uint64_t> galleryGeneration{0};

std::atomic<std::int64_t> connectSeconds{ThumbnailFetchLimits{}.connect.count()};
std::atomic<std::int64_t> totalSeconds{ThumbnailFetchLimits{}.total.count()};

// Window thread only: the latest reload asked for each cell, so that a slower earlier
// answer for the same cell does not overwrite a later one.
std::unordered_map<int, std::uint64_t> reloadTickets;
std::uint64_t lastReloadTicket = 0;

Bytes fetchThumbnail(const Text& address) {
    if (address.empty())
        return {};
    return httpGet(address, std::chrono::seconds(connectSeconds.load()),
                   std::chrono::seconds(totalSeconds.load()));
}

template <typename W> W* entry(const std::vector<ControlRef>& list, std::int64_t n) {
    if (n < 1 || n > static_cast<std::int64_t>(list.size()))
        return nullptr;
    return qobject_cast<W*>(list[static_cast<std::size_t>(n - 1)].data());
}

// The 1-based cell whose entry in `list` is `control`; 0 when none is.
int cellOf(const std::vector<ControlRef>& list, const QObject* control) {
    if (!control)
        return 0;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].data() == control)
            return static_cast<int>(i + 1);
    return 0;
}

std::size_t recordCount() {
    const ApplicationState& s = appState();
    return std::min(s.pictureUrls.size(), s.thumbnailUrls.size());
}

// 外形框3 for page 0, else page frame copy p; nullptr when it is not there.
QWidget* pageFrame(int p) {
    if (p == 0)
        return mainWindow()->frame3;
    return entry<QWidget>(appState().galleryPages, p);
}

void focusScrollBar() {
    mainWindow()->scrollBar1->setFocus(Qt::OtherFocusReason);
}

// The pop-up menu 选择, with 重新载入 and its separator only when opened from a canvas.
// popup() returns at once, so the item chosen runs from the menu's own event after it has
// closed, never inside the handler that opened it (which may belong to a cell that the
// item destroys).
void openMenu(const QPoint& globalPos, bool withReload) {
    MainWindow* w = mainWindow();
    w->reloadAction->setVisible(withReload);
    w->reloadSeparator->setVisible(withReload);
    const ApplicationState& s = appState();
    if (!s.busy && !s.galleryReplacing)
        w->menu->popup(globalPos + QPoint(3, 3));
    focusScrollBar();
}

void markCell(Canvas* canvas, bool rightButton, const QPoint& globalPos) {
    ApplicationState& s = appState();
    const int cell = cellOf(s.cellCanvases, canvas);
    if (cell == 0)
        return;
    s.currentCell = cell;
    MainWindow* w = mainWindow();
    PictureButton* highlight = w->pictureButton1;
    if (QWidget* frame = pageFrame((cell - 1) / layout::cellsPerPage)) {
        if (highlight->parentWidget() != frame)
            highlight->setParent(frame);
        highlight->move(canvas->x() - layout::highlightMargin,
                        canvas->y() - layout::highlightMargin);
        highlight->show();
        highlight->raise();
    }
    if (rightButton)
        openMenu(globalPos, true);
    else
        focusScrollBar();
}

void connectCanvas(Canvas* c) {
    QObject::connect(c, &Canvas::leftPressed, c, [c] { markCell(c, false, {}); });
    QObject::connect(c, &Canvas::rightReleased, c,
                     [c](const QPoint& pos) { markCell(c, true, pos); });
}

void connectCheckBox(CellCheckBox* b) {
    QObject::connect(b, &QAbstractButton::clicked, b, [] { focusScrollBar(); });
    QObject::connect(b, &CellCheckBox::rightReleased, b,
                     [](const QPoint& pos) { openMenu(pos, false); });
}

void connectPageFrame(PageFrame* f) {
    QObject::connect(f, &PageFrame::leftPressed, f, [] {
        mainWindow()->pictureButton1->hide();
        focusScrollBar();
    });
    QObject::connect(f, &PageFrame::rightReleased, f,
                     [](const QPoint& pos) { openMenu(pos, false); });
}

enum class Selection { All, None, Invert };

void selectCells(Selection how) {
    const ApplicationState& s = appState();
    const std::size_t records = recordCount();
    const std::int64_t n = std::min<std::int64_t>(s.photoCount, s.cellCheckBoxes.size());
    for (std::int64_t i = 1; i <= n; ++i) {
        auto* box = entry<QAbstractButton>(s.cellCheckBoxes, i);
        if (!box)
            continue;
        if (static_cast<std::size_t>(i) > records) {
            box->setChecked(false); // a cell without a picture has nothing to select
            continue;
        }
        switch (how) {
        case Selection::All:
            box->setChecked(true);
            break;
        case Selection::None:
            box->setChecked(false);
            break;
        case Selection::Invert:
            box->setChecked(!box->isChecked());
            break;
        }
    }
}

// The wheel turned over the gallery goes to the scroll bar, as it does where the wheel
// follows the keyboard focus (which the gallery keeps on the scroll bar).
class ViewportWheel : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel)
            return QObject::eventFilter(watched, event);
        if (mainWindow()->scrollBar1->isEnabled())
            wheelStep(static_cast<QWheelEvent*>(event)->angleDelta().y() / 120);
        event->accept();
        return true;
    }
};

// Page frame copies of earlier galleries, waiting out of sight to be deleted.
std::deque<QPointer<QWidget>> retiredPages;
constexpr int retiredTop = -(1 << 24);

void scheduleRetirement() {
    if (retiredPages.empty() || !mainWindow())
        return;
    QTimer::singleShot(0, mainWindow()->frame2, [] {
        while (!retiredPages.empty()) {
            QPointer<QWidget> page = retiredPages.front();
            retiredPages.pop_front();
            if (page) {
                delete page.data();
                break;
            }
        }
        scheduleRetirement();
    });
}

void showThumbnail(std::uint64_t generation, int cell, Bytes bytes) {
    if (!applicationStateExists() || generation != galleryGeneration.load())
        return;
    if (auto* canvas = entry<Canvas>(appState().cellCanvases, cell)) {
        canvas->setDisplayMode(Canvas::Fitted);
        canvas->setPicture(std::move(bytes));
    }
}

// One of the thumbnail crew: fetches thumbnails by item number and hands each one to the
// window thread, which sets it into the cell's canvas. Reads only thumbnailUrls and
// pictureUrls, which nothing changes while the crew runs.
void thumbnailWorker() {
    const ApplicationState& s = appState();
    const std::uint64_t generation = galleryGeneration.load();
    const auto count = static_cast<std::int32_t>(s.pictureUrls.size());
    CrewShift shift;
    while (int n = shift.take(count)) {
        const auto index = static_cast<std::size_t>(n - 1);
        Bytes bytes =
            index < s.thumbnailUrls.size() ? fetchThumbnail(s.thumbnailUrls[index]) : Bytes();
        // Posted even when empty: the cell still takes display mode 2 for a later reload.
        windowPort().post([generation, n, b = std::move(bytes)]() mutable {
            showThumbnail(generation, n, std::move(b));
        });
    }
}

void advanceProgress(QProgressBar* bar) {
    bar->setValue(bar->value() + 1);
}

// "(" + the cell's number + ")" + the picture's name. A "&" in a name (an entity such as
// &amp; stays as the page wrote it) is doubled: a button would take it for a shortcut mark,
// hide it and register a shortcut per cell.
QString caption(std::int64_t cell) {
    const ApplicationState& s = appState();
    Text t(1, '(');
    t += decimal(cell);
    t += ')';
    if (cell <= static_cast<std::int64_t>(s.pictureNames.size()))
        t += s.pictureNames[static_cast<std::size_t>(cell - 1)];
    return toQString(t).replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

void setThumbnailFetchLimits(ThumbnailFetchLimits limits) {
    connectSeconds = limits.connect.count();
    totalSeconds = limits.total.count();
}

ThumbnailFetchLimits thumbnailFetchLimits() {
    return {std::chrono::seconds(connectSeconds.load()), std::chrono::seconds(totalSeconds.load())};
}

void connectGallery(MainWindow& window) {
    connectCanvas(window.canvas1);
    connectCheckBox(window.checkBox1);
    connectPageFrame(window.frame3);
    PictureButton* highlight = window.pictureButton1;
    QObject::connect(highlight, &QAbstractButton::clicked, highlight, [] { focusScrollBar(); });
    QObject::connect(highlight, &PictureButton::rightReleased, highlight,
                     [](const QPoint& pos) { openMenu(pos, false); });
    GalleryScrollBar* bar = window.scrollBar1;
    QObject::connect(bar, &QAbstractSlider::valueChanged, bar, [] { placePageFrames(); });
    QObject::connect(bar, &GalleryScrollBar::wheelTurned, bar,
                     [](int notches) { wheelStep(notches); });
    window.frame2->installEventFilter(new ViewportWheel(window.frame2));
    QObject::connect(window.reloadAction, &QAction::triggered, [] { reloadThumbnail(); });
    QObject::connect(window.selectAllAction, &QAction::triggered,
                     [] { selectCells(Selection::All); });
    QObject::connect(window.selectNoneAction, &QAction::triggered,
                     [] { selectCells(Selection::None); });
    QObject::connect(window.invertAction, &QAction::triggered,
                     [] { selectCells(Selection::Invert); });
}

void resetGalleryView() {
    MainWindow* w = mainWindow();
    w->pictureButton1->hide();
    w->frame3->setGeometry(w->frame3->x(), 0, w->frame3->width(), layout::viewportHeight);
}

void destroyGalleryCells() {
    ApplicationState& s = appState();
    MainWindow* w = mainWindow();
    ++galleryGeneration;
    reloadTickets.clear();
    // The highlight outlives the page frame copy it may sit in; the next click on a
    // canvas moves it to where it belongs.
    if (w->pictureButton1->parentWidget() != w->frame3)
        w->pictureButton1->setParent(w->frame3);
    // The copies go out of sight and reach at once, and are deleted one per turn of the
    // event loop: a copy takes 1,200 controls with it, and a large album has dozens. Moved
    // away rather than hidden, which would tell each of its cells.
    for (auto& page : s.galleryPages) {
        if (QWidget* p = qobject_cast<QWidget*>(page.data())) {
            p->move(p->x(), retiredTop);
            retiredPages.push_back(p);
        }
    }
    s.galleryPages.clear(); // nothing may place them again
    scheduleRetirement();
    // The first page's cells live in 外形框3, which stays.
    for (auto* list : {&s.cellCanvases, &s.cellCheckBoxes}) {
        const std::size_t first = std::min<std::size_t>(list->size(), layout::cellsPerPage);
        for (std::size_t i = 0; i < first; ++i)
            delete (*list)[i].data();
    }
}

void buildGallery() {
    ApplicationState& s = appState();
    MainWindow* w = mainWindow();
    WindowPort& port = windowPort();
    ++galleryGeneration;
    const std::int64_t n = std::max<std::int32_t>(s.photoCount, 0);
    const std::size_t records = recordCount();

    s.cellCanvases.assign(static_cast<std::size_t>(n), ControlRef());
    s.cellCheckBoxes.assign(static_cast<std::size_t>(n), ControlRef());
    const std::int64_t pages = layout::pageCount(n);
    s.galleryPages.assign(static_cast<std::size_t>(std::max<std::int64_t>(pages - 1, 0)),
                          ControlRef());
    for (std::int64_t j = 1; j < pages; ++j) {
        PageFrame* page = w->frame3->makeCopy(w->frame2);
        page->move(w->frame3->x(), w->frame3->y() + layout::viewportHeight);
        connectPageFrame(page);
        page->show();
        s.galleryPages[static_cast<std::size_t>(j - 1)] = page;
    }

    for (std::int64_t i = 1; i <= n; ++i) {
        const layout::Place place = layout::canvasPlace(i);
        QWidget* frame = pageFrame(place.page);
        if (!frame)
            break; // a page frame copy that went away: nothing more can be placed
        // Made straight in their page frame: the same as a copy in 外形框3 moved there.
        Canvas* canvas = w->canvas1->makeCopy(frame);
        CellCheckBox* box = w->checkBox1->makeCopy(frame);
        const auto index = static_cast<std::size_t>(i - 1);
        s.cellCanvases[index] = canvas;
        s.cellCheckBoxes[index] = box;
        canvas->move(place.left, place.top);
        box->move(place.left, place.top + layout::checkBoxOffset);
        box->setText(caption(i));
        if (static_cast<std::size_t>(i) > records)
            box->setEnabled(false); // no picture behind the cell: nothing to check
        connectCanvas(canvas);
        connectCheckBox(box);
        canvas->show();
        box->show();
        advanceProgress(w->progressBar1);
        port.dispatchPending();
    }
    w->progressBar1->setValue(0);

    s.galleryScrollSpan = layout::scrollSpan(n);
    if (!s.galleryPages.empty()) {
        w->frame3->resize(w->frame3->width(), layout::fullPageHeight);
        for (std::size_t j = 1; j <= s.galleryPages.size(); ++j)
            if (QWidget* page = entry<QWidget>(s.galleryPages, static_cast<std::int64_t>(j)))
                page->resize(page->width(), j < s.galleryPages.size()
                                                ? w->frame3->height()
                                                : layout::copyPageHeight(n, j));
    } else {
        w->frame3->resize(w->frame3->width(), layout::firstPageHeight(n));
    }

    GalleryScrollBar* bar = w->scrollBar1;
    bar->setMaximum(static_cast<int>(n));
    bar->setMinimum(0);
    bar->setValue(0);
    bar->setPageStep(1);
    bar->setSingleStep(1);
    bar->setEnabled(n > 15); // up to 15 cells fit in the three rows in view
    focusScrollBar();
}

void loadThumbnails() {
    ApplicationState& s = appState();
    runCrew(thumbnailWorker);
    MainWindow* w = mainWindow();
    s.busy = 0;
    w->button1->setEnabled(true);
    w->button2->setEnabled(true);
    w->button6->setEnabled(true);
    w->button3->setEnabled(s.photoCount >= 1);
    w->button4->setEnabled(s.photoCount >= 1);
}

void reloadThumbnail() {
    ApplicationState& s = appState();
    const int cell = s.currentCell;
    auto* canvas = entry<Canvas>(s.cellCanvases, cell);
    if (!canvas)
        return;
    canvas->setPicture({});
    if (static_cast<std::size_t>(cell) > recordCount())
        return; // a cell without a picture record has nothing to fetch
    const Text address = s.thumbnailUrls[static_cast<std::size_t>(cell - 1)];
    const std::uint64_t generation = galleryGeneration.load();
    const std::uint64_t ticket = ++lastReloadTicket;
    reloadTickets[cell] = ticket;
    try {
        std::thread([address, generation, ticket, cell] {
            try {
                Bytes bytes = fetchThumbnail(address);
                windowPort().post([generation, ticket, cell, b = std::move(bytes)]() mutable {
                    if (!applicationStateExists() || generation != galleryGeneration.load())
                        return;
                    auto it = reloadTickets.find(cell);
                    if (it == reloadTickets.end() || it->second != ticket)
                        return;
                    reloadTickets.erase(it);
                    showThumbnail(generation, cell, std::move(b));
                });
            } catch (...) {
                // Nothing crosses the thread; the cell stays blank.
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to fetch with: the cell stays blank, as after a failed fetch.
    }
}

void placePageFrames() {
    ApplicationState& s = appState();
    MainWindow* w = mainWindow();
    const GalleryScrollBar* bar = w->scrollBar1;
    const double offset = layout::scrollOffset(s.galleryScrollSpan, bar->value(), bar->maximum());
    PageFrame* first = w->frame3;
    first->move(first->x(), layout::pageTop(offset, 0, 0));
    const int height = first->height();
    for (std::size_t k = 1; k <= s.galleryPages.size(); ++k)
        if (QWidget* page = entry<QWidget>(s.galleryPages, static_cast<std::int64_t>(k)))
            page->move(page->x(), layout::pageTop(offset, height, static_cast<int>(k)));
}

void wheelStep(int notches) {
    GalleryScrollBar* bar = mainWindow()->scrollBar1;
    bar->setValue(layout::wheelPosition(bar->value(), notches, bar->minimum(), bar->maximum()));
    placePageFrames();
}

} // namespace pv
