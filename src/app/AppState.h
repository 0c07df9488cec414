// The process-wide state of the application shell: every long-lived object
// and text the main window's handlers read and write. One instance lives from
// start-up to exit; it owns what it holds (smart pointers and values), so
// nothing leaks at exit.
#pragma once

#include "base/Text.h"

#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

namespace lumora {

class MediaFront;
class FileDialogHolder;
class ClientSocket;

struct AppState {
    AppState();
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    std::unique_ptr<MediaFront> mediaObject;
    std::unique_ptr<FileDialogHolder> openDialog;
    std::unique_ptr<ClientSocket> socketObject;

    std::vector<Text> argumentList;  // command-line arguments, program path excluded
    Text programDirectory;           // directory of the program file, no trailing separator
    int batchNumber = 1;             // current catalogue batch, 1 to 14
    Text listPageAddress;            // the page the next list fetch reads
    Text currentAddress;             // playable address of the entry last acted on
    Text currentTitle;               // its title, or a fixed title for a typed address
    Text pendingPlayAddress;         // handed to the delayed-play timer
    Text downloadPath;               // target file of the download in progress
    Text typedAddress;               // entered in the open-address window
    Text localProgrammeName;         // the files chosen by OpenLocalFile, for the status bar
    bool dragging = false;           // the user holds the progress slider
    int shownState = 0;              // play state last shown in the status bar, 0 to 6
    int durationSeconds = 0;
    int positionSeconds = 0;
    QRect savedWindowRect;           // the normal (not full-screen) window rectangle

    // Number of the newest list fetch: a fetch that finds a newer one started
    // after it neither fills the list nor writes the title.
    std::uint64_t listFetchNumber = 0;
    // Print every title and status text change on standard output
    // (--report-state), for scripts that watch the window from outside.
    bool reportState = false;
};

}  // namespace lumora
