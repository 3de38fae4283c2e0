#include "ui/qtwindowport.h"

#include "ui/messages.h"
#include "ui/qtext.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace pv {

QtWindowPort::QtWindowPort(QWidget* window, QProgressBar* progress)
    : window_(window), progress_(progress) {
    messageBox = [this](const QString& text) {
        QMessageBox box(QMessageBox::Information, QString::fromUtf8(messages::title), text,
                        QMessageBox::Ok, window_);
        box.exec();
    };
    folderPicker = [this]() {
        QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (start.isEmpty() || !QDir(start).exists())
            start = QDir::homePath();
        return QFileDialog::getExistingDirectory(window_,
                                                 QString::fromUtf8(messages::pickFolderTitle),
                                                 start, QFileDialog::ShowDirsOnly);
    };
}

void QtWindowPort::dispatchPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtWindowPort::waitForEvents(std::chrono::microseconds timeout) {
    if (timeout.count() <= 0) {
        dispatchPending();
        return;
    }
    // A precise single-shot timer bounds the wait; wake() or any event ends it sooner.
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    const auto ms = (timeout.count() + 999) / 1000;
    timer.start(static_cast<int>(std::min<std::int64_t>(ms, 24LL * 3600 * 1000)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtWindowPort::wake() {
    if (auto* dispatcher =
            QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()))
        dispatcher->wakeUp();
}

void QtWindowPort::post(std::function<void()> change) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(change),
                              Qt::QueuedConnection);
}

void QtWindowPort::showMessage(const Text& text) {
    if (messageBox)
        messageBox(toQString(text));
}

Text QtWindowPort::pickFolder() {
    return folderPicker ? fromQString(folderPicker()) : Text();
}

void QtWindowPort::setProgressMaximum(int maximum) {
    if (progress_)
        progress_->setMaximum(std::max(maximum, 0));
}

void QtWindowPort::setProgressPosition(int position) {
    if (progress_)
        progress_->setValue(position);
}

void QtWindowPort::advanceProgress() {
    QPointer<QProgressBar> bar = progress_;
    post([bar] {
        if (bar)
            bar->setValue(bar->value() + 1);
    });
}

} // namespace pv
