#include "ui/mainwindow.h"

#include "gallery/canvas.h"
#include "gallery/cellcheckbox.h"
#include "gallery/galleryscrollbar.h"
#include "gallery/pageframe.h"
#include "gallery/picturebutton.h"
#include "ui/usernameedit.h"

#include <QCloseEvent>

namespace pv {

namespace {

MainWindow* theWindow = nullptr;

template <typename W> W* place(W* w, const char* name, int x, int y, int width, int height) {
    w->setObjectName(QString::fromUtf8(name));
    w->setGeometry(x, y, width, height);
    return w;
}

QLabel* transparentLabel(QWidget* parent, const char* name, const char* text, int x, int y,
                         int width, int height) {
    auto* l = place(new QLabel(QString::fromUtf8(text), parent), name, x, y, width, height);
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->setAutoFillBackground(false);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int x, int y, int width,
                    int height, bool enabled) {
    auto* b = place(new QPushButton(QString::fromUtf8(caption), parent), name, x, y, width, height);
    b->setEnabled(enabled);
    return b;
}

} // namespace

MainWindow* mainWindow() {
    return theWindow;
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    theWindow = this;
    setObjectName(QString::fromUtf8("窗口"));
    setWindowTitle(QStringLiteral("Picvora"));
    // Outer size 894 x 685 at 50,50; the client area holds 分组框1 at 4,-3 (886 x 658).
    setFixedSize(890, 655);
    move(50, 50);

    group1 = place(new QGroupBox(this), "分组框1", 4, -3, 886, 658);
    group1->setFlat(false);

    transparentLabel1 =
        transparentLabel(group1, "透明标签1", "输入百度用户名    ↓", 16, 16, 124, 22);
    edit1 = place(new UserNameEdit(group1), "编辑框1", 16, 38, 146, 20);
    button1 = button(group1, "按钮1", "列出相册", 167, 19, 64, 40, true);
    transparentLabel2 =
        transparentLabel(group1, "透明标签2", "选择该用户相册名称        ↓", 237, 16, 169, 22);
    combo1 = place(new QComboBox(group1), "组合框1", 237, 38, 265, 20);
    combo1->setEditable(false);
    button2 = button(group1, "按钮2", "列出图片", 516, 28, 64, 31, false);
    button3 = button(group1, "按钮3", "下载选中图片", 586, 27, 114, 32, false);
    button4 = button(group1, "按钮4", "下载该相册所有图片", 708, 27, 116, 32, false);
    button6 = button(group1, "按钮6", "退出", 836, 27, 35, 32, true);
    label1 = place(new QLabel(QString::fromUtf8("开源地址官方地址："), group1), "标签1", 668, 11,
                   216, 16);

    frame1 = place(new QFrame(group1), "外形框1", 16, 69, 855, 545);
    frame1->setFrameShape(QFrame::StyledPanel);
    frame2 = place(new QFrame(frame1), "外形框2", 2, 2, 835, 541);
    frame3 = place(new PageFrame(frame2), "外形框3", 0, 0, 835, 541);
    frame3->setAutoFillBackground(true);

    pictureButton1 = place(new PictureButton(frame3), "图形按钮1", 166, 8, 162, 175);
    pictureButton1->setPicture(PictureButton::highlightPicture());
    pictureButton1->hide();
    canvas1 = place(new Canvas(frame3), "画板1", 8, 13, 150, 143);
    canvas1->hide();
    checkBox1 =
        place(new CellCheckBox(QString::fromUtf8("照片名字"), frame3), "选择框1", 8, 156, 150, 20);
    checkBox1->hide();

    scrollBar1 = place(new GalleryScrollBar(frame1), "纵向滚动条1", 837, 2, 16, 541);
    scrollBar1->setRange(0, 0); // nothing to scroll until a gallery is built
    scrollBar1->setEnabled(false);

    progressBar1 = place(new QProgressBar(group1), "进度条1", 16, 615, 855, 12);
    progressBar1->setTextVisible(false);
    progressBar1->setRange(0, 1);
    progressBar1->setValue(0);

    label2 = place(
        new QLabel(QString::fromUtf8("本软件使用了开源项目、本软件完全免费。更新地址"), group1),
        "标签2", 508, 627, 400, 24);

    menu = new QMenu(this);
    menu->setObjectName(QString::fromUtf8("选择"));
    reloadAction = menu->addAction(QString::fromUtf8("重新载入"));
    reloadSeparator = menu->addSeparator();
    selectAllAction = menu->addAction(QString::fromUtf8("全选"));
    selectNoneAction = menu->addAction(QString::fromUtf8("全不选"));
    invertAction = menu->addAction(QString::fromUtf8("反选"));
    refreshSeparator = menu->addSeparator();
    refreshAction = menu->addAction(QString::fromUtf8("刷新"));
    reloadAction->setVisible(false);
    reloadSeparator->setVisible(false);
}

MainWindow::~MainWindow() {
    if (theWindow == this)
        theWindow = nullptr;
}

void MainWindow::setTemplateColours() {
    canvas1->setPenColour(QColor(192, 192, 192));
    canvas1->setBackgroundColour(QColor(255, 255, 255));
    QPalette pal = checkBox1->palette();
    pal.setColor(QPalette::Window, Qt::white);
    checkBox1->setPalette(pal);
    checkBox1->setAutoFillBackground(true);
    pictureButton1->setTransparentColour(Qt::white);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The guard decides; the window itself never closes on its own.
    event->ignore();
    emit closeRequested();
}

} // namespace pv
