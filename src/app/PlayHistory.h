// SPDX-License-Identifier: GPL-3.0-or-later
// The play history of the window: which entry plays (a catalogue row, an
// address, a local file), its position written to the library every few
// seconds and when it stops, ends or the program exits, and the resume of an
// entry played before (more than 10 s in and more than 10 s from its end)
// with a notice in the title and R to start over.
//
// Positions and ends come from the typed players' signals, passed on by
// MediaFront's Changed; the writes run on the library's writer thread
// (HistoryWriter), HistoryChanged once they have landed, and the last one
// is waited for at exit (see bench/library).
#pragma once

#include "base/Text.h"
#include "library/HistoryWriter.h"
#include "library/LibraryEntry.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QObject>

#include <memory>

namespace lumora {

class LibraryStore;
class MainWindow;
class Player;

// Seconds between two position writes while a medium plays.
inline constexpr int kHistoryWriteSeconds = 5;

class PlayHistory : public QObject {
    Q_OBJECT
public:
    // Lives as a child of `window`.
    PlayHistory(MainWindow& window, std::shared_ptr<LibraryStore> store);
    ~PlayHistory() override;

    LibraryStore& Store() const { return *store_; }

    // What the next medium that loads is: a row, an address, or the local
    // file it names itself.
    void Expect(const LibraryEntry& entry);
    void ExpectLocalFiles();

    // The entry playing (or last played); empty before the first.
    const LibraryEntry& Current() const { return entry_; }

    // Back to the start of the medium playing.
    void StartOver();
    // Hands the position to the writer now (stop, end).
    void Flush();
    // Flushes and waits, bounded, until everything handed over is written;
    // later positions are written at once (exit).
    void Finish();

    bool Recording() const { return recording_; }
    // Remembered in the library.
    void SetRecording(bool on);

    // Follows MediaFront's players (once it is there).
    void WatchPlayers();

signals:
    void HistoryChanged();
    void FavouritesChanged();

private:
    void OnPlayerChanged();
    void OnPlayerEnded();
    void Write(double position, double duration);
    void TryResume(Player& player);
    // A notice in the title for a few seconds; then the title it hid (or
    // the one due meanwhile) comes back.
    void ShowNotice(const Text& notice);
    void EndNotice();

    MainWindow& window_;
    std::shared_ptr<LibraryStore> store_;
    HistoryWriter writer_;
    bool recording_ = true;

    LibraryEntry entry_;            // what plays
    bool localFiles_ = false;       // the entry is the file the player loads
    bool resumeChecked_ = false;    // the stored position was looked at (only then is it overwritten)
    double lastPosition_ = 0;
    double lastDuration_ = 0;
    bool dirty_ = false;            // a position not yet written
    QElapsedTimer sinceWrite_;
    bool watching_ = false;
    bool ended_ = false;            // the end was written
    QTimer noticeTimer_;
};

// The window's history; null when the library is not open (tests without it).
PlayHistory* FindPlayHistory(const MainWindow& window);

// "mm:ss" or "h:mm:ss" of a position, as the notice and the pages show it.
QString PositionText(double seconds);

}  // namespace lumora
