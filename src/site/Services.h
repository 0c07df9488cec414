// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in web services: each function answers one endpoint from the
// demo data, in the reply shape and encoding the player's resolvers read.
//
//   song search A    /new/app/i/search.php?cmd=300&pagesize=1&keyword=K   UTF-8 keyword; JSON with hash":"H"
//   track locator A  /i/?cmd=4&hash=H&key=MD5(H+"plomvex")                JSON with url":"http:\/\/…mp3"
//   song search B    /x?op=12&count=1&title=K                             GBK keyword "singer$$title$$$$";
//                                                                         GBK XML with <encode> and <decode>
//   song search C    /yueku/intro/musina_mmi_search.php?key=K             UTF-8 keyword; JSON with MP3_URL":"…"
//   song page C      /yueku/page/SLUG.html                                HTML with url="http://…mp3"
//   music-video      /fcgi-bin/music_json.fcg?…&w=K                       GBK keyword; GBK reply with
//                                                                         mv_name:"NAME" and v_id:"ID"
//   56 information   /json/N/                                             UTF-8 JSON with Subject and url
//
// Keywords are compared after normalising the joins between singer and title
// ("$$", " - " and "∮" all read as "-"), ASCII case folded. An unknown keyword
// gets a well-formed reply without the markers. Some keywords stand for
// hostile answers, at every service alike:
//   lumora-empty    the markers with empty values
//   lumora-garbage  bytes that are no reply at all
//   lumora-stall    the start of a reply, then nothing (the server holds the connection)
//   lumora-short    a usable-looking address that is too short (A: 15 bytes, C: 15 bytes, 56: 11 bytes)
//   lumora-gbk      (56 only) a known reply sent in GBK instead of UTF-8
#pragma once

#include "site/SiteData.h"

#include <string>
#include <string_view>

namespace lumora::site {

struct Reply {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    // Send `body` as the beginning of the reply, then keep the connection
    // open without sending more.
    bool stall = false;
};

// The fixed suffix service A's key is the MD5 of, after the hash.
inline constexpr const char* kTrackKeySuffix = "plomvex";

// The normalised, case-folded form songs and keywords are compared in.
std::string SongKey(std::string_view utf8);

// `keyword` and the names are UTF-8 for A, C and 56, GBK bytes for B and the
// music-video search, as the query decoded them. `host` is "host[:port]" of
// the site, put into every address a reply carries.
Reply SongSearchA(const SiteData& data, std::string_view keyword);
Reply TrackLocatorA(const SiteData& data, std::string_view hash, std::string_view key, std::string_view host);
Reply SongSearchB(const SiteData& data, std::string_view keywordGbk, std::string_view host);
Reply SongSearchC(const SiteData& data, std::string_view keyword, std::string_view host);
Reply SongPageC(const SiteData& data, std::string_view slug, std::string_view host);
Reply MusicVideoSearch(const SiteData& data, std::string_view keywordGbk);
Reply Video56Info(const SiteData& data, std::string_view number, std::string_view host);

// The media file a service address under /media/ stands for: the song files
// of services A ("a/HASH.mp3"), B ("b/ENCODED.mp3" and "b/SLUG.mp3") and C
// ("c/SLUG.mp3"). Empty when the path names none of them.
std::string ServiceMediaFile(const SiteData& data, std::string_view path);

// Service B's opaque file name for a song, which the decoded name replaces.
std::string EncodedNameB(const Song& song);

// A fixed run of bytes that is no reply of any kind (NULs, control bytes,
// invalid UTF-8 and GBK), the same every time.
std::string GarbageBytes(std::size_t count = 2048);

}  // namespace lumora::site
