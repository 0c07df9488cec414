// lumora-cli-media: the verbs of lumora-cli that use the playback engines;
// lumora-cli hands them over to this program.
#include "cli/CliMain.h"

#include <QApplication>

namespace lumora::cli {
namespace {

// Playback needs widgets: on the offscreen platform when there is no display.
std::unique_ptr<QCoreApplication> MakeWidgetsApp(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

constexpr Verb kVerbs[] = {
    {"classify", Classify},
    {"resolve", Resolve},
    {"play", Play, MakeWidgetsApp},
};

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) { return lumora::cli::RunVerb(lumora::cli::kVerbs, argc, argv); }
