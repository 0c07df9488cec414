// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Handoff.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaObject>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <unistd.h>

#include <array>
#include <map>
#include <string>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/StateReport.h"
#include "app/UdpSocketOwner.h"
#include "base/Config.h"
#include "base/Log.h"

namespace lumora {

namespace {

constexpr std::array<std::uint8_t, 4> kLoopback = {127, 0, 0, 1};

std::string OwnerText(const std::optional<std::uint32_t>& owner) {
    return owner ? "uid " + std::to_string(*owner) : std::string("owner unknown");
}

// One turn of the event loop reads at most this many datagrams, of which at
// most kLookupsPerTurn senders are looked up (a read of the kernel's socket
// tables): a flood never holds the window, and a real handoff among it is
// still found.
constexpr int kDatagramsPerTurn = 512;
constexpr int kLookupsPerTurn = 8;

// Senders found to belong to another user, for a second: a flood from a
// few sockets then costs a few look-ups a second, not one a datagram. Only
// refusals are kept: a port found to be this user's is looked up afresh
// every time, so another user who takes it over is never taken for us.
class RefusedSenders {
public:
    std::optional<std::optional<std::uint32_t>> Find(std::uint16_t port) {
        if (!age_.isValid() || age_.elapsed() > 1000) {
            owners_.clear();
            age_.start();
        }
        const auto found = owners_.find(port);
        if (found == owners_.end()) return std::nullopt;
        return found->second;
    }
    void Keep(std::uint16_t port, const std::optional<std::uint32_t>& owner) {
        if (owners_.size() < 1024) owners_.emplace(port, owner);
    }

private:
    QElapsedTimer age_;
    std::map<std::uint16_t, std::optional<std::uint32_t>> owners_;
};

// A refused handoff is logged at most once a second; the ones in between are
// counted into the next line.
void LogRefused(std::uint16_t senderPort, const std::optional<std::uint32_t>& owner) {
    static QElapsedTimer last;
    static int unlogged = 0;
    if (last.isValid() && last.elapsed() < 1000) {
        ++unlogged;
        return;
    }
    std::string line = "refused a handoff from 127.0.0.1:" + std::to_string(senderPort) + " (" + OwnerText(owner) +
                       ", not this user)";
    if (unlogged > 0) line += "; " + std::to_string(unlogged) + " more refused since the last line";
    LogWarning(LogLayer::Handoff, line);
    unlogged = 0;
    last.start();
}

}  // namespace

quint16 HandoffPort() { return static_cast<quint16>(Config::Get().handoffPort); }

bool BindHandoffPort(MainWindow& window) {
    QUdpSocket* socket = window.Units().handoffSocket;
    if (!socket->bind(QHostAddress(QHostAddress::LocalHost), HandoffPort(), QAbstractSocket::DontShareAddress))
        return false;
    QObject::connect(socket, &QUdpSocket::readyRead, &window, [&window] { OnHandoffDatagrams(window); });
    return true;
}

bool HandedOver(const Text& argument) { return argument.Length() >= 2; }

std::optional<std::uint32_t> HandoffPortOwner() { return UdpSocketOwner(kLoopback, HandoffPort()); }

void SendHandoff(MainWindow& window, const Text& argument) {
    QUdpSocket* socket = window.Units().handoffSocket;
    // Bound to 127.0.0.1, so the running copy finds this socket's owner.
    socket->bind(QHostAddress(QHostAddress::LocalHost), 0);
    const std::string& bytes = argument.Bytes();
    if (socket->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), QHostAddress(QHostAddress::LocalHost),
                              HandoffPort()) < 0)
        return;
    socket->waitForReadyRead(kHandoffAnswerWaitMs);
}

bool AcceptableHandoff(const QByteArray& payload) {
    if (payload.isEmpty() || payload.size() > kMaxHandoffBytes) return false;
    for (char c : payload) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

void OnHandoffDatagrams(MainWindow& window) {
    QUdpSocket* socket = window.Units().handoffSocket;
    QByteArray chosen;
    bool found = false;
    // The owners found this turn, by sender port: a flood from one socket
    // costs one look-up.
    std::map<std::uint16_t, std::optional<std::uint32_t>> owners;
    int read = 0;
    for (; read < kDatagramsPerTurn && socket->hasPendingDatagrams(); ++read) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        const bool local = datagram.senderAddress().isEqual(QHostAddress(QHostAddress::LocalHost),
                                                            QHostAddress::ConvertV4MappedToIPv4);
        if (!datagram.isValid() || !local || !AcceptableHandoff(datagram.data())) continue;
        const auto senderPort = static_cast<std::uint16_t>(datagram.senderPort());
        static RefusedSenders refused;
        if (const auto known = refused.Find(senderPort)) {
            LogRefused(senderPort, *known);
            continue;
        }
        auto known = owners.find(senderPort);
        if (known == owners.end()) {
            if (static_cast<int>(owners.size()) >= kLookupsPerTurn) continue;  // dropped unread: too many senders
            known = owners.emplace(senderPort, UdpSocketOwner(kLoopback, senderPort)).first;
        }
        const std::optional<std::uint32_t> owner = known->second;
        if (owner != ::getuid()) {
            refused.Keep(senderPort, owner);
            LogRefused(senderPort, owner);
            continue;
        }
        // The sender may close its socket now.
        socket->writeDatagram(QByteArray(), datagram.senderAddress(), static_cast<quint16>(datagram.senderPort()));
        chosen = datagram.data();
        found = true;
    }
    if (found) PlayHandedAddress(window, Text::Gbk(chosen.toStdString()));
    // More are waiting: another turn, after whatever else the window has to do.
    if (socket->hasPendingDatagrams())
        QMetaObject::invokeMethod(&window, [&window] { OnHandoffDatagrams(window); }, Qt::QueuedConnection);
}

void PlayHandedAddress(MainWindow& window, const Text& address) {
    if (window.State().reportState) ReportStateLine("handoff", address);
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
    PlayTypedAddress(window, address);
}

}  // namespace lumora
