#include "app/MainWindow.h"

namespace lumora {

MainWindow::MainWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("主窗口"));
    // The title bar doubles as the status line of the catalogue and downloads.
    setWindowTitle(QStringLiteral("Lumora视频播放器"));
    resize(kMainWindowWidth, kMainWindowHeight);
    units_ = CreateMainWindowUnits(*this);
}

}  // namespace lumora
