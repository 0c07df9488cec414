// SPDX-License-Identifier: GPL-3.0-or-later
// A drag source that speaks the X drag-and-drop protocol (XDND 5) by
// itself, for the drop tests: it offers a URI list (or one plain text) to a
// window at a root position, answers the target's request for the data and
// reports the target's verdict: "accepted" (exit 0) or "ignored" (exit 1).
// It moves no pointer; the target sees Enter, Position and Drop exactly as
// from a file manager or a browser.
//
//   lumora-xdnd-source WINDOW X Y ITEM...       files or addresses (text/uri-list)
//   lumora-xdnd-source WINDOW X Y --text TEXT   one text (text/plain)
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

Display* display = nullptr;
Window source = 0;

Atom A(const char* name) { return XInternAtom(display, name, False); }

void Send(Window target, const char* type, long l1, long l2, long l3, long l4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = A(type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(source);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// "file:///a%20b" for a local path; addresses stay as they are.
std::string UriOf(const std::string& item) {
    if (item.find("://") != std::string::npos) return item;
    std::string path = item;
    if (path.empty() || path[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
    }
    std::string uri = "file://";
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr("/-._~", c)) {
            uri += char(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: lumora-xdnd-source WINDOW X Y ITEM... | WINDOW X Y --text TEXT\n");
        return 2;
    }
    display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const Window target = Window(std::strtoul(argv[1], nullptr, 0));
    const long x = std::atol(argv[2]), y = std::atol(argv[3]);
    const bool text = std::strcmp(argv[4], "--text") == 0 && argc == 6;
    std::string data;
    if (text) {
        data = argv[5];
    } else {
        for (int i = 4; i < argc; ++i) data += UriOf(argv[i]) + "\r\n";
    }
    const Atom type = text ? A("text/plain") : A("text/uri-list");
    const Atom utf8Text = A("text/plain;charset=utf-8");

    source = XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, A("XdndSelection"), source, CurrentTime);
    Send(target, "XdndEnter", 5L << 24, long(type), text ? long(utf8Text) : 0, 0);
    Send(target, "XdndPosition", 0, (x << 16) | y, CurrentTime, long(A("XdndActionCopy")));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool dropped = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!XPending(display)) {
            usleep(10000);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest) {
            // The target asks for the data: write it where it says.
            const XSelectionRequestEvent& request = event.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = request.requestor;
            reply.xselection.selection = request.selection;
            reply.xselection.target = request.target;
            reply.xselection.time = request.time;
            reply.xselection.property = None;
            if (request.target == type || request.target == utf8Text || request.target == A("UTF8_STRING")) {
                XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
                reply.xselection.property = request.property;
            }
            XSendEvent(display, request.requestor, False, NoEventMask, &reply);
            XFlush(display);
        } else if (event.type == ClientMessage && event.xclient.message_type == A("XdndStatus") && !dropped) {
            dropped = true;
            if (!(event.xclient.data.l[1] & 1)) {
                Send(target, "XdndLeave", 0, 0, 0, 0);
                std::printf("ignored\n");
                return 1;
            }
            Send(target, "XdndDrop", 0, CurrentTime, 0, 0);
        } else if (event.type == ClientMessage && event.xclient.message_type == A("XdndFinished")) {
            const bool accepted = event.xclient.data.l[1] & 1;
            std::printf("%s\n", accepted ? "accepted" : "ignored");
            return accepted ? 0 : 1;
        }
    }
    std::printf("no answer from the target\n");
    return 1;
}
