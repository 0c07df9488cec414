// One running copy per user: the instance marker; and a command line given
// as one text, split and joined with Windows quoting rules (the player itself
// takes its arguments as the shell split them).
#pragma once

#include "base/Text.h"

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

private:
    std::string name_;
    int fd_ = -1;
    bool takenElsewhere_ = false;
};

// True when another process of this user holds the marker. Otherwise this
// process takes it and keeps it until it ends.
bool InstanceAlreadyRunning();

}  // namespace lumora
