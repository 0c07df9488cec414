// SPDX-License-Identifier: GPL-3.0-or-later
// The demo content lumora-site serves: the catalogue (list pages and the
// videos behind them), the songs, music videos and 56 videos the stand-in
// services know, and the media files, all read once from a data directory.
// Every text here is UTF-8.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumora::site {

// One entry of a list page. `media` is a file under media/, a path on the
// site ("/..."), "-" for a video without an address, or empty when a later
// entry of an id relies on its first one.
struct CatalogueEntry {
    std::string id;
    std::string title;
    std::string media;
};

struct ListPage {
    std::string path;  // path and query it is served at, e.g. "/vodlist/index.php?id=32&page=2"
    std::vector<CatalogueEntry> entries;
};

struct Song {
    std::string key;  // "singer-title", as the data file writes it
    std::string singer;
    std::string title;
    std::string services;  // letters of the services that know it: A, B, C; "a": A with https
    std::string slug;      // ASCII name used in addresses
    std::string media;     // file under media/
    std::string hash;      // service A's hash: upper-case hex MD5 of `key`
};

struct MusicVideo {
    std::string name;
    std::string videoId;
    std::string media;
};

struct Video56 {
    std::string number;
    std::string title;
    std::string media;
};

struct MediaFile {
    std::string contentType;
    std::string bytes;
};

struct SiteData {
    std::vector<ListPage> pages;
    std::map<std::string, CatalogueEntry> videos;  // by id: the first entry of each id
    std::vector<Song> songs;
    std::vector<MusicVideo> musicVideos;
    std::vector<Video56> videos56;
    std::map<std::string, MediaFile> media;  // by file name under media/
    std::map<std::string, std::string> images;  // JPEG bytes by file name under img/
    std::vector<std::string> warnings;       // lines skipped while loading

    const ListPage* FindPage(const std::string& path) const;
    const CatalogueEntry* FindVideo(const std::string& id) const;
    const MediaFile* FindMedia(const std::string& name) const;
    // The list image of video `id`: img/STEM.jpg when its media is a file
    // under media/ named STEM.EXT and that image exists, else
    // img/placeholder.jpg; null for an unknown id (or no placeholder).
    const std::string* FindListImage(const std::string& id) const;
};

// Reads DIR/catalogue.txt, DIR/services.txt, the files of DIR/media/ and the
// JPEG images of DIR/img/.
// No value (and `error` set) when a description file can't be read; a
// malformed line is skipped and noted in `warnings`.
std::optional<SiteData> LoadSiteData(const std::filesystem::path& dir, std::string* error = nullptr);

// The demo data: share/lumora-site of the installation the program runs
// from, else the source tree's data directory it was built from.
std::filesystem::path BundledDataDir();

// The Content-Type a media file name stands for (by its extension).
std::string MediaContentType(const std::string& fileName);

// MD5 of `bytes` as 32 hexadecimal digits, lower case unless `upperCase`.
std::string Md5Hex(const std::string& bytes, bool upperCase = false);

}  // namespace lumora::site
