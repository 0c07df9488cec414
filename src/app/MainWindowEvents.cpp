// SPDX-License-Identifier: GPL-3.0-or-later
// The handler table of the main window: which handler each event of the
// window and its units runs.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/Downloads.h"
#include "app/ListViews.h"
#include "app/MainWindow.h"
#include "app/OpenAddressWindow.h"
#include "app/PlayCommands.h"
#include "app/PlayingTitle.h"
#include "app/QtText.h"
#include "app/StatusDisplay.h"
#include "app/WindowLayout.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

// Mouse events of units that have no signal for them: a double-click
// anywhere in the list (also below its last row) and the left button going
// down and up on the progress slider (anywhere on it, not only its thumb).
class UnitMouseEvents : public QObject {
public:
    UnitMouseEvents(MainWindow& window, QObject* listViewport, QObject* progressSlider)
        : QObject(&window), window_(window), listViewport_(listViewport), progressSlider_(progressSlider) {}

protected:
    // Only mouse events reach the window: the units also send events while
    // the window is being torn down.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::KeyPress && watched == progressSlider_) return SliderKeyWithoutSeek(event);
        if (type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonPress &&
            type != QEvent::MouseButtonRelease)
            return false;
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
        if (watched == listViewport_ && type == QEvent::MouseButtonDblClick) {
            OnListDoubleClicked(window_);
        } else if (watched == progressSlider_) {
            if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
                OnProgressPressed(window_);
            else
                OnProgressReleased(window_);
        }
        return false;
    }

private:
    // The slider's own Home, End, PgUp and PgDn would move its thumb without
    // a seek: they do nothing there (PgUp/PgDn step chapters window-wide).
    static bool SliderKeyWithoutSeek(QEvent* event) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    }

    MainWindow& window_;
    QObject* listViewport_;
    QObject* progressSlider_;
};

// The exit button and the menu's "退出": the program ends with code 0.
void EndProgram() { QCoreApplication::exit(0); }

}  // namespace

void ConnectMainWindowEvents(MainWindow& window) {
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    MainWindow* w = &window;

    const auto on = [w](auto* sender, auto signal, auto handler) { QObject::connect(sender, signal, w, handler); };

    // The pop-up menu 文件.
    on(u.openLocalFileAction, &QAction::triggered, [w] { OpenLocalFile(*w); });
    on(u.openNetworkFileAction, &QAction::triggered, [w] { OpenTypedAddress(*w); });
    on(u.downloadFileAction, &QAction::triggered, [w, &state] { StartDownload(state, *w); });
    on(u.playAction, &QAction::triggered, [w] { PlayCurrentRow(*w); });
    on(u.reloadAction, &QAction::triggered, [w] {
        ReloadBatch(*w);
        RefreshSearchPages(*w);
    });
    on(u.exitAction, &QAction::triggered, [] { EndProgram(); });

    // The catalogue list: click, right-click (row event 5) and double-click.
    on(u.catalogueList, &QTreeWidget::itemClicked, [w] { OnListRowClicked(*w); });
    u.catalogueList->setContextMenuPolicy(Qt::CustomContextMenu);
    on(u.catalogueList, &QWidget::customContextMenuRequested, [w](const QPoint& pos) {
        QTreeWidget* list = w->Units().catalogueList;
        const QPoint globalPos = list->viewport()->mapToGlobal(pos);
        if (list->itemAt(pos))
            OnListRowRightClicked(*w, globalPos);
        else
            PopUpFileMenu(*w, globalPos);  // an empty list still offers the file commands
    });
    // (The video area offers them through the right-click handler that
    // start-up gives MediaFront Attach: VideoAreaRightClick.)
    on(u.fileMenu, &QMenu::aboutToShow, [w] { UpdateFileMenu(*w); });
    auto* mouse = new UnitMouseEvents(window, u.catalogueList->viewport(), u.progressSlider);
    u.catalogueList->viewport()->installEventFilter(mouse);
    u.progressSlider->installEventFilter(mouse);

    // The buttons.
    on(u.nextBatchButton, &QPushButton::clicked, [w] { NextBatch(*w); });
    on(u.playButton, &QPushButton::clicked, [&state] {
        if (state.mediaObject) state.mediaObject->TogglePause();
    });
    on(u.stopButton, &QPushButton::clicked, [w] { StopPlayback(*w); });
    on(u.exitButton, &QPushButton::clicked, [] { EndProgram(); });
    on(u.muteButton, &QPushButton::clicked, [&state] {
        if (state.mediaObject) state.mediaObject->ToggleMute();
    });
    on(u.fullScreenButton, &QPushButton::clicked, [w] { ToggleWindowFullScreen(*w); });
    on(u.aboutButton, &QPushButton::clicked, [w] { ShowAbout(*w); });
    on(u.downloadButton, &QPushButton::clicked, [w, &state] { StartDownload(state, *w); });
    on(u.volumeSlider, &QSlider::valueChanged, [w] { OnVolumeChanged(*w); });

    // The play state shows as it changes (queued: the front may be in the
    // middle of an operation when it tells).
    if (MediaFront* front = state.mediaObject.get())
        QObject::connect(
            front, &MediaFront::StateChanged, w,
            [w, &state] {
                if (!state.followingPlayState) return;
                PollPlayState(state, w->Units(), *w);
                FollowPlayingTitle(*w);
            },
            Qt::QueuedConnection);
    // While paused the position display is not ticking: a seek shows at once.
    if (MediaFront* front = state.mediaObject.get())
        QObject::connect(
            front, &MediaFront::Changed, w,
            [w, &state] {
                if (state.followingPlayState && state.shownState == PlayState::Paused && !state.dragging)
                    RefreshPosition(state, w->Units(), *w);
            },
            Qt::QueuedConnection);

    // The timers.
    on(u.positionTimer, &QTimer::timeout, [w, &state] { RefreshPosition(state, w->Units(), *w); });
    on(u.dragTimer, &QTimer::timeout, [w, &state] { ShowDraggedTime(state, w->Units()); });
    on(u.seekSettleTimer, &QTimer::timeout, [w] { OnSeekSettled(*w); });
    on(u.delayedPlayTimer, &QTimer::timeout, [w] { OnDelayedPlay(*w); });

    // The open-address window's button takes the address and closes it.
    OpenAddressWindow* addressWindow = u.openAddressWindow;
    on(addressWindow->PlayButton(), &QPushButton::clicked, [addressWindow, &state] {
        state.typedAddress = FromQString(addressWindow->AddressEdit()->text());
        addressWindow->accept();
    });
}

}  // namespace lumora
