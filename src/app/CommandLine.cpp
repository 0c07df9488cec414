// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QString>

#include <cstring>

#include "base/Version.h"

namespace lumora {

ProgramOptions ParseProgramOptions(int argc, const char* const* argv) {
    ProgramOptions options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (optionsEnded) {
            options.rest.emplace_back(argument);
            ++options.afterDoubleDash;
        } else if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            options.help = true;
        } else if (std::strcmp(argument, "--version") == 0) {
            options.version = true;
        } else if (std::strcmp(argument, "--report-state") == 0) {
            options.reportState = true;
        } else if (std::strncmp(argument, "--", 2) == 0) {
            if (options.unknown.empty()) options.unknown = argument;
        } else {
            options.rest.emplace_back(argument);
        }
    }
    return options;
}

std::string ProgramHelp() {
    return "Usage: lumora [OPTION]... [ADDRESS]\n"
           "Lumora plays ADDRESS (a local file, a web address or one of the player's own address\n"
           "forms) and browses the video catalogue. When a copy of Lumora already runs for this\n"
           "user, ADDRESS is handed to it and this copy ends at once.\n"
           "\n"
           "  --report-state  print every change of the window title and of the status bar on\n"
           "                  standard output, one line each\n"
           "  --help          print this help and exit\n"
           "  --version       print the version and exit\n"
           "  --              what follows is an address, even when it begins with \"--\"\n"
           "\n"
           "Qt's own options are written with one dash (-platform NAME, -style NAME).\n"
           "The LUMORA_* environment variables set the catalogue and service hosts, the download\n"
           "folder, the instance marker and the handoff port; see lumora(1). QT_LOGGING_RULES\n"
           "turns on more log detail (\"lumora.*.debug=true\").\n";
}

std::string ProgramVersionLine() { return std::string("lumora ") + kLumoraVersion + "\n"; }

Text AddressOfArgument(const std::string& utf8Argument) {
    const QString argument = QString::fromUtf8(utf8Argument);
    // A file manager passes the files it opens as file:// addresses (the
    // desktop entry's %U): the local file they name.
    if (argument.startsWith(QStringLiteral("file://"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        const QString host = url.host();
        const QString path = url.path(QUrl::FullyDecoded);
        if (url.isValid() && (host.isEmpty() || host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) &&
            path.startsWith(QLatin1Char('/')) && !path.contains(QChar(0)))
            return Text::FromUtf8(path.toStdString());
    }
    // Only a name without a scheme can be a relative path.
    if (!argument.isEmpty() && !argument.contains(QStringLiteral("://"))) {
        const QFileInfo file(argument);
        if (file.isRelative() && file.exists())
            return Text::FromUtf8(QDir::cleanPath(file.absoluteFilePath()).toStdString());
    }
    return Text::FromUtf8(utf8Argument);
}

}  // namespace lumora
