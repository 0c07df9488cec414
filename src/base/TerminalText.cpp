// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TerminalText.h"

#include <array>

namespace lumora {

namespace {

// What a byte asks of the escaping loop.
enum Kind : unsigned char {
    kPlain,
    kEscape,    // always written as an escape
    kC1Lead,    // 0xC2: a C1 control when the next byte is 0x80-0x9F
    kCarriage,  // CR: kept when a line feed follows (bodies only)
};

struct KindTable {
    std::array<Kind, 256> kinds{};
};

enum class Form { Field, Body, Line };

constexpr KindTable MakeTable(Form form) {
    KindTable t;
    for (int c = 0; c < 0x20; ++c) t.kinds[c] = kEscape;
    t.kinds[0x7F] = kEscape;
    t.kinds[0xC2] = kC1Lead;
    if (form == Form::Body) {
        t.kinds['\t'] = kPlain;
        t.kinds['\n'] = kPlain;
        t.kinds['\r'] = kCarriage;
    } else if (form == Form::Field) {
        t.kinds['\\'] = kEscape;
    }
    return t;
}

constexpr KindTable kFieldKinds = MakeTable(Form::Field);
constexpr KindTable kBodyKinds = MakeTable(Form::Body);
constexpr KindTable kLineKinds = MakeTable(Form::Line);

void AppendByteEscape(std::string& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (c) {
        case '\t':
            out += "\\t";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\\':
            out += "\\\\";
            return;
        default:
            break;
    }
    const char escape[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 0x0F]};
    out.append(escape, 4);
}

void AppendEscaped(std::string& out, std::string_view text, const KindTable& table) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        const auto* run = p;
        while (p < end && table.kinds[*p] == kPlain) ++p;
        out.append(reinterpret_cast<const char*>(run), p - run);
        if (p == end) break;
        const unsigned char c = *p++;
        switch (table.kinds[c]) {
            case kC1Lead:
                if (p < end && *p >= 0x80 && *p <= 0x9F) {
                    AppendByteEscape(out, c);
                    AppendByteEscape(out, *p++);
                } else {
                    out += static_cast<char>(c);
                }
                break;
            case kCarriage:
                if (p < end && *p == '\n')
                    out += '\r';
                else
                    AppendByteEscape(out, c);
                break;
            default:
                AppendByteEscape(out, c);
                break;
        }
    }
}

}  // namespace

void AppendEscapedField(std::string& out, std::string_view utf8) { AppendEscaped(out, utf8, kFieldKinds); }

void AppendEscapedBody(std::string& out, std::string_view utf8) { AppendEscaped(out, utf8, kBodyKinds); }
void AppendEscapedLine(std::string& out, std::string_view utf8) { AppendEscaped(out, utf8, kLineKinds); }

}  // namespace lumora
