// libmpv is opened when the first player core is made, not when the
// program starts: the library pulls in some hundred others (FFmpeg, the
// audio and video outputs), and loading them costs more than a window
// takes to come up. The mpv_* functions the program calls are defined in
// MpvLibrary.cpp and forward to the library, which the first call opens.
#pragma once

namespace lumora {

// Opens libmpv now (if not yet); false when it cannot be opened, and then
// mpv_create answers null.
bool LoadMpvLibrary();

}  // namespace lumora
