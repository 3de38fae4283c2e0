// The window 窗口 with every control in its place. Controls are found by their form names
// (objectName); the commands behind them are connected in startup.cpp.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

namespace pv {

class Canvas;
class CellCheckBox;
class GalleryScrollBar;
class PageFrame;
class PictureButton;
class UserNameEdit;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window-created step's widget half: the templates' colours.
    void setTemplateColours();

    QGroupBox* group1 = nullptr;             // 分组框1
    QLabel* transparentLabel1 = nullptr;     // 透明标签1
    UserNameEdit* edit1 = nullptr;           // 编辑框1
    QPushButton* button1 = nullptr;          // 按钮1 列出相册
    QLabel* transparentLabel2 = nullptr;     // 透明标签2
    QComboBox* combo1 = nullptr;             // 组合框1
    QPushButton* button2 = nullptr;          // 按钮2 列出图片
    QPushButton* button3 = nullptr;          // 按钮3 下载选中图片
    QPushButton* button4 = nullptr;          // 按钮4 下载该相册所有图片
    QPushButton* button6 = nullptr;          // 按钮6 退出
    QLabel* label1 = nullptr;                // 标签1
    QFrame* frame1 = nullptr;                // 外形框1
    QFrame* frame2 = nullptr;                // 外形框2, the viewport
    PageFrame* frame3 = nullptr;             // 外形框3, page frame 0
    PictureButton* pictureButton1 = nullptr; // 图形按钮1, the highlight
    Canvas* canvas1 = nullptr;               // 画板1, template of a cell's canvas
    CellCheckBox* checkBox1 = nullptr;       // 选择框1, template of a cell's check box
    GalleryScrollBar* scrollBar1 = nullptr;  // 纵向滚动条1
    QProgressBar* progressBar1 = nullptr;    // 进度条1
    QLabel* label2 = nullptr;                // 标签2

    QMenu* menu = nullptr;           // 选择, only ever shown as the gallery's pop-up menu
    QAction* reloadAction = nullptr; // 重新载入
    QAction* reloadSeparator = nullptr;
    QAction* selectAllAction = nullptr;  // 全选
    QAction* selectNoneAction = nullptr; // 全不选
    QAction* invertAction = nullptr;     // 反选
    QAction* refreshSeparator = nullptr;
    QAction* refreshAction = nullptr; // 刷新

signals:
    // The close box was pressed; the close guard decides (see startup.cpp).
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
};

// The one main window of the run, or nullptr before it exists.
MainWindow* mainWindow();

} // namespace pv
