#include "ui/startup.h"

#include "core/appstate.h"
#include "gallery/gallery.h"
#include "ui/downloadcommands.h"
#include "ui/listalbums.h"
#include "ui/listpictures.h"
#include "ui/mainwindow.h"
#include "ui/messages.h"
#include "ui/qtext.h"
#include "ui/qtwindowport.h"
#include "ui/usernameedit.h"
#include "web/webinit.h"

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace pv {

namespace {
std::unique_ptr<QtWindowPort> thePort;
} // namespace

QtWindowPort* mainWindowPort() {
    return thePort.get();
}

void windowCreatedStep(MainWindow& window) {
    window.setTemplateColours();
    compilePatternsAndCreateLock();
}

void closeGuard() {
    if (appState().busy) {
        windowPort().showMessage(gbk(messages::busyClose));
        return;
    }
    windowDestroyingStep();
}

void refreshGuard() {
    // A download or the first page of a listing does not set busy, but a refresh then would
    // pull the records from under it all the same.
    if (appState().busy || appState().commandActive) {
        windowPort().showMessage(gbk(messages::busyRefresh));
        return;
    }
    listPictures();
}

MainWindow* createMainWindow() {
    markWindowThread();
    auto* window = new MainWindow;
    thePort = std::make_unique<QtWindowPort>(window, window->progressBar1);
    setWindowPort(thePort.get());
    windowCreatedStep(*window);

    QObject::connect(window, &MainWindow::closeRequested, [] { closeGuard(); });
    QObject::connect(window->button6, &QPushButton::clicked, [] { closeGuard(); });
    connectGallery(*window);
    QObject::connect(window->button1, &QPushButton::clicked, [] { listAlbums(); });
    QObject::connect(window->edit1, &UserNameEdit::keyReleased, [](int key) {
        if (key == 13)
            listAlbums();
    });
    QObject::connect(window->button2, &QPushButton::clicked, [] { listPictures(); });
    QObject::connect(window->button3, &QPushButton::clicked, [] { downloadSelected(); });
    QObject::connect(window->button4, &QPushButton::clicked, [] { downloadAll(); });
    QObject::connect(window->refreshAction, &QAction::triggered, [] { refreshGuard(); });
    return window;
}

int runProgram(int argc, char** argv) {
    initialiseWeb(); // before any thread exists, the toolkit's own included
    QApplication app(argc, argv);
    createApplicationState();
    std::atexit(releaseApplicationState);
    std::at_quick_exit(releaseApplicationState);
    MainWindow* window = createMainWindow();
    window->show();
    QApplication::exec();
    // The loop only ends through the close guard, which ends the process; should the
    // platform stop it some other way, end the same way.
    windowDestroyingStep();
    return 0;
}

} // namespace pv
