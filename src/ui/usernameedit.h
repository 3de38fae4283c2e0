// The user-name box 编辑框1, which reports every released key.
#pragma once

#include <QKeyEvent>
#include <QLineEdit>

namespace pv {

class UserNameEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    // Key code 13 for Enter (either Return or the keypad's Enter), else Qt's key code.
    void keyReleased(int keyCode);

protected:
    void keyReleaseEvent(QKeyEvent* event) override {
        QLineEdit::keyReleaseEvent(event);
        const int key = event->key();
        if (!event->isAutoRepeat())
            emit keyReleased(key == Qt::Key_Return || key == Qt::Key_Enter ? 13 : key);
    }
};

} // namespace pv
