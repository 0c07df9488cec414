// SPDX-License-Identifier: GPL-3.0-or-later
// The host widget of a player control: a child of the given parent at the
// given rectangle that creates the control its window text names:
//   "ShockwaveFlash.ShockwaveFlash.1"          the movie control
//   "{6BF52A52-394A-11d3-B153-00C04F79FAA6}"   the media player control
//   anything else                               no control
// The control lives as long as the host; it may put a video surface inside.
#pragma once

#include "base/Text.h"
#include "platform/Automation.h"
#include "player/VideoHost.h"

namespace lumora {

inline constexpr const char* kMovieControlName = "ShockwaveFlash.ShockwaveFlash.1";
inline constexpr const char* kMediaPlayerControlName = "{6BF52A52-394A-11d3-B153-00C04F79FAA6}";

class ControlHost : public VideoHost {
    Q_OBJECT
public:
    ControlHost(QWidget* parent, int left, int top, int width, int height, const Text& windowText);
    ~ControlHost() override;

    const Text& WindowText() const { return windowText_; }
    // The hosted control; empty when the window text names none.
    AutomationRef Control() const { return control_; }

private:
    Text windowText_;
    AutomationRef control_;
};

// Creates the control a window text names inside `host`; empty for an
// unknown name. Defined with the controls.
AutomationRef CreateHostedControl(const Text& windowText, ControlHost& host);

}  // namespace lumora
