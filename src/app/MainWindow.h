// SPDX-License-Identifier: GPL-3.0-or-later
// The player's main window: the catalogue list on the left, the video area on
// the right, the transport buttons, the progress slider and the status bar
// below. It owns its units (MainWindowUnits) and binds their events to the
// handlers (MainWindowEvents.cpp); the handlers themselves live by concern in
// WindowLayout, CatalogueView, PlayCommands, Handoff and StatusDisplay.
#pragma once

#include <QWidget>

#include <memory>

#include "app/MainWindowUnits.h"

namespace lumora {

struct AppState;
class WorkerChannel;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // A window with an application state of its own.
    explicit MainWindow(QWidget* parent = nullptr);
    // A window working on `state`, which must outlive it.
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    const MainWindowUnits& Units() const { return units_; }
    AppState& State() const { return *state_; }

    // The workers of the catalogue: list fetches and detail-page fetches
    // deliver here; both are closed (their workers stopped and joined)
    // when the window goes.
    WorkerChannel& ListFetches() const { return *listFetches_; }
    WorkerChannel& RowResolutions() const { return *rowResolutions_; }

    // The play list panel over the picture (F9): whether it shows, and
    // showing or hiding it; PlayListShownChanged follows each change.
    bool PlayListShown() const;
    void SetPlayListShown(bool shown);

signals:
    void PlayListShownChanged(bool shown);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    std::unique_ptr<AppState> ownState_;
    AppState* state_ = nullptr;
    MainWindowUnits units_;
    std::unique_ptr<WorkerChannel> listFetches_;
    std::unique_ptr<WorkerChannel> rowResolutions_;
};

// Binds every event of the window and its units to its handler.
void ConnectMainWindowEvents(MainWindow& window);

}  // namespace lumora
