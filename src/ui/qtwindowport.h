// The window's side of WindowPort, over the Qt event loop.
#pragma once

#include "core/windowport.h"

#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QWidget>
#include <functional>

namespace pv {

class QtWindowPort : public WindowPort {
public:
    QtWindowPort(QWidget* window, QProgressBar* progress);

    void dispatchPending() override;
    void waitForEvents(std::chrono::microseconds timeout) override;
    void wake() override;
    void post(std::function<void()> change) override;
    void showMessage(const Text& text) override;
    Text pickFolder() override;
    void setProgressMaximum(int maximum) override;
    void setProgressPosition(int position) override;
    void advanceProgress() override;

    // Seams that tests replace: the message box and the folder picker.
    std::function<void(const QString& text)> messageBox;
    std::function<QString()> folderPicker;

private:
    QPointer<QWidget> window_;
    QPointer<QProgressBar> progress_;
};

} // namespace pv
