// SPDX-License-Identifier: GPL-3.0-or-later
// The engines host widgets, so the tests need an application object; they run
// on the offscreen platform unless the environment chooses another one.
#include <QApplication>
#include <QtGlobal>

#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start under another numeric locale
    return RUN_ALL_TESTS();
}
