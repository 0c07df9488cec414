// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli-events: the verbs of lumora-cli that wait for worker threads in
// a Qt event loop, and those that read the library through Qt SQL;
// lumora-cli hands them over to this program.
#include "base/QtLogSink.h"
#include "cli/CliMain.h"

#include <QCoreApplication>

namespace lumora::cli {
namespace {

constexpr Verb kVerbs[] = {{"object", Object}, {"socket", Socket}, {"history", History}, {"favourites", Favourites}};

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) {
    lumora::InstallQtLogSink();
    QCoreApplication app(argc, argv);
    return lumora::cli::RunVerb(lumora::cli::kVerbs, argc, argv);
}
