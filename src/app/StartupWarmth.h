// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the font configuration on a worker while Qt connects to the
// display, so that the window's first text finds it loaded.
#pragma once

namespace lumora {

class WorkerChannel;

// Starts the reading as a job of `channel`; close the channel (which joins
// it) before the first widget is made.
void WarmFontConfiguration(WorkerChannel& channel);

}  // namespace lumora
