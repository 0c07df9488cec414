// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowManagerCheck.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

namespace lumora {

namespace {

bool X11WindowManagerRuns(xcb_connection_t* connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    if (!screens.rem) return false;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, screens.data->root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr),
        &std::free);
    return property && property->type == XCB_ATOM_WINDOW && xcb_get_property_value_length(property.get()) >= 4;
}

}  // namespace

bool WindowManagerRuns() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return true;
    if (platform != QLatin1String("xcb")) return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && x11->connection() && X11WindowManagerRuns(x11->connection());
}

}  // namespace lumora
