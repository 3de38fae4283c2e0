// Test main: a QApplication where the executable's tests need widgets (they say so with
// PICVORA_TESTS_NEED_WIDGETS), a QCoreApplication elsewhere.
#include "core/appstate.h"

#include <QApplication>
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

extern "C" {
__attribute__((weak)) extern const bool picvoraTestsNeedWidgets;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (&picvoraTestsNeedWidgets != nullptr && picvoraTestsNeedWidgets) {
        qputenv("QT_QPA_PLATFORM",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
