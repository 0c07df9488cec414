// SPDX-License-Identifier: GPL-3.0-or-later
#include "site/Services.h"

#include "base/CodePage.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace lumora::site {

namespace {

enum class Hostile { None, Empty, Garbage, Stall, Short, Gbk };

Hostile HostileKind(const std::string& key) {
    if (key == "lumora-empty") return Hostile::Empty;
    if (key == "lumora-garbage") return Hostile::Garbage;
    if (key == "lumora-stall") return Hostile::Stall;
    if (key == "lumora-short") return Hostile::Short;
    if (key == "lumora-gbk") return Hostile::Gbk;
    return Hostile::None;
}

// Every `from` (not empty) replaced, left to right.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t done = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, done)) {
        out.append(text, done, at - done);
        out.append(to);
        done = at + from.size();
    }
    out.append(text, done);
    return out;
}

std::string AsciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return c < 0x80 ? static_cast<char>(std::tolower(c)) : static_cast<char>(c);
    });
    return text;
}

// A JSON string body (without the quotes). Non-ASCII becomes \uXXXX (as PHP's
// json_encode writes it), so the reply is plain ASCII; with `escapeSlash`
// "/" becomes "\/".
std::string JsonAscii(std::string_view utf8, bool escapeSlash) {
    std::string out;
    char buffer[8];
    for (char16_t unit : Utf8ToUtf16(utf8)) {
        if (unit == '"' || unit == '\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit == '/' && escapeSlash) {
            out += "\\/";
        } else if (unit < 0x20 || unit >= 0x7f) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(unit));
            out += buffer;
        } else {
            out += static_cast<char>(unit);
        }
    }
    return out;
}

// A JSON string body that keeps UTF-8 as it is; only quotes, backslashes and
// control characters are escaped.
std::string JsonUtf8(std::string_view utf8) {
    std::string out;
    char buffer[8];
    for (char c : SanitizeUtf8(utf8)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

// Numeric character references for everything outside printable ASCII, so an
// HTML reply is plain ASCII whatever code page its reader assumes.
std::string HtmlAscii(std::string_view utf8) {
    std::string out;
    const std::u16string units = Utf8ToUtf16(utf8);
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        if (code == '&' || code == '<' || code == '>' || code == '"' || code < 0x20 || code >= 0x7f)
            out += "&#" + std::to_string(code) + ";";
        else
            out += static_cast<char>(code);
    }
    return out;
}

const Song* FindSong(const SiteData& data, const std::string& key, char service) {
    for (const Song& song : data.songs)
        if (SongKey(song.key) == key && song.services.find(service) != std::string::npos) return &song;
    return nullptr;
}

const Song* FindSongA(const SiteData& data, const std::string& key) {
    if (const Song* song = FindSong(data, key, 'A')) return song;
    return FindSong(data, key, 'a');
}

Reply Json(std::string body) { return {200, "application/json; charset=utf-8", std::move(body), false}; }

Reply Garbage() { return {200, "text/html", GarbageBytes(), false}; }

Reply Stall(std::string start, std::string contentType) {
    return {200, std::move(contentType), std::move(start), true};
}

std::string FileSize(const SiteData& data, const std::string& media) {
    const MediaFile* file = data.FindMedia(media);
    return std::to_string(file ? file->bytes.size() : 0);
}

// "http:\/\/HOST\/…": an address written as PHP's json_encode writes it.
std::string JsonAddress(std::string_view scheme, std::string_view host, std::string_view path) {
    return JsonAscii(std::string(scheme) + "://" + std::string(host) + std::string(path), true);
}

constexpr const char* kSearchAHead = R"({"status":1,"error":"","data":{"timestamp":1717200000,)";

}  // namespace

std::string SongKey(std::string_view utf8) {
    std::string key(utf8);
    key = ReplaceAll(std::move(key), "∮", "-");
    key = ReplaceAll(std::move(key), " - ", "-");
    key = ReplaceAll(std::move(key), "$$", "-");
    const std::size_t first = key.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    key = key.substr(first, key.find_last_not_of(' ') - first + 1);
    return AsciiLower(std::move(key));
}

Reply SongSearchA(const SiteData& data, std::string_view keyword) {
    const std::string key = SongKey(keyword);
    const std::string head = kSearchAHead;
    switch (HostileKind(key)) {
        case Hostile::Empty:
            return Json(head + R"("total":1,"info":[{"hash":"","filename":"","extname":"mp3"}]},"errcode":0})");
        case Hostile::Garbage:
            return Garbage();
        case Hostile::Stall:
            return Stall(head + R"("total":1,"info":[{"hash":")", "application/json; charset=utf-8");
        case Hostile::Short:
            return Json(head + R"("total":1,"info":[{"hash":")" + Md5Hex(key, true) +
                        R"(","filename":"short","extname":"mp3"}]},"errcode":0})");
        default:
            break;
    }
    const Song* song = FindSongA(data, key);
    if (song == nullptr) return Json(head + R"("total":0,"info":[]},"errcode":0})");
    return Json(head + R"("total":1,"info":[{"hash":")" + song->hash + R"(","filename":")" +
                JsonAscii(song->singer + " - " + song->title, true) + R"(","singername":")" +
                JsonAscii(song->singer, true) + R"(","songname":")" + JsonAscii(song->title, true) +
                R"(","extname":"mp3","duration":5}]},"errcode":0})");
}

Reply TrackLocatorA(const SiteData& data, std::string_view hash, std::string_view key, std::string_view host) {
    // The key is checked over the hash exactly as sent; only the lower-case
    // hexadecimal digest is accepted.
    if (key != Md5Hex(std::string(hash) + kTrackKeySuffix))
        return Json(R"({"status":0,"error":"key error","errcode":100})");
    const std::string wanted = AsciiLower(std::string(hash));
    if (wanted.empty()) return Json(R"({"status":1,"fileName":"","url":"","errcode":0})");
    if (wanted == AsciiLower(Md5Hex("lumora-short", true)))
        return Json(R"({"status":1,"fileName":"short","url":"http:\/\/a.b\/c.mp","errcode":0})");
    for (const Song& song : data.songs) {
        if (AsciiLower(song.hash) != wanted) continue;
        const char* scheme = song.services.find('a') != std::string::npos ? "https" : "http";
        return Json(R"({"status":1,"fileName":")" + JsonAscii(song.singer + " - " + song.title, true) + R"(","url":")" +
                    JsonAddress(scheme, host, "/media/a/" + song.hash + ".mp3") +
                    R"(","bitRate":32,"extName":"mp3","timeLength":5,"fileSize":)" + FileSize(data, song.media) +
                    R"(,"errcode":0})");
    }
    return Json(R"({"status":0,"error":"not found","errcode":404})");
}

Reply SongSearchB(const SiteData& data, std::string_view keywordGbk, std::string_view host) {
    std::string keyword = GbkToUtf8(keywordGbk);
    if (keyword.size() >= 4 && keyword.compare(keyword.size() - 4, 4, "$$$$") == 0) keyword.resize(keyword.size() - 4);
    const std::string key = SongKey(keyword);
    const std::string type = "text/xml; charset=gbk";
    const std::string head = "<?xml version=\"1.0\" encoding=\"gbk\" ?>\n<result>\n";
    switch (HostileKind(key)) {
        case Hostile::Empty:
            return {200, type,
                    head +
                        "<count>1</count>\n<url><encode><![CDATA[]]></encode><decode><![CDATA[]]></decode>"
                        "<type>8</type></url>\n</result>\n",
                    false};
        case Hostile::Garbage:
            return Garbage();
        case Hostile::Stall:
            return Stall(head + "<count>1</count>\n<url><encode><![CDATA[http://", type);
        default:
            break;
    }
    const Song* song = FindSong(data, key, 'B');
    if (song == nullptr) return {200, type, head + "<count>0</count>\n</result>\n", false};
    const std::string encoded = "http://" + std::string(host) + "/media/b/" + EncodedNameB(*song);
    const std::string url = "<encode><![CDATA[" + encoded + "]]></encode><decode><![CDATA[" + song->slug +
                            ".mp3]]></decode><type>8</type><lrcid>0</lrcid><flag>1</flag>";
    const std::string xml = head + "<count>1</count>\n<url>" + url + "</url>\n<durl>" + url +
                            "</durl>\n<name><![CDATA[" + song->singer + " " + song->title + "]]></name>\n<size>" +
                            FileSize(data, song->media) + "</size>\n</result>\n";
    return {200, type, Utf8ToGbk(xml), false};
}

Reply SongSearchC(const SiteData& data, std::string_view keyword, std::string_view host) {
    const std::string key = SongKey(keyword);
    const std::string head = R"({"result":{"status":{"code":0},"data":[)";
    auto entry = [&](std::string_view name, std::string_view singer, const std::string& address) {
        return Json(head + R"({"NAME":")" + JsonAscii(name, true) + R"(","SINGERCNAME":")" + JsonAscii(singer, true) +
                    R"(","MP3_URL":")" + address + R"("}]},"count":1})");
    };
    switch (HostileKind(key)) {
        case Hostile::Empty:
            return entry("", "", "");
        case Hostile::Garbage:
            return Garbage();
        case Hostile::Stall:
            return Stall(head + R"({"NAME":"","MP3_URL":"http:\/\/)", "application/json; charset=utf-8");
        case Hostile::Short:
            return entry("short", "", JsonAddress("http", host, "/yueku/page/lumora-short.html"));
        default:
            break;
    }
    const Song* song = FindSong(data, key, 'C');
    if (song == nullptr) return Json(head + R"(]},"count":0})");
    return entry(song->title, song->singer, JsonAddress("http", host, "/yueku/page/" + song->slug + ".html"));
}

Reply SongPageC(const SiteData& data, std::string_view slug, std::string_view host) {
    auto page = [](const std::string& title, const std::string& address) {
        return Reply{200, "text/html; charset=utf-8",
                     "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlAscii(title) +
                         "</title></head>\n<body>\n<div id=\"player\"><embed type=\"audio/mpeg\" url=\"" + address +
                         "\" autostart=\"true\" width=\"300\" height=\"45\"></div>\n</body></html>\n",
                     false};
    };
    if (slug == "lumora-short") return page("short", "http://a.b/c.mp");
    for (const Song& song : data.songs)
        if (song.slug == slug && song.services.find('C') != std::string::npos)
            return page(song.title + " - " + song.singer,
                        "http://" + std::string(host) + "/media/c/" + song.slug + ".mp3");
    return {404, "text/html; charset=utf-8", "<html><body><p>Not found</p></body></html>\n", false};
}

Reply MusicVideoSearch(const SiteData& data, std::string_view keywordGbk) {
    std::string name = GbkToUtf8(keywordGbk);
    const std::size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(' ') - first + 1);
    const std::string type = "application/javascript; charset=gbk";
    const std::string head = "searchJsonCallback({retcode:0,code:0,subcode:0,data:{";
    auto reply = [&](const std::string& list, int count) {
        return Reply{200, type, Utf8ToGbk(head + "totalnum:" + std::to_string(count) + ",list:[" + list + "]}})\n"),
                     false};
    };
    switch (HostileKind(SongKey(name))) {
        case Hostile::Empty:
            return reply(R"({v_id:"",mv_name:"",singer_name:""})", 1);
        case Hostile::Garbage:
            return Garbage();
        case Hostile::Stall:
            return Stall(head + R"(totalnum:1,list:[{v_id:")", type);
        default:
            break;
    }
    const std::string wanted = AsciiLower(name);
    for (const MusicVideo& mv : data.musicVideos)
        if (AsciiLower(mv.name) == wanted)
            return reply(R"({v_id:")" + mv.videoId + R"(",mv_name:")" + mv.name +
                             R"(",singer_name:"",pubdate:"2024-06-01",duration:3})",
                         1);
    return reply("", 0);
}

Reply Video56Info(const SiteData& data, std::string_view number, std::string_view host) {
    auto reply = [&](const std::string& textId, const std::string& title, const std::string& address) {
        return Json(R"({"result":"200","info":{"textid":")" + JsonUtf8(textId) + R"(","Subject":")" + JsonUtf8(title) +
                    R"(","rfiles":[{"url":")" + JsonUtf8(address) + R"(","type":"normal"}],"img":"http://)" +
                    std::string(host) + "/img/56/" + JsonUtf8(textId) + R"(.jpg"}})");
    };
    switch (HostileKind(std::string(number))) {
        case Hostile::Empty:
            return reply("", "", "");
        case Hostile::Garbage:
            return Garbage();
        case Hostile::Stall:
            return Stall(R"({"result":"200","info":{"Subject":")", "application/json; charset=utf-8");
        case Hostile::Short:
            return reply("short", "太短的地址", "http://a.bc");
        case Hostile::Gbk:
            if (!data.videos56.empty()) {
                const Video56& v = data.videos56.front();
                Reply gbk = reply(v.number, v.title, "http://" + std::string(host) + "/media/" + v.media);
                gbk.body = Utf8ToGbk(gbk.body);
                gbk.contentType = "application/json; charset=gbk";
                return gbk;
            }
            break;
        default:
            break;
    }
    for (const Video56& v : data.videos56)
        if (v.number == number) return reply(v.number, v.title, "http://" + std::string(host) + "/media/" + v.media);
    return Json(R"({"result":"404","info":null})");
}

std::string ServiceMediaFile(const SiteData& data, std::string_view path) {
    if (path.size() < 7 || path[1] != '/' || path.substr(path.size() - 4) != ".mp3") return {};
    const char service = path[0];
    const std::string name(path.substr(2, path.size() - 6));
    for (const Song& song : data.songs) {
        const bool match = (service == 'a' && AsciiLower(song.hash) == AsciiLower(name)) ||
                           (service == 'b' && (song.slug == name || EncodedNameB(song) == name + ".mp3")) ||
                           (service == 'c' && song.slug == name);
        if (match) return song.media;
    }
    return {};
}

std::string EncodedNameB(const Song& song) {
    std::string name = "Q";
    name += AsciiLower(song.hash.substr(0, 12));
    name += ".mp3";
    return name;
}

std::string GarbageBytes(std::size_t count) {
    std::string bytes(count, '\0');
    std::uint32_t state = 0x5eed;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    return bytes;
}

}  // namespace lumora::site
