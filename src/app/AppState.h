// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide state of the application shell: every long-lived object
// and text the main window's handlers read and write. One instance lives from
// start-up to exit; it owns what it holds (smart pointers and values), so
// nothing leaks at exit.
#pragma once

#include "base/Text.h"
#include "resolve/PlayState.h"

#include <QRect>
#include <QString>

#include <memory>
#include <vector>

namespace lumora {

class MediaFront;
class FileDialogHolder;
class LibraryStore;

struct AppState {
    AppState();
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    std::unique_ptr<MediaFront> mediaObject;
    std::unique_ptr<FileDialogHolder> openDialog;
    // The history and favourites database; null until StartLibrary opens it.
    std::shared_ptr<LibraryStore> library;

    std::vector<Text> argumentList;             // command-line arguments, program path excluded
    Text programDirectory;                      // directory of the program file, no trailing separator
    int batchNumber = 1;                        // current catalogue batch, 1 to 14
    Text listPageAddress;                       // the page the next list fetch reads
    bool listUnreachable = false;               // the last list fetch reached no site
    Text currentAddress;                        // playable address of the entry last acted on
    Text currentTitle;                          // its title, or a fixed title for a typed address
    Text pendingPlayAddress;                    // handed to the delayed-play timer
    Text downloadPath;                          // target of the download in progress, without its extension
    Text typedAddress;                          // entered in the open-address window
    Text localProgrammeName;                    // the last of the files chosen to play, for the status bar
    bool dragging = false;                      // the user holds the progress slider
    PlayState shownState = PlayState::Stopped;  // play state last shown in the status bar
    // The status bar follows the play state from the first PlayAddress on.
    bool followingPlayState = false;
    int durationSeconds = 0;
    int positionSeconds = 0;
    QRect savedWindowRect;  // the normal (not full-screen) window rectangle
    bool maximizedBeforeFullScreen = false;
    int listWidth = 100;  // the list column's width; the user may widen it

    // The row whose detail page is being fetched (while active): its index
    // and identifier (row -1: none), and whether a double-click waits to
    // play it.
    struct RowResolution {
        bool active = false;
        int row = -1;
        Text id;
        bool play = false;
    };
    RowResolution resolving;
    // The programme line's name while no local file plays (本网状态
    // unchecked): the title of the row that plays; empty for a typed or
    // handed-over address, which the medium's own title names.
    Text programmeName;
    Text pendingProgrammeName;  // goes with pendingPlayAddress
    // The medium names itself in the window title once it plays (a local
    // file, a typed or handed-over address; a row's title is written when it
    // is double-clicked). The pending flag goes with pendingPlayAddress.
    bool nameInTitle = false;
    bool pendingNameInTitle = false;
    PlayState titleFollowed = PlayState::Stopped;  // the shown state the title last followed
    QString failureTitle;  // the title a failure wrote, while it is the one shown
    // A short notice in the title (resume, start over) and the title it
    // gives back when it goes; a title due meanwhile waits in titleAfterNotice.
    QString noticeTitle;
    QString titleAfterNotice;
    AddressOrigin pendingPlayOrigin = AddressOrigin::User;  // and so does who chose it
    Text pendingRowId;  // the catalogue row it plays, for the history; empty for any other address
    // Print every title and status text change on standard output
    // (--report-state), for scripts that watch the window from outside.
    bool reportState = false;
};

}  // namespace lumora
