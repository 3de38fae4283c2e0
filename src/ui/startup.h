// Start-up, the wiring of the window's events to the commands, and the two guards.
#pragma once

namespace pv {

class MainWindow;
class QtWindowPort;

// The whole program: start-up, the message loop, the end. Returns the exit code.
int runProgram(int argc, char** argv);

// Creates the window and its port, runs the window-created step and connects every event
// of the window to its command. The caller has created the application state.
MainWindow* createMainWindow();
QtWindowPort* mainWindowPort();

// The window-created step: the templates' colours, the six patterns, workLock.
void windowCreatedStep(MainWindow& window);

// The close box and 按钮6: refused with a message while busy, else the program ends.
void closeGuard();
// 刷新: refused with a message while busy, else the album is listed again.
void refreshGuard();

} // namespace pv
