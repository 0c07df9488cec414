// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowLayout.h"
#include "app/PointerHider.h"
#include "app/WindowManagerCheck.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTreeWidget>
#include <QWindow>

#include "app/AppState.h"
#include "app/ListViews.h"
#include "app/MainWindow.h"
#include "app/StatusBarUnit.h"
#include "app/UnitGeometry.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {


QRect ScreenRect(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, window.width(), window.height());
}

// Changes a window flag of the shown window in place. QWidget::setWindowFlags
// would hide the window and map it anew, and a window manager then places and
// frames it afresh (shifted by its frame) and may drop its stacking state.
void SetWindowFlag(QWidget& window, Qt::WindowType flag, bool on) {
    if (window.windowFlags().testFlag(flag) == on) return;
    const Qt::WindowFlags flags = on ? window.windowFlags() | flag : window.windowFlags() & ~flag;
    QWindow* handle = window.windowHandle();
    if (!handle || !window.isVisible()) {
        window.setWindowFlags(flags);
        return;
    }
    window.overrideWindowFlags(flags);
    handle->setFlags(flags);
}

}  // namespace

bool Borderless(const QWidget& window) {
    return window.isFullScreen() || window.windowFlags().testFlag(Qt::FramelessWindowHint);
}

int ButtonRowOffset(int clientWidth) {
    const int excess = clientWidth - kMainWindowWidth;
    // Floor, not truncation: a window one pixel narrower shifts the row left.
    return excess >= 0 ? excess / 2 : -((1 - excess) / 2);
}

void LayoutMainWindow(MainWindow& window) {
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    const int w = window.width(), h = window.height();

    if (u.fullScreenMode->isChecked() && Borderless(window)) {
        const QRect screen = ScreenRect(window);
        if (state.mediaObject) state.mediaObject->Resize(0, 0, screen.width(), screen.height());
        u.videoArea->setGeometry(0, 0, w, h);
        // The picture fills the window: no room for the caption.
        u.volumeLabel->hide();
        return;
    }

    const int x = ButtonRowOffset(w);
    // The video area starts right of the 100-pixel list, so it is 100 pixels
    // narrower than the window; at the window's full width its right edge,
    // and the picture with it, would be cut off.
    using namespace geometry;
    const int videoWidth = std::max(0, w - kListWidth);
    const int videoHeight = h - kBottomBand;
    if (state.mediaObject) state.mediaObject->Resize(0, 0, videoWidth, videoHeight);
    u.videoArea->setGeometry(kListWidth, 0, videoWidth, videoHeight);
    // The list column: the view bar and the search box, the list below them.
    LayoutListColumn(window, QRect(0, 0, kListWidth, videoHeight));

    // The status bar keeps to the bottom edge over the whole width.
    u.statusBar->setGeometry(0, h - kStatusBarHeight, w, kStatusBarHeight);
    u.statusBar->SetSectionWidths(StatusSectionWidths(w));

    const std::pair<QWidget*, const RowUnit&> row[] = {
        {u.nextBatchButton, kNextBatchButton}, {u.playButton, kPlayButton},
        {u.stopButton, kStopButton},           {u.exitButton, kExitButton},
        {u.muteButton, kMuteButton},           {u.fullScreenButton, kFullScreenButton},
        {u.aboutButton, kAboutButton},         {u.downloadButton, kDownloadButton},
        {u.volumeSlider, kVolumeSlider},
    };
    for (const auto& [unit, place] : row) unit->setGeometry(x + place.left, h - kRowRise, place.width, kRowHeight);

    // The caption "音量" goes right of its slider, on the button row; where
    // the window leaves no room there it is hidden, never put over the
    // picture or the slider.
    const QRect caption(x + kVolumeLabelLeft, h - kVolumeLabelRise, kVolumeLabel.width(), kVolumeLabel.height());
    u.volumeLabel->setGeometry(caption);
    u.volumeLabel->setVisible(caption.right() < w);

    u.progressSlider->setGeometry(0, h - kProgressRise, w, kProgressHeight);
    state.savedWindowRect = window.geometry();
}

void RememberWindowRect(MainWindow& window) {
    if (!window.Units().fullScreenMode->isChecked() && !Borderless(window))
        window.State().savedWindowRect = window.geometry();
}

void ToggleWindowFullScreen(MainWindow& window) {
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();

    if (!u.fullScreenMode->isChecked()) {
        state.maximizedBeforeFullScreen = window.isMaximized();
        // Un-maximizing later goes back to the size the window had before.
        if (state.maximizedBeforeFullScreen && window.normalGeometry().isValid())
            state.savedWindowRect = window.normalGeometry();
        u.fullScreenMode->setChecked(true);
        for (QWidget* unit : {static_cast<QWidget*>(u.nextBatchButton), static_cast<QWidget*>(u.progressSlider),
                              static_cast<QWidget*>(u.statusBar), static_cast<QWidget*>(u.playButton),
                              static_cast<QWidget*>(u.stopButton), static_cast<QWidget*>(u.fullScreenButton),
                              static_cast<QWidget*>(u.downloadButton), static_cast<QWidget*>(u.catalogueList),
                              static_cast<QWidget*>(u.aboutButton)})
            unit->hide();
        ShowListColumn(window, false);
        if (WindowManagerRuns()) {
            // The window system's own full-screen state: the window manager or
            // compositor covers the screen, drops the frame, keeps panels
            // below and gives the window back its place and frame afterwards.
            // The layout follows its resize.
            window.showFullScreen();
        } else {
            // Nobody places the window: it covers the screen itself.
            SetWindowFlag(window, Qt::FramelessWindowHint, true);
            SetWindowFlag(window, Qt::WindowStaysOnTopHint, true);
            window.setWindowState(window.windowState() | Qt::WindowFullScreen);
            window.setGeometry(ScreenRect(window));
        }
        if (!window.findChild<PointerHider*>(QString(), Qt::FindDirectChildrenOnly)) new PointerHider(&window);
        // The size change may arrive later or not at all (already that size).
        LayoutMainWindow(window);
        return;
    }

    // A window that was never laid out has no rectangle to go back to.
    const QRect normal = state.savedWindowRect.isValid()
                             ? state.savedWindowRect
                             : QRect(window.x(), window.y(), kMainWindowWidth, kMainWindowHeight);
    const bool byOwnFlags = window.windowFlags().testFlag(Qt::FramelessWindowHint);
    // Never left above other windows once full screen is over.
    SetWindowFlag(window, Qt::WindowStaysOnTopHint, false);
    if (byOwnFlags) {
        window.setWindowState(window.windowState() & ~Qt::WindowFullScreen);
        SetWindowFlag(window, Qt::FramelessWindowHint, false);
        window.setGeometry(normal);
        if (state.maximizedBeforeFullScreen) window.setWindowState(window.windowState() | Qt::WindowMaximized);
    } else if (state.maximizedBeforeFullScreen) {
        // Back to the maximized state; un-maximizing then finds the
        // rectangle the window manager kept from before.
        window.showMaximized();
    } else {
        // The window manager puts the window back where it was, framed.
        window.showNormal();
    }
    u.fullScreenMode->setChecked(false);
    for (QWidget* unit :
         {static_cast<QWidget*>(u.statusBar), static_cast<QWidget*>(u.progressSlider),
          static_cast<QWidget*>(u.playButton), static_cast<QWidget*>(u.stopButton), static_cast<QWidget*>(u.muteButton),
          static_cast<QWidget*>(u.nextBatchButton), static_cast<QWidget*>(u.fullScreenButton),
          static_cast<QWidget*>(u.downloadButton), static_cast<QWidget*>(u.catalogueList),
          static_cast<QWidget*>(u.aboutButton), static_cast<QWidget*>(u.exitButton)})
        unit->show();
    ShowListColumn(window, true);
    // The pointer shows for good.
    delete window.findChild<PointerHider*>(QString(), Qt::FindDirectChildrenOnly);
    LayoutMainWindow(window);
}

}  // namespace lumora
