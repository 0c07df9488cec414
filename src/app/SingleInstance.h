// SPDX-License-Identifier: GPL-3.0-or-later
// One running copy per user: the instance marker.
#pragma once

#include "base/Text.h"

#include <optional>
#include <string>
#include <vector>

namespace lumora {

// Abstract Unix socket name of the marker (leading zero byte included):
// LUMORA_INSTANCE_MARKER when it is set, else the program's marker text and
// the user's id, so every user has a marker of their own.
std::string InstanceMarkerName();

// The marker: held while the object lives. The kernel frees an abstract
// socket name with its last descriptor, so the name exists exactly while
// its holder runs, a crash included; nothing is left on disk.
class InstanceMarker {
public:
    // `name`: an abstract socket name as InstanceMarkerName() gives it.
    explicit InstanceMarker(std::string name = InstanceMarkerName()) : name_(std::move(name)) {}
    ~InstanceMarker();
    InstanceMarker(const InstanceMarker&) = delete;
    InstanceMarker& operator=(const InstanceMarker&) = delete;

    // Takes the marker. False when another process holds it, or when the
    // socket could not be made at all or the name does not fit a socket
    // address (then nobody can take it).
    bool Acquire();
    bool Held() const { return fd_ >= 0; }
    // Whether another process holds it now (false when this one does).
    bool TakenElsewhere() const { return takenElsewhere_; }
    // The user the holder runs as, when another process holds the marker
    // and it could be asked (an abstract name has no owner: anyone may take
    // any name, so the holder's own credentials tell whose copy it is).
    std::optional<unsigned> HolderUid() const { return holderUid_; }
    // The listening socket while held (later copies connect to learn whose
    // it is); -1 otherwise.
    int Socket() const { return fd_; }

private:
    std::string name_;
    int fd_ = -1;
    bool takenElsewhere_ = false;
    std::optional<unsigned> holderUid_;
};

// True when another process of this user holds the marker. Otherwise this
// process takes it and keeps it until it ends; a marker held by another
// user never stops this user's window (it says so on stderr).
bool InstanceAlreadyRunning();

// Lets the held marker answer later copies (their connections are taken and
// closed on the event loop). Call once the application object exists.
void AnswerInstanceChecks();

}  // namespace lumora
