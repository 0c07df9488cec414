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

#include <QStyle>

#include "app/AppState.h"
#include "app/ListColumnHandle.h"
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

namespace {

using geometry::RowUnit;

const std::array<const RowUnit*, kRowUnitCount>& RowTable() {
    using namespace geometry;
    static const std::array<const RowUnit*, kRowUnitCount> table = {
        &kNextBatchButton, &kPlayButton,  &kStopButton,     &kExitButton,  &kMuteButton,
        &kFullScreenButton, &kAboutButton, &kDownloadButton, &kVolumeSlider,
    };
    return table;
}

std::array<QWidget*, kRowUnitCount> RowUnits(const MainWindowUnits& u) {
    return {u.nextBatchButton, u.playButton,   u.stopButton,     u.exitButton,  u.muteButton,
            u.fullScreenButton, u.aboutButton, u.downloadButton, u.volumeSlider};
}

}  // namespace

int PackedRowWidth(const RowWidths& least) {
    int sum = 2 * geometry::kPackedGap;
    for (int width : least) sum += width;
    return sum + (kRowUnitCount - 1) * geometry::kPackedGap;
}

RowPlaces ButtonRowPlaces(int clientWidth, const RowWidths& least) {
    const auto& table = RowTable();
    RowPlaces places{};
    if (clientWidth >= geometry::kRowFitWidth) {
        const int x = ButtonRowOffset(clientWidth);
        for (int i = 0; i < kRowUnitCount; ++i) places[i] = {x + table[i]->left, table[i]->width};
        return places;
    }
    // Packed: the least widths first; what is left lets every unit grow
    // toward its width in the table by the same share, then widens the gaps.
    int spare = clientWidth - PackedRowWidth(least);
    int growth = 0;
    for (int i = 0; i < kRowUnitCount; ++i) growth += std::max(0, table[i]->width - least[i]);
    const int grown = std::clamp(spare, 0, growth);
    int given = 0;
    for (int i = 0; i < kRowUnitCount; ++i) {
        const int room = std::max(0, table[i]->width - least[i]);
        const int extra = growth > 0 ? static_cast<int>(static_cast<long long>(grown) * room / growth) : 0;
        places[i].width = least[i] + extra;
        given += extra;
    }
    spare = std::max(0, spare - given);
    int left = geometry::kPackedGap + spare / (kRowUnitCount + 1);
    for (int i = 0; i < kRowUnitCount; ++i) {
        places[i].left = left;
        left += places[i].width + geometry::kPackedGap + spare / (kRowUnitCount + 1);
    }
    return places;
}

RowWidths LeastRowWidths(const MainWindow& window) {
    const auto& table = RowTable();
    const auto units = RowUnits(window.Units());
    RowWidths least{};
    for (int i = 0; i < kRowUnitCount; ++i) {
        const auto* button = qobject_cast<const QPushButton*>(units[i]);
        if (!button) {
            least[i] = geometry::kPackedSliderWidth;
            continue;
        }
        const QStyle* style = button->style();
        const int padding = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                                 style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
        least[i] = std::min(table[i]->width, button->fontMetrics().horizontalAdvance(button->text()) + padding);
    }
    return least;
}

QSize MinimumClientSize(const MainWindow& window) {
    return {PackedRowWidth(LeastRowWidths(window)), geometry::kMinimumClientHeight};
}

int ListColumnWidth(int wanted, int clientWidth) {
    using namespace geometry;
    return std::max(kListWidth, std::min(wanted, clientWidth - kLeastVideoWidth));
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
        if (u.listHandle) u.listHandle->hide();
        return;
    }

    // The video area starts right of the list column (100 pixels unless the
    // user widened it), so it is that much narrower than the window; at the
    // window's full width its right edge, and the picture with it, would be
    // cut off.
    using namespace geometry;
    const int listWidth = ListColumnWidth(state.listWidth, w);
    const int videoWidth = std::max(0, w - listWidth);
    const int videoHeight = h - kBottomBand;
    if (state.mediaObject) state.mediaObject->Resize(0, 0, videoWidth, videoHeight);
    u.videoArea->setGeometry(listWidth, 0, videoWidth, videoHeight);
    u.catalogueList->setGeometry(0, 0, listWidth, videoHeight);
    // The title column grows with the list, so a long title shows whole.
    u.catalogueList->setColumnWidth(kTitleColumn, listWidth);
    if (u.listHandle) u.listHandle->Place(listWidth, videoHeight);

    // The status bar keeps to the bottom edge over the whole width.
    u.statusBar->setGeometry(0, h - kStatusBarHeight, w, kStatusBarHeight);
    u.statusBar->SetSectionWidths(StatusSectionWidths(w));

    const RowPlaces places = ButtonRowPlaces(w, LeastRowWidths(window));
    const auto units = RowUnits(u);
    for (int i = 0; i < kRowUnitCount; ++i)
        units[i]->setGeometry(places[i].left, h - kRowRise, places[i].width, kRowHeight);

    // The caption "音量" goes right of its slider, on the button row; where
    // the window leaves no room there it is hidden, never put over the
    // picture or the slider.
    const int x = ButtonRowOffset(w);
    const QRect caption(x + kVolumeLabelLeft, h - kVolumeLabelRise, kVolumeLabel.width(), kVolumeLabel.height());
    u.volumeLabel->setGeometry(caption);
    u.volumeLabel->setVisible(w >= kRowFitWidth && caption.right() < w);

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
    // The pointer shows for good.
    delete window.findChild<PointerHider*>(QString(), Qt::FindDirectChildrenOnly);
    LayoutMainWindow(window);
}

}  // namespace lumora
