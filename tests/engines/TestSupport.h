// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting on real controls, and a temporary directory of the test's own.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>

namespace lumora::testing {

// Runs the event loop until `done` holds or `limit` has passed; whether it held.
inline bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Points QDir::tempPath at a fresh directory for the life of the object, with
// XDG_RUNTIME_DIR unset.
class TemporaryDirectory {
public:
    TemporaryDirectory()
        : previous_(qgetenv("TMPDIR")),
          hadPrevious_(qEnvironmentVariableIsSet("TMPDIR")),
          previousRuntime_(qgetenv("XDG_RUNTIME_DIR")),
          hadRuntime_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        qputenv("TMPDIR", directory_.path().toUtf8());
        qunsetenv("XDG_RUNTIME_DIR");  // the movie's private directory is made under TMPDIR then
    }
    ~TemporaryDirectory() {
        if (hadPrevious_)
            qputenv("TMPDIR", previous_);
        else
            qunsetenv("TMPDIR");
        if (hadRuntime_) qputenv("XDG_RUNTIME_DIR", previousRuntime_);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    QString Path() const { return directory_.path(); }
    QString MoviePath() const { return QDir(directory_.path()).filePath("Player.Swf"); }

private:
    QTemporaryDir directory_;
    QByteArray previous_;
    bool hadPrevious_;
    QByteArray previousRuntime_;
    bool hadRuntime_;
};

}  // namespace lumora::testing
