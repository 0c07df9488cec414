// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace lumora {

namespace {

int gPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(gPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

void CatchQuitSignals() {
    if (gPipe[0] >= 0 || pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

void WatchQuitSignals() {
    if (gPipe[0] < 0 || !QCoreApplication::instance()) return;
    auto* notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[16];
        while (read(gPipe[0], bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::exit(0);
    });
}

}  // namespace lumora
