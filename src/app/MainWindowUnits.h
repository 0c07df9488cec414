// SPDX-License-Identifier: GPL-3.0-or-later
// The units of the main window: every widget, timer, socket and menu it holds,
// each a child of the window whose objectName is its unit name, created with
// its caption and rectangle. The window layout, the handlers and the status
// display reach the units through this record.
#pragma once

#include <QRect>

#include "app/UnitGeometry.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QTreeWidget;
class QUdpSocket;
class QWidget;

namespace lumora {

class ListColumnHandle;
class OpenAddressWindow;
class StatusBarUnit;

// Columns of the catalogue list.
enum CatalogueColumn : int {
    kTitleColumn = 0,    // "写真视频": the video's title
    kPageColumn = 1,     // "网址": the detail page
    kAddressColumn = 2,  // "地址": the playable address, once resolved
};

// Sections of the status bar.
enum StatusSection : int {
    kStateSection = 0,   // play state, or the programme playing
    kBufferSection = 1,  // buffer state
    kVolumeSection = 2,  // "音量：N%"
    kTimeSection = 3,    // position/duration
};

struct MainWindowUnits {
    QTreeWidget* catalogueList = nullptr;  // 超级列表框1
    QWidget* videoArea = nullptr;          // 图片框1, parent of the playback engines
    ListColumnHandle* listHandle = nullptr;  // the grip between the list and the picture

    QPushButton* nextBatchButton = nullptr;   // 打开文件 ("换一批")
    QPushButton* playButton = nullptr;        // 播放按钮
    QPushButton* stopButton = nullptr;        // 停止按钮
    QPushButton* exitButton = nullptr;        // 退出按钮
    QPushButton* muteButton = nullptr;        // 静音按钮
    QPushButton* fullScreenButton = nullptr;  // 全屏按钮
    QPushButton* aboutButton = nullptr;       // 按钮关于
    QPushButton* downloadButton = nullptr;    // 按钮下载

    QSlider* volumeSlider = nullptr;     // 滑块条_声道, 0..100
    QLabel* volumeLabel = nullptr;       // 标签_音量文字
    QSlider* progressSlider = nullptr;   // 进度滑块条, maximum = duration in seconds
    StatusBarUnit* statusBar = nullptr;  // 播放状态条

    QCheckBox* fullScreenMode = nullptr;  // 全屏模式: checked while in full screen
    QRadioButton* localState = nullptr;   // 本网状态: checked while a local file plays
    QUdpSocket* handoffSocket = nullptr;  // 系统数据

    QTimer* positionTimer = nullptr;     // 实时时钟
    QTimer* dragTimer = nullptr;         // 拉动时钟
    QTimer* seekSettleTimer = nullptr;   // 延时时钟
    QTimer* delayedPlayTimer = nullptr;  // 延时播放时钟

    QMenu* fileMenu = nullptr;                 // 文件, the list's pop-up menu
    QAction* openLocalFileAction = nullptr;    // 打开本地文件
    QAction* openNetworkFileAction = nullptr;  // 打开网络文件
    QAction* downloadFileAction = nullptr;     // 下载文件
    QAction* playAction = nullptr;             // 播放
    QAction* exitAction = nullptr;             // 退出

    OpenAddressWindow* openAddressWindow = nullptr;  // 打开地址窗口
};

// Creates every unit as a child of `window`, all timers stopped.
MainWindowUnits CreateMainWindowUnits(QWidget& window);

}  // namespace lumora
