#include "app/Handoff.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/StateReport.h"
#include "base/Config.h"
#include "base/Text.h"

namespace lumora {

quint16 HandoffPort()
{
    return static_cast<quint16>(Config::Get().handoffPort);
}

bool BindHandoffPort(MainWindow& window)
{
    QUdpSocket* socket = window.Units().handoffSocket;
    if (!socket->bind(QHostAddress(QHostAddress::LocalHost), HandoffPort(), QAbstractSocket::DontShareAddress))
        return false;
    QObject::connect(socket, &QUdpSocket::readyRead, &window, [&window] { OnHandoffDatagrams(window); });
    return true;
}

void SendHandoff(MainWindow& window)
{
    const std::vector<Text>& arguments = window.State().argumentList;
    if (arguments.empty() || arguments.front().Length() < 2)
        return;
    const std::string& bytes = arguments.front().Bytes();
    window.Units().handoffSocket->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()),
                                                QHostAddress(QHostAddress::LocalHost), HandoffPort());
}

bool AcceptableHandoff(const QByteArray& payload)
{
    if (payload.isEmpty() || payload.size() > kMaxHandoffBytes)
        return false;
    for (char c : payload) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

void OnHandoffDatagrams(MainWindow& window)
{
    QUdpSocket* socket = window.Units().handoffSocket;
    QByteArray chosen;
    bool found = false;
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        const bool local = datagram.senderAddress().isEqual(QHostAddress(QHostAddress::LocalHost),
                                                            QHostAddress::ConvertV4MappedToIPv4);
        if (datagram.isValid() && local && AcceptableHandoff(datagram.data())) {
            chosen = datagram.data();
            found = true;
        }
    }
    if (!found)
        return;
    const Text address = Text::Gbk(chosen.toStdString());
    if (window.State().reportState)
        ReportStateLine("handoff", address);
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
    PlayTypedAddress(window, address);
}

}  // namespace lumora
