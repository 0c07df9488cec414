// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolve/PrivateSchemes.h"

#include "base/Config.h"
#include "base/NumberText.h"
#include "resolve/AddressText.h"
#include "script/Codings.h"
#include "web/NetworkAddress.h"

#include <string>
#include <vector>

namespace lumora {

namespace {

const Text kResultJoin("$|$");

// An address a service named: played only when it is a network stream, never
// a local file.
Text FromService(const Text& address) { return IsNetworkStreamAddress(address) ? address : Text(); }

// The parts of a resolver's "address$|$title" answer.
std::vector<Text> ResultParts(const Text& result) { return result.Split(kResultJoin); }

}  // namespace

bool IsNumberText(const Text& text) { return std::to_string(ReadInteger(text)) == text.Bytes(); }

Text MusicVideoAddress(const Text& identifier) { return Config::Get().relayBase + identifier + "/temp.flv"; }

Text HexOfText(const Text& text) {
    static const char* const digits = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.Length() * 2);
    for (unsigned char c : text.Bytes()) {
        if (c >= 0x10) out += digits[c >> 4];
        out += digits[c & 15];
    }
    return Text::Gbk(std::move(out));
}

Text DecodePayload(const Text& text, const Text& sourceTag) {
    if (!LooksBase64(text)) return text;
    return Unescape(sourceTag == Text("8225500") ? ScriptBase64Decode(text) : Base64Decode(text));
}

namespace {

// An address as Open reads it before any service is asked: the "$$" dashes
// replaced, a bare number and a "quil://" payload turned into addresses, a
// title after "|" split off.
struct OpenAddress {
    Text working;
    Text scheme;
    Text rest;  // what follows the scheme and its slash
    Text titleOverride;
};

OpenAddress ReadOpenAddress(const Text& address) {
    OpenAddress read;
    Text working = address.ReplacedAll(Text("$$"), Text("-"));

    if (IsNumberText(working)) working = MusicVideoAddress(working);
    if (working.Left(7).Lower() == Text("quil://")) {
        if (working.EndsWith(Text("/"))) working = working.Left(working.Length() - 1);
        working = DecodePayload(working.Mid(8), Text("8225500"));
    }
    if (working.Contains(Text("|"))) {
        const std::vector<Text> parts = working.Split(Text("|"));
        if (parts.size() >= 2) {
            working = parts[0];
            read.titleOverride = parts[1].Empty() ? parts[0] : parts[1];
        }
    }

    read.scheme = Scheme(working);
    if (IsNumberText(working)) working = MusicVideoAddress(working);
    read.rest = working.Mid(read.scheme.Length() + 1);
    read.working = working;
    return read;
}

bool IsVideo56Page(const Text& working) {
    const Text domain = Config::Get().video56Domain;
    return !domain.Empty() && working.Contains(domain) && (working.Contains(Text("vid-")) || working.Contains(Text("v_")));
}

}  // namespace

bool NeedsServices(const Text& address) {
    const OpenAddress read = ReadOpenAddress(address);
    return read.scheme == Text("mp3://") || read.scheme == Text("qqmv://") ||
           (read.scheme != Text("yyt://") && IsVideo56Page(read.working));
}

Resolution ResolveOpen(const Text& address, const Text& title, EngineRequest engineType,
                       const ServiceOptions& options) {
    Resolution resolution;
    const Text givenTitle = title;  // the caller's texts may change while the services answer
    const OpenAddress read = ReadOpenAddress(address);
    resolution.titleOverride = read.titleOverride;
    const Text& working = read.working;
    const Text& scheme = read.scheme;
    Text rest = read.rest;

    if (scheme == Text("yyt://")) {
        if (IsNumberText(rest)) {
            resolution.address = MusicVideoAddress(rest);
        } else {
            resolution.titleOverride = rest;
            resolution.address = MusicVideoAddress(HexOfText(rest));
        }
        resolution.engineType = EngineRequest::Player;
        return resolution;
    }
    if (scheme == Text("mp3://")) {
        resolution.titleOverride = rest;
        resolution.address = FromService(ResolveSong(rest, options));
        resolution.fromService = true;
        resolution.engineType = EngineRequest::Player;
        return resolution;
    }
    if (scheme == Text("qqmv://")) {
        const std::vector<Text> parts = ResultParts(ResolveMusicVideo(rest, options));
        resolution.titleOverride = parts.size() < 2 ? rest : parts[1];
        resolution.address = parts.empty() ? Text() : FromService(parts[0]);
        resolution.engineType = EngineRequest::Flash;
        resolution.fromService = true;
        return resolution;
    }

    if (IsVideo56Page(working)) {
        const bool holdsVid = working.Contains(Text("vid-"));
        const Text number = TextBetween(working, Text(holdsVid ? "vid-" : "v_"), Text("."));
        const Text result = number.Empty() ? Text() : ResolveVideo56(number, options);
        const std::vector<Text> parts = ResultParts(result);
        if (parts.size() > 1) resolution.titleOverride = parts[1];
        resolution.engineType = EngineRequest::Flash;
        resolution.address = parts.empty() ? Text() : FromService(parts[0]);
        resolution.fromService = true;
        // No video found, or one that is no network stream: nothing to play.
        if (result.Empty() || resolution.address.Empty()) resolution.play = false;
        return resolution;
    }

    resolution.address = working;
    resolution.engineType = engineType;
    if (!givenTitle.Empty()) {
        resolution.titleOverride = givenTitle;
        resolution.titleFromCaller = true;
    }
    return resolution;
}

}  // namespace lumora
