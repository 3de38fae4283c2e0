// Shared helpers of the tests.
#pragma once

#include "core/appstate.h"
#include "core/windowport.h"

#include <gtest/gtest.h>

// Put once into a test executable whose tests use widgets: the test main then makes a
// QApplication instead of a QCoreApplication.
#define PICVORA_TESTS_NEED_WIDGETS() extern "C" const bool picvoraTestsNeedWidgets = true

namespace pv::test {

// A fresh application state with compiled patterns and a QueuePort installed; the port's
// messages and progress are there to inspect.
class StateFixture : public ::testing::Test {
protected:
    void SetUp() override {
        releaseApplicationState();
        createApplicationState();
        compilePatternsAndCreateLock();
        setWindowPort(&port);
    }
    void TearDown() override {
        setWindowPort(nullptr);
        releaseApplicationState();
    }
    QueuePort port;
};

} // namespace pv::test
