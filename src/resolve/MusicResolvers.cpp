// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolve/MusicResolvers.h"

#include "base/Config.h"
#include "resolve/AddressText.h"
#include "script/Codings.h"
#include "web/ObjectRequest.h"
#include "web/WebText.h"

namespace lumora {

namespace {

const Text kQuote("\"");
const Text kDash("-");
const Text kJoin("$$");
const Text kSpacedDash(" - ");

ObjectRequestArgs Limited(const ServiceOptions& options) {
    ObjectRequestArgs args;
    args.limit = options.limit;
    return args;
}

bool Abandoned(const ServiceOptions& options) { return options.abandoned && options.abandoned(); }

// Only web addresses are fetched: the request object reads anything else as
// a local file (or as a mode prefix), and addresses handed over by a reply
// are untrusted.
bool WebAddress(const Text& address) {
    return address.StartsWith(Text("http://")) || address.StartsWith(Text("https://"));
}

Text FetchText(const Text& address, const ServiceOptions& options) {
    if (!WebAddress(address) || Abandoned(options)) return {};
    return ObjectRequestText(address, Limited(options));
}

Text Endpoint(const Text& host, const char* pathAndQuery) { return "http://" + host + pathAndQuery; }

// The value after `marker` up to the next double quote.
Text QuotedValue(const Text& text, const char* marker) { return TextBetween(text, Text(marker), kQuote); }

// A JSON address as PHP writes it, "\/" for "/".
Text JsonSlashes(const Text& address) { return address.ReplacedAll(Text("\\/"), Text("/")); }

// encodeURI leaves "&", "#" and "+" as they are, and in a query value they
// would end the value, cut the address or read as a space; a song named
// "Me & You" must reach the service whole.
Text ScriptKeyword(const Text& text) {
    return UriEncode(text, true)
        .ReplacedAll(Text("&"), Text("%26"))
        .ReplacedAll(Text("#"), Text("%23"))
        .ReplacedAll(Text("+"), Text("%2B"));
}

// A value from a reply put into a query: letters, digits and "-_.~" pass,
// every other byte is percent-encoded (a plain hexadecimal hash is unchanged).
Text QueryValue(const Text& value) { return Text::Gbk(PercentEncoded(value.Bytes(), PercentSet::Unreserved)); }

}  // namespace

bool UsableSongAddress(const Text& address) { return address.StartsWith(Text("http://")) && address.Length() >= 16; }

Text ResolveSong(Text& song, const ServiceOptions& options) {
    song = song.ReplacedAll(Text("∮"), kDash).ReplacedAll(kSpacedDash, kDash).ReplacedAll(kJoin, kDash);
    Text address = ResolveSongA(song, options);
    if (!UsableSongAddress(address)) address = ResolveSongB(song, options);
    if (!UsableSongAddress(address)) address = ResolveSongC(song, options);
    return address;
}

Text ResolveSongA(const Text& song, const ServiceOptions& options) {
    const Config& config = Config::Get();
    const Text keyword = ScriptKeyword(song.ReplacedAll(kJoin, kDash).ReplacedAll(kSpacedDash, kDash));
    const Text search = FetchText(
        Endpoint(config.songSearchAHost, "/new/app/i/search.php?cmd=300&pagesize=1&keyword=") + keyword, options);
    const Text hash = QuotedValue(search, "hash\":\"");
    if (hash.Empty()) return {};
    const Text key = ScriptDigest(hash + "plomvex");
    const Text track = FetchText(
        Endpoint(Config::Get().trackLocatorAHost, "/i/?cmd=4&hash=") + QueryValue(hash) + "&key=" + key, options);
    return JsonSlashes(QuotedValue(track, "url\":\""));
}

Text ResolveSongB(const Text& song, const ServiceOptions& options) {
    const Text keyword = UriEncode(song.ReplacedAll(kSpacedDash, kJoin).ReplacedAll(kDash, kJoin) + "$$$$", false);
    const Text reply = FetchText(Endpoint(Config::Get().songSearchBHost, "/x?op=12&count=1&title=") + keyword, options);
    const Text encoded = TextBetween(reply, Text("<encode><![CDATA["), Text("]]></encode>"));
    const Text decoded = TextBetween(reply, Text("<decode><![CDATA["), Text("]]></decode>"));
    const Text component = FileName(encoded, true);
    return encoded.Left(encoded.Length() - component.Length()) + decoded;
}

Text ResolveSongC(const Text& song, const ServiceOptions& options) {
    const Text keyword = ScriptKeyword(song.ReplacedAll(kJoin, kDash).ReplacedAll(kSpacedDash, kDash));
    const Text search = FetchText(
        Endpoint(Config::Get().songSearchCHost, "/yueku/intro/musina_mmi_search.php?key=") + keyword, options);
    const Text page = JsonSlashes(QuotedValue(search, "MP3_URL\":\""));
    const Text address = QuotedValue(FetchText(page, options), "url=\"");
    return address.Length() < 16 ? Text() : address;
}

Text ResolveMusicVideo(Text& name, const ServiceOptions& options) {
    const Config& config = Config::Get();
    const Text reply = FetchText(
        Endpoint(config.mvSearchHost, "/fcgi-bin/music_json.fcg?catZhida=1&lossless=0&json=1&t=12&utf8=1&p=1&w=") +
            UriEncode(name, false),
        options);
    const Text videoName = QuotedValue(reply, "mv_name:\"");
    const Text videoId = QuotedValue(reply, "v_id:\"");
    // Without an id there is no file: "/.flv" would be an address of nothing.
    name = videoId.Empty() ? Text() : "http://" + Config::Get().mvFileHost + "/" + videoId + ".flv";
    return name + "$|$" + videoName;
}

Text ResolveVideo56(const Text& number, const ServiceOptions& options) {
    const Text address = Endpoint(Config::Get().video56InfoHost, "/json/") + number + "/";
    if (Abandoned(options)) return {};
    const Text reply = Utf8BytesToText(ObjectRequest(address, Limited(options)));
    const Text title = QuotedValue(reply, "Subject\":\"");
    const Text media = QuotedValue(reply, "url\":\"");
    return media.Length() > 11 ? media + "$|$" + title : Text();
}

}  // namespace lumora
