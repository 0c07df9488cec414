// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli-media: the verbs of lumora-cli that use the playback engines;
// lumora-cli hands them over to this program.
#include "base/QtLogSink.h"
#include "cli/CliMain.h"

#include <QApplication>

#include <cstring>
#include <memory>

namespace lumora::cli {
namespace {

constexpr Verb kVerbs[] = {{"classify", Classify}, {"resolve", Resolve}, {"play", Play}};

// Playback needs widgets: on the offscreen platform when there is no display.
// The other verbs need only the event loop.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "play") != 0) return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) {
    lumora::InstallQtLogSink();
    const auto app = lumora::cli::MakeApplication(argc, argv);
    return lumora::cli::RunVerb(lumora::cli::kVerbs, argc, argv);
}
