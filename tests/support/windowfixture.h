// The real main window offscreen on a fresh application state, its messages recorded; for
// the tests that drive the program as a user would.
#pragma once

#include "albumhost/albumhost.h"
#include "core/appstate.h"
#include "ui/mainwindow.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace pv::test {

class WindowFixture : public ::testing::Test {
protected:
    // Starts `host` (when set) and points the program at it, then opens the window.
    void openWindow();
    void TearDown() override;

    std::unique_ptr<albumhost::AlbumHost> host;
    MainWindow* window = nullptr;
    QStringList shown; // every message box's text, in order
};

} // namespace pv::test
