// The handoff port: a later copy of the program sends its first argument to
// the running one as one UDP datagram on 127.0.0.1:12500 (LUMORA_HANDOFF_PORT
// moves it); the running copy raises its window and plays the address as a
// typed address plays.
#pragma once

#include <QByteArray>

namespace lumora {

class MainWindow;

// The handoff port of this process: LUMORA_HANDOFF_PORT, else 12500.
quint16 HandoffPort();
// The longest payload acted on.
inline constexpr int kMaxHandoffBytes = 4096;

// Binds the datagram unit 系统数据 to 127.0.0.1:HandoffPort() (never to other
// addresses, never shared) and acts on what arrives. False when the port is
// taken: the program then runs without a handoff port.
bool BindHandoffPort(MainWindow& window);

// Sends the first command-line argument, when there is one of at least 2
// bytes, as one datagram of exactly its GBK bytes to 127.0.0.1:HandoffPort(). The
// send's result is not looked at.
void SendHandoff(MainWindow& window);

// A payload that is acted on: 1 to 4096 bytes, no control characters.
bool AcceptableHandoff(const QByteArray& payload);

// Reads every waiting datagram; plays the last acceptable one sent from
// 127.0.0.1.
void OnHandoffDatagrams(MainWindow& window);

}  // namespace lumora
