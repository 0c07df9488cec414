// SPDX-License-Identifier: GPL-3.0-or-later
// The waits pump the calling thread's events, so every test runs with an
// application object on the main thread.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
