// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UdpSocketOwner.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace lumora {

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

template <typename Number>
bool ReadNumber(std::string_view digits, int base, Number& value) {
    if (digits.empty() || digits.size() > 2 * sizeof(Number) + (base == 10 ? sizeof(Number) : 0)) return false;
    unsigned long long result = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        result = result * base + digit;
        if (result > static_cast<Number>(-1)) return false;
    }
    value = static_cast<Number>(result);
    return true;
}

// The kernel prints the address as 32-bit words in the machine's byte
// order; each word back in memory gives the bytes in network order.
bool ReadAddress(std::string_view hex, bool v6, std::array<std::uint8_t, 16>& address) {
    const std::size_t words = v6 ? 4 : 1;
    if (hex.size() != words * 8) return false;
    for (std::size_t i = 0; i < words; ++i) {
        std::uint32_t word = 0;
        if (!ReadNumber(hex.substr(i * 8, 8), 16, word)) return false;
        std::memcpy(address.data() + i * 4, &word, 4);
    }
    return true;
}

bool Matches(const UdpSocketRow& row, const std::array<std::uint8_t, 4>& address, std::uint16_t port) {
    if (row.port != port) return false;
    const std::uint8_t* a = row.address.data();
    if (!row.v6) return std::memcmp(a, address.data(), 4) == 0 || std::memcmp(a, "\0\0\0\0", 4) == 0;
    static constexpr std::uint8_t kZero[16] = {};
    static constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(a, kZero, 16) == 0) return true;
    return std::memcmp(a, kMappedPrefix, 12) == 0 &&
           (std::memcmp(a + 12, address.data(), 4) == 0 || std::memcmp(a + 12, kZero, 4) == 0);
}

std::string ReadAll(const char* path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

std::optional<UdpSocketRow> ParseUdpTableLine(std::string_view line, bool v6) {
    // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ...
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 8 || fields[0].empty() || fields[0].back() != ':') return std::nullopt;
    const std::string_view local = fields[1];
    const std::size_t colon = local.find(':');
    UdpSocketRow row;
    row.v6 = v6;
    if (colon == std::string_view::npos || !ReadAddress(local.substr(0, colon), v6, row.address) ||
        local.size() - colon - 1 != 4 || !ReadNumber(local.substr(colon + 1), 16, row.port) ||
        !ReadNumber(fields[7], 10, row.uid))
        return std::nullopt;
    return row;
}

std::optional<std::uint32_t> UdpSocketOwner(std::string_view udpTable, std::string_view udp6Table,
                                            const std::array<std::uint8_t, 4>& address, std::uint16_t port) {
    std::optional<std::uint32_t> owner;
    bool mixed = false;
    for (const bool v6 : {false, true}) {
        std::string_view table = v6 ? udp6Table : udpTable;
        while (!table.empty()) {
            const std::size_t end = table.find('\n');
            const std::string_view line = table.substr(0, end);
            table = end == std::string_view::npos ? std::string_view{} : table.substr(end + 1);
            const std::optional<UdpSocketRow> row = ParseUdpTableLine(line, v6);
            if (!row || !Matches(*row, address, port)) continue;
            if (owner && *owner != row->uid) mixed = true;
            owner = row->uid;
        }
    }
    if (mixed) return std::nullopt;
    return owner;
}

std::optional<std::uint32_t> UdpSocketOwner(const std::array<std::uint8_t, 4>& address, std::uint16_t port) {
    return UdpSocketOwner(ReadAll("/proc/net/udp"), ReadAll("/proc/net/udp6"), address, port);
}

}  // namespace lumora
