// SPDX-License-Identifier: GPL-3.0-or-later
// Who owns a UDP socket on this machine: Linux lists every UDP socket with
// its local address, port and owner's user id in /proc/net/udp (IPv4) and
// /proc/net/udp6 (IPv6). The handoff uses it to act only on its own user's
// datagrams and to hand addresses only to its own user's copy.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lumora {

// One socket of a /proc/net/udp or udp6 table.
struct UdpSocketRow {
    std::array<std::uint8_t, 16> address{};  // network order; IPv4 in the first 4 bytes
    bool v6 = false;
    std::uint16_t port = 0;
    std::uint32_t uid = 0;
};

// A data line of /proc/net/udp (`v6` false) or /proc/net/udp6; nothing for
// the header line or a line that does not read as one.
std::optional<UdpSocketRow> ParseUdpTableLine(std::string_view line, bool v6);

// The owner of the socket that an IPv4 datagram came from (or that listens
// on an IPv4 address:port): the rows bound to that port on that address, on
// the wildcard address or on its IPv4-mapped IPv6 form. Nothing when no row
// matches or the matching rows have different owners.
std::optional<std::uint32_t> UdpSocketOwner(std::string_view udpTable, std::string_view udp6Table,
                                            const std::array<std::uint8_t, 4>& address, std::uint16_t port);

// The same over this machine's tables, read now.
std::optional<std::uint32_t> UdpSocketOwner(const std::array<std::uint8_t, 4>& address, std::uint16_t port);

}  // namespace lumora
