// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/XScreenSaverReset.h"

#include <X11/Xlib.h>

#include <algorithm>

namespace lumora {

namespace {

// A time-out of 0 (no screen saver) still leaves power saving: reset now
// and then all the same.
constexpr int kLongestPeriodMs = 30'000;
constexpr int kShortestPeriodMs = 500;

}  // namespace

XScreenSaverReset::XScreenSaverReset(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &XScreenSaverReset::Reset);
}

XScreenSaverReset::~XScreenSaverReset() {
    if (display_) XCloseDisplay(display_);
}

bool XScreenSaverReset::Start() {
    if (!display_) display_ = XOpenDisplay(nullptr);
    if (!display_) return false;
    Reset();
    return true;
}

void XScreenSaverReset::Stop() { timer_.stop(); }

void XScreenSaverReset::Reset() {
    XResetScreenSaver(display_);
    // Half the time-out the server has now (the user may change it).
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(display_, &timeout, &interval, &blanking, &exposures);
    XFlush(display_);
    const int period = timeout > 0 ? std::clamp(timeout * 1000 / 2, kShortestPeriodMs, kLongestPeriodMs)
                                   : kLongestPeriodMs;
    timer_.start(period);
}

}  // namespace lumora
