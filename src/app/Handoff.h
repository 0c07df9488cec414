// SPDX-License-Identifier: GPL-3.0-or-later
// The handoff port: a later copy of the program sends its first argument to
// the running one as one UDP datagram on 127.0.0.1:12500 (LUMORA_HANDOFF_PORT
// moves it); the running copy raises its window and plays the address as a
// typed address plays. Both ends deal only with sockets of their own user:
// the running copy acts only on datagrams sent from a socket its user owns,
// and a later copy sends only to a port its user holds.
#pragma once

#include "base/Text.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace lumora {

class MainWindow;

// The handoff port of this process: LUMORA_HANDOFF_PORT, else 12500.
quint16 HandoffPort();
// The longest payload acted on.
inline constexpr int kMaxHandoffBytes = 4096;
// How long a later copy waits for the running copy's answer, in ms.
inline constexpr int kHandoffAnswerWaitMs = 2000;

// Binds the datagram unit 系统数据 to 127.0.0.1:HandoffPort() (never to
// other addresses, never shared) and acts on what arrives. False when the
// port is taken: the program then runs without a handoff port.
bool BindHandoffPort(MainWindow& window);

// Whether `argument` is handed over (and played) at all: 2 bytes or more.
bool HandedOver(const Text& argument);

// The owner of the socket that holds 127.0.0.1:HandoffPort(), if any.
std::optional<std::uint32_t> HandoffPortOwner();

// Sends `argument` as one datagram of exactly its GBK bytes to
// 127.0.0.1:HandoffPort() from a socket bound to 127.0.0.1, and keeps that
// socket until the running copy answers (it looks the sender's owner up
// while the socket exists) or kHandoffAnswerWaitMs have passed.
void SendHandoff(MainWindow& window, const Text& argument);

// A payload that is acted on: 1 to 4096 bytes, no control characters.
bool AcceptableHandoff(const QByteArray& payload);

// Reads every waiting datagram; answers each acceptable one sent from a
// socket of this user on 127.0.0.1 with an empty datagram, and plays the
// last of them. Datagrams of other users are logged and dropped.
void OnHandoffDatagrams(MainWindow& window);

// Raises the window and plays `address` as a typed address plays; reported
// as "handoff: ADDRESS" with --report-state.
void PlayHandedAddress(MainWindow& window, const Text& address);

}  // namespace lumora
