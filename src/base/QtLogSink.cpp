// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/QtLogSink.h"

#include <QLoggingCategory>
#include <QtGlobal>
#include <QString>

#include "base/Log.h"

namespace lumora {

namespace {

Q_LOGGING_CATEGORY(webLog, "lumora.web", QtWarningMsg)
Q_LOGGING_CATEGORY(playbackLog, "lumora.playback", QtWarningMsg)
Q_LOGGING_CATEGORY(catalogueLog, "lumora.catalogue", QtWarningMsg)
Q_LOGGING_CATEGORY(downloadLog, "lumora.download", QtWarningMsg)
Q_LOGGING_CATEGORY(handoffLog, "lumora.handoff", QtWarningMsg)
// Qt's own remarks about the desktop that change nothing for Lumora.
Q_LOGGING_CATEGORY(desktopLog, "lumora.desktop", QtWarningMsg)

const QLoggingCategory& Category(LogLayer layer) {
    switch (layer) {
        case LogLayer::Web:
            return webLog();
        case LogLayer::Playback:
            return playbackLog();
        case LogLayer::Catalogue:
            return catalogueLog();
        case LogLayer::Download:
            return downloadLog();
        case LogLayer::Handoff:
            return handoffLog();
    }
    return webLog();
}

bool Enabled(LogLayer layer, LogLevel level) {
    const QLoggingCategory& category = Category(layer);
    return level == LogLevel::Debug ? category.isDebugEnabled() : category.isWarningEnabled();
}

void Write(LogLayer layer, LogLevel level, std::string_view text) {
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (level == LogLevel::Debug)
        qCDebug(Category(layer)).noquote() << message;
    else
        qCWarning(Category(layer)).noquote() << message;
}

constexpr LogSink kQtSink{Enabled, Write};

QtMessageHandler previousHandler = nullptr;

// Qt's word that XDG_RUNTIME_DIR is unset (a session without a login
// manager, a test): Qt then uses a folder of its own, and Lumora's player
// movie goes to TMPDIR. Printed only with lumora.desktop.debug=true.
bool DesktopRemark(const QString& message) {
    return message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
           message.startsWith(QLatin1String("QStandardPaths: wrong permissions on runtime directory"));
}

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && DesktopRemark(message) && !desktopLog().isDebugEnabled()) return;
    if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

void InstallQtLogSink() {
    SetLogSink(&kQtSink);
    static const bool installed = [] {
        previousHandler = qInstallMessageHandler(FilterMessage);
        return true;
    }();
    (void)installed;
}

}  // namespace lumora
