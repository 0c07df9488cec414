#include "base/QtLogSink.h"

#include <QLoggingCategory>
#include <QString>

#include "base/Log.h"

namespace lumora {

namespace {

Q_LOGGING_CATEGORY(webLog, "lumora.web", QtWarningMsg)
Q_LOGGING_CATEGORY(playbackLog, "lumora.playback", QtWarningMsg)
Q_LOGGING_CATEGORY(catalogueLog, "lumora.catalogue", QtWarningMsg)
Q_LOGGING_CATEGORY(downloadLog, "lumora.download", QtWarningMsg)
Q_LOGGING_CATEGORY(handoffLog, "lumora.handoff", QtWarningMsg)

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

}  // namespace

void InstallQtLogSink() { SetLogSink(&kQtSink); }

}  // namespace lumora
