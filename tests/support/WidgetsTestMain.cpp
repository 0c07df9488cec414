// SPDX-License-Identifier: GPL-3.0-or-later
// Widgets need an application object; the tests run on the offscreen platform
// unless the environment chooses another one. Each run gets a temporary
// directory of its own, since creating the Flash engine writes and deletes a
// movie file there and test processes may run side by side; the cache folder
// is in it too.
#include <QApplication>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QTemporaryDir temporary;
    if (temporary.isValid()) {
        qputenv("TMPDIR", temporary.path().toLocal8Bit());
        // List images a window fetches are cached here, not in the user's cache.
        qputenv("XDG_CACHE_HOME", (temporary.path() + "/cache").toLocal8Bit());
    }
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses other numeric locales
    return RUN_ALL_TESTS();
}
