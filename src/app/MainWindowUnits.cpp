// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindowUnits.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>

#include "app/ListColumnHandle.h"
#include "app/OpenAddressWindow.h"
#include "app/StatusBarUnit.h"

namespace lumora {

namespace {

template <typename Unit>
Unit* Place(Unit* unit, const QString& name, const QRect& rect) {
    unit->setObjectName(name);
    unit->setGeometry(rect);
    return unit;
}

QPushButton* MakeButton(QWidget& window, const QString& name, const QString& caption, const QRect& rect) {
    return Place(new QPushButton(caption, &window), name, rect);
}

QSlider* MakeSlider(QWidget& window, const QString& name, int maximum, int position, const QRect& rect) {
    auto* slider = Place(new QSlider(Qt::Horizontal, &window), name, rect);
    slider->setRange(0, maximum);
    slider->setValue(position);
    return slider;
}

// Timers start stopped with interval 0; a handler starts one by giving it an
// interval above 0.
QTimer* MakeTimer(QWidget& window, const QString& name) {
    auto* timer = new QTimer(&window);
    timer->setObjectName(name);
    timer->setInterval(0);
    return timer;
}

QAction* AddMenuCommand(QMenu& menu, const QString& caption) {
    QAction* action = menu.addAction(caption);
    action->setObjectName(caption);
    return action;
}

}  // namespace

MainWindowUnits CreateMainWindowUnits(QWidget& window) {
    MainWindowUnits u;

    u.catalogueList = Place(new QTreeWidget(&window), QStringLiteral("超级列表框1"), geometry::kCatalogueList);
    u.catalogueList->setRootIsDecorated(false);
    u.catalogueList->setItemsExpandable(false);
    u.catalogueList->setUniformRowHeights(true);
    u.catalogueList->setSelectionMode(QAbstractItemView::SingleSelection);
    u.catalogueList->setSelectionBehavior(QAbstractItemView::SelectRows);
    u.catalogueList->setHeaderLabels({QStringLiteral("写真视频"), QStringLiteral("网址"), QStringLiteral("地址")});
    // Only the title shows; the identifier and the resolved address ride along.
    u.catalogueList->setColumnWidth(kTitleColumn, 100);
    u.catalogueList->hideColumn(kPageColumn);
    u.catalogueList->hideColumn(kAddressColumn);

    u.videoArea = Place(new QWidget(&window), QStringLiteral("图片框1"), geometry::kVideoArea);
    QPalette black = u.videoArea->palette();
    black.setColor(QPalette::Window, Qt::black);
    u.videoArea->setPalette(black);
    u.videoArea->setAutoFillBackground(true);

    u.listHandle = new ListColumnHandle(window);
    u.listHandle->Place(geometry::kCatalogueList.width(), geometry::kCatalogueList.height());

    u.nextBatchButton =
        MakeButton(window, QStringLiteral("打开文件"), QStringLiteral("换一批"), geometry::kNextBatchButton.created);
    u.playButton =
        MakeButton(window, QStringLiteral("播放按钮"), QStringLiteral("播放/暂停"), geometry::kPlayButton.created);
    u.stopButton =
        MakeButton(window, QStringLiteral("停止按钮"), QStringLiteral("停止"), geometry::kStopButton.created);
    u.exitButton =
        MakeButton(window, QStringLiteral("退出按钮"), QStringLiteral("退出"), geometry::kExitButton.created);
    u.muteButton =
        MakeButton(window, QStringLiteral("静音按钮"), QStringLiteral("静音"), geometry::kMuteButton.created);
    u.fullScreenButton =
        MakeButton(window, QStringLiteral("全屏按钮"), QStringLiteral("全屏"), geometry::kFullScreenButton.created);
    u.aboutButton =
        MakeButton(window, QStringLiteral("按钮关于"), QStringLiteral("关于"), geometry::kAboutButton.created);
    u.downloadButton =
        MakeButton(window, QStringLiteral("按钮下载"), QStringLiteral("下载"), geometry::kDownloadButton.created);

    u.volumeSlider = MakeSlider(window, QStringLiteral("滑块条_声道"), 100, 45, geometry::kVolumeSlider.created);
    u.volumeLabel =
        Place(new QLabel(QStringLiteral("音量"), &window), QStringLiteral("标签_音量文字"), geometry::kVolumeLabel);
    u.progressSlider = MakeSlider(window, QStringLiteral("进度滑块条"), 0, 0, geometry::kProgressSlider);

    u.statusBar = Place(new StatusBarUnit(&window), QStringLiteral("播放状态条"), geometry::kStatusBar);
    u.statusBar->SetSectionWidths(geometry::StatusSectionWidths(kMainWindowWidth));
    u.statusBar->SetSectionText(kStateSection, QStringLiteral("准备就绪"));
    u.statusBar->SetSectionText(kBufferSection, QStringLiteral("缓冲状态：等待中"));
    u.statusBar->SetSectionText(kVolumeSection, QStringLiteral("音量：***%"));
    u.statusBar->SetSectionText(kTimeSection, QStringLiteral("00:00:00/00:00:00"));
    // The fixed sections are never narrower than their usual texts.
    u.statusBar->SetSectionSamples(kBufferSection, {QStringLiteral("缓冲状态：等待中"), QStringLiteral("缓冲数据： 100%")});
    u.statusBar->SetSectionSamples(kVolumeSection, {QStringLiteral("音量：100%")});
    u.statusBar->SetSectionSamples(kTimeSection, {QStringLiteral("00:00:00/00:00:00")});

    u.fullScreenMode =
        Place(new QCheckBox(QStringLiteral("全屏"), &window), QStringLiteral("全屏模式"), geometry::kFullScreenMode);
    u.localState =
        Place(new QRadioButton(QStringLiteral("本网状态"), &window), QStringLiteral("本网状态"), geometry::kLocalState);
    // A flag of its own, not one of a group of choices.
    u.localState->setAutoExclusive(false);
    // The two flags and the spare list box hold state only; shown, they
    // would cover the list and the progress slider.
    u.fullScreenMode->hide();
    u.localState->hide();

    u.handoffSocket = new QUdpSocket(&window);
    u.handoffSocket->setObjectName(QStringLiteral("系统数据"));

    u.positionTimer = MakeTimer(window, QStringLiteral("实时时钟"));
    u.dragTimer = MakeTimer(window, QStringLiteral("拉动时钟"));
    u.seekSettleTimer = MakeTimer(window, QStringLiteral("延时时钟"));
    u.delayedPlayTimer = MakeTimer(window, QStringLiteral("延时播放时钟"));

    u.fileMenu = new QMenu(&window);
    u.fileMenu->setObjectName(QStringLiteral("文件"));
    u.openLocalFileAction = AddMenuCommand(*u.fileMenu, QStringLiteral("打开本地文件"));
    u.openNetworkFileAction = AddMenuCommand(*u.fileMenu, QStringLiteral("打开网络文件"));
    u.downloadFileAction = AddMenuCommand(*u.fileMenu, QStringLiteral("下载文件"));
    u.playAction = AddMenuCommand(*u.fileMenu, QStringLiteral("播放"));
    u.exitAction = AddMenuCommand(*u.fileMenu, QStringLiteral("退出"));

    u.openAddressWindow = new OpenAddressWindow(&window);

    return u;
}

}  // namespace lumora
