// SPDX-License-Identifier: GPL-3.0-or-later
// The controls play headless here: null outputs, and untimed unless a test
// asks for real time.
#include "platform/PlaybackOptions.h"

#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
