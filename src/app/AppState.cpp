// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppState.h"

#include "app/FileDialog.h"
#include "catalogue/Catalogue.h"
#include "resolve/MediaFront.h"

namespace lumora {

AppState::AppState()
    : mediaObject(std::make_unique<MediaFront>()),
      openDialog(std::make_unique<FileDialogHolder>()),
      listPageAddress(StartUpBatch().address) {}

// The player goes first (its engines may still reach the window's units while
// they stop), then the dialog, then the socket.
AppState::~AppState() {
    mediaObject.reset();
    openDialog.reset();
}

}  // namespace lumora
