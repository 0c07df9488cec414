// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include <QTreeWidget>

#include "app/AppState.h"
#include "app/DropTarget.h"
#include "app/KeyboardFocus.h"
#include "app/ListThumbnails.h"
#include "app/ListViews.h"
#include "app/OnScreenDisplay.h"
#include "app/PlayListPanel.h"
#include "app/Shortcuts.h"
#include "app/TrackMenu.h"
#include "app/UnitManners.h"
#include "app/WindowLayout.h"
#include "resolve/MediaFront.h"
#include "threads/WorkerChannel.h"

namespace lumora {

MainWindow::MainWindow(QWidget* parent) : MainWindow(*new AppState, parent) { ownState_.reset(state_); }

MainWindow::MainWindow(AppState& state, QWidget* parent)
    : QWidget(parent),
      state_(&state),
      listFetches_(std::make_unique<WorkerChannel>(*this)),
      rowResolutions_(std::make_unique<WorkerChannel>(*this)) {
    setObjectName(QStringLiteral("主窗口"));
    // The title bar doubles as the status line of the catalogue and downloads.
    setWindowTitle(QStringLiteral("Lumora视频播放器"));
    resize(kMainWindowWidth, kMainWindowHeight);
    units_ = CreateMainWindowUnits(*this);
    // Before the views: the search results share the list's images.
    AttachListThumbnails(*units_.catalogueList);
    InstallListViews(*this);
    // Below this the button row no longer fits its captions.
    setMinimumSize(MinimumClientSize(*this));
    ConnectMainWindowEvents(*this);
    InstallShortcuts(*this);
    InstallDropTarget(*this);
    InstallUnitManners(*this);
    InstallOnScreenDisplay(*this);
    InstallPlayListPanel(*this);
    InstallTrackMenu(*this);
    InstallKeyboardFocus(*this);
}

MainWindow::~MainWindow() {
    // Both stop at once; then each is joined.
    listFetches_->Supersede();
    rowResolutions_->Supersede();
    listFetches_->Close();
    rowResolutions_->Close();
    if (state_->mediaObject) state_->mediaObject->Stop();
}

bool MainWindow::PlayListShown() const {
    const PlayListPanel* panel = PlayListPanelOf(*this);
    return panel && !panel->isHidden();
}

void MainWindow::SetPlayListShown(bool shown) {
    PlayListPanel* panel = PlayListPanelOf(*this);
    if (!panel || shown == PlayListShown()) return;
    if (shown) {
        panel->Refresh();
        panel->Place();
        panel->show();
    } else {
        // The keyboard goes back to the window's units.
        if (panel->hasFocus()) Units().catalogueList->setFocus(Qt::OtherFocusReason);
        panel->hide();
    }
    emit PlayListShownChanged(shown);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutMainWindow(*this);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    RememberWindowRect(*this);
}

}  // namespace lumora
