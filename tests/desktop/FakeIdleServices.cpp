// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins of the desktop's idle services on the session bus, for the
// end-to-end tests: the portal's Inhibit (org.freedesktop.portal.Desktop,
// with a Request object per inhibition) and the screen-saver service
// (org.freedesktop.ScreenSaver). Every call is printed on standard output,
// one line each, and so are the MPRIS signals seen on the bus:
//
//   ready
//   portal-inhibit FLAGS HANDLE      portal-close HANDLE
//   screensaver-inhibit APP COOKIE   screensaver-uninhibit COOKIE
//   seeked POSITION                  changed NAME=VALUE ...
//
// --hold NAME takes a bus name and does nothing with it (another player).
//
//   lumora-fake-idle-services [--portal | --failing-portal] [--screensaver] [--hold NAME]
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>
#include <memory>

namespace {

void Say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

class PortalRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    explicit PortalRequest(QString path) : path_(std::move(path)) {}

public slots:
    void Close() {
        Say(QStringLiteral("portal-close ") + path_);
        QDBusConnection::sessionBus().unregisterObject(path_);
        deleteLater();
    }

private:
    QString path_;
};

class Portal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    explicit Portal(bool failing) : failing_(failing) {}

public slots:
    QDBusObjectPath Inhibit(const QString&, uint flags, const QVariantMap&) {
        if (failing_) {
            Say(QStringLiteral("portal-refused %1").arg(flags));
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotAllowed"), QStringLiteral("no backend"));
            return {};
        }
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/fake/t%1").arg(++count_);
        QDBusConnection::sessionBus().registerObject(path, new PortalRequest(path), QDBusConnection::ExportAllSlots);
        Say(QStringLiteral("portal-inhibit %1 %2").arg(flags).arg(path));
        return QDBusObjectPath(path);
    }

private:
    bool failing_;
    int count_ = 0;
};

class ScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public slots:
    uint Inhibit(const QString& app, const QString&) {
        Say(QStringLiteral("screensaver-inhibit %1 %2").arg(app).arg(++cookie_));
        return cookie_;
    }
    void UnInhibit(uint cookie) { Say(QStringLiteral("screensaver-uninhibit %1").arg(cookie)); }

private:
    uint cookie_ = 40;
};

// Prints the MPRIS signals any player sends.
class SignalWatch : public QObject {
    Q_OBJECT
public slots:
    void OnSeeked(qlonglong position) { Say(QStringLiteral("seeked %1").arg(position)); }
    void OnChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface != QStringLiteral("org.mpris.MediaPlayer2.Player")) return;
        QString line = QStringLiteral("changed");
        for (auto it = changed.begin(); it != changed.end(); ++it) {
            QString value = it.value().toString();
            if (it.key() == QStringLiteral("Metadata")) value = QStringLiteral("…");
            line += QStringLiteral(" %1=%2").arg(it.key(), value);
        }
        Say(line);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "lumora-fake-idle-services: no session bus\n");
        return 1;
    }
    std::unique_ptr<Portal> portal;
    if (args.contains(QStringLiteral("--portal")) || args.contains(QStringLiteral("--failing-portal"))) {
        portal = std::make_unique<Portal>(args.contains(QStringLiteral("--failing-portal")));
        bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), portal.get(),
                           QDBusConnection::ExportAllSlots);
        if (!bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) return 1;
    }
    std::unique_ptr<ScreenSaver> screenSaver;
    if (args.contains(QStringLiteral("--screensaver"))) {
        screenSaver = std::make_unique<ScreenSaver>();
        bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), screenSaver.get(),
                           QDBusConnection::ExportAllSlots);
        if (!bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))) return 1;
    }
    const qsizetype hold = args.indexOf(QStringLiteral("--hold"));
    if (hold >= 0 && hold + 1 < args.size() && !bus.registerService(args[hold + 1])) return 1;
    SignalWatch watch;
    const QString path = QStringLiteral("/org/mpris/MediaPlayer2");
    bus.connect(QString(), path, QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Seeked"), &watch,
                SLOT(OnSeeked(qlonglong)));
    bus.connect(QString(), path, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("PropertiesChanged"), &watch, SLOT(OnChanged(QString, QVariantMap, QStringList)));
    Say(QStringLiteral("ready"));
    return app.exec();
}

#include "FakeIdleServices.moc"
