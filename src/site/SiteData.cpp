// SPDX-License-Identifier: GPL-3.0-or-later
#include "site/SiteData.h"

#include <openssl/evp.h>

#include <algorithm>
#include <fstream>
#include <system_error>
#include <sstream>

#ifndef LUMORA_SITE_DATA_DIR
#define LUMORA_SITE_DATA_DIR "data"
#endif

namespace lumora::site {

namespace {

// Media files larger than this are not served (the demo clips are tiny).
constexpr std::uintmax_t kMaxMediaBytes = 64u << 20;

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(out).str();
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

// The description files' lines: CR LF or LF endings, comments and blank
// lines dropped, each kept with its 1-based number for warnings.
std::vector<std::pair<int, std::string>> ContentLines(const std::string& text) {
    std::vector<std::pair<int, std::string>> lines;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        lines.emplace_back(number, line);
    }
    return lines;
}

// "\n" becomes a line feed and "\\" a backslash; any other backslash stays.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            out += text[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void Warn(SiteData& data, const char* file, int line, const std::string& what) {
    data.warnings.push_back(std::string(file) + ":" + std::to_string(line) + ": " + what);
}

void ParseCatalogue(const std::string& text, SiteData& data) {
    ListPage* page = nullptr;
    for (const auto& [number, line] : ContentLines(text)) {
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3 || line[1] != '/') {
                Warn(data, "catalogue.txt", number, "page header must be [/PATH]");
                page = nullptr;
                continue;
            }
            data.pages.push_back({line.substr(1, line.size() - 2), {}});
            page = &data.pages.back();
            continue;
        }
        const std::vector<std::string> fields = SplitTabs(line);
        if (page == nullptr || fields.size() < 2 || fields.size() > 3 || fields[0].empty()) {
            Warn(data, "catalogue.txt", number, "expected ID<TAB>TITLE[<TAB>MEDIA] after a page header");
            continue;
        }
        CatalogueEntry entry{fields[0], Unescape(fields[1]), fields.size() == 3 ? fields[2] : std::string()};
        page->entries.push_back(entry);
        if (!data.videos.contains(entry.id)) data.videos.emplace(entry.id, std::move(entry));
    }
}

void ParseServices(const std::string& text, SiteData& data) {
    for (const auto& [number, line] : ContentLines(text)) {
        const std::vector<std::string> f = SplitTabs(line);
        const bool emptyField = std::any_of(f.begin(), f.end(), [](const std::string& s) { return s.empty(); });
        if (f[0] == "song" && f.size() == 5 && !emptyField) {
            Song song{f[1], {}, {}, f[2], f[3], f[4], Md5Hex(f[1], true)};
            const std::size_t dash = song.key.find('-');
            song.singer = song.key.substr(0, dash);
            if (dash != std::string::npos) song.title = song.key.substr(dash + 1);
            data.songs.push_back(std::move(song));
        } else if (f[0] == "mv" && f.size() == 4 && !emptyField) {
            data.musicVideos.push_back({f[1], f[2], f[3]});
        } else if (f[0] == "v56" && f.size() == 4 && !emptyField) {
            data.videos56.push_back({f[1], f[2], f[3]});
        } else {
            Warn(data, "services.txt", number, "unknown or incomplete line");
        }
    }
}

void LoadMedia(const std::filesystem::path& dir, SiteData& data) {
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(dir, ec)) {
        if (!item.is_regular_file(ec) || item.file_size(ec) > kMaxMediaBytes) continue;
        if (std::optional<std::string> bytes = ReadFile(item.path())) {
            const std::string name = item.path().filename().string();
            data.media[name] = {MediaContentType(name), std::move(*bytes)};
        }
    }
}

void LoadImages(const std::filesystem::path& dir, SiteData& data) {
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(dir, ec)) {
        if (!item.is_regular_file(ec) || item.path().extension() != ".jpg" || item.file_size(ec) > kMaxMediaBytes)
            continue;
        if (std::optional<std::string> bytes = ReadFile(item.path()))
            data.images[item.path().filename().string()] = std::move(*bytes);
    }
}

}  // namespace

const ListPage* SiteData::FindPage(const std::string& path) const {
    for (const ListPage& page : pages)
        if (page.path == path) return &page;
    return nullptr;
}

const CatalogueEntry* SiteData::FindVideo(const std::string& id) const {
    const auto it = videos.find(id);
    return it == videos.end() ? nullptr : &it->second;
}

const MediaFile* SiteData::FindMedia(const std::string& name) const {
    const auto it = media.find(name);
    return it == media.end() ? nullptr : &it->second;
}

const std::string* SiteData::FindListImage(const std::string& id) const {
    const CatalogueEntry* video = FindVideo(id);
    if (video == nullptr) return nullptr;
    const std::string& file = video->media;
    if (!file.empty() && file != "-" && file[0] != '/' && FindMedia(file) != nullptr) {
        const auto own = images.find(file.substr(0, file.rfind('.')) + ".jpg");
        if (own != images.end()) return &own->second;
    }
    const auto placeholder = images.find("placeholder.jpg");
    return placeholder == images.end() ? nullptr : &placeholder->second;
}

std::optional<SiteData> LoadSiteData(const std::filesystem::path& dir, std::string* error) {
    SiteData data;
    for (const char* name : {"catalogue.txt", "services.txt"}) {
        std::optional<std::string> text = ReadFile(dir / name);
        if (!text) {
            if (error != nullptr) *error = "cannot read " + (dir / name).string();
            return std::nullopt;
        }
        if (std::string_view(name) == "catalogue.txt")
            ParseCatalogue(*text, data);
        else
            ParseServices(*text, data);
    }
    LoadMedia(dir / "media", data);
    LoadImages(dir / "img", data);
    for (const auto& [id, video] : data.videos)
        if (!video.media.empty() && video.media != "-" && video.media[0] != '/' && !data.FindMedia(video.media))
            data.warnings.push_back("catalogue.txt: video " + id + ": no media file " + video.media);
    return data;
}

std::filesystem::path BundledDataDir() {
#ifdef LUMORA_SITE_DATA_FROM_BIN
    // Installed: share/lumora-site beside the program's bin/.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path installed = self.parent_path() / LUMORA_SITE_DATA_FROM_BIN;
        if (std::filesystem::is_regular_file(installed / "catalogue.txt", error)) return installed.lexically_normal();
    }
#endif
    return LUMORA_SITE_DATA_DIR;
}

std::string MediaContentType(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : fileName.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "mp4") return "video/mp4";
    if (ext == "flv") return "video/x-flv";
    if (ext == "mp3") return "audio/mpeg";
    return "application/octet-stream";
}

std::string Md5Hex(const std::string& bytes, bool upperCase) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
    const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return hex;
}

}  // namespace lumora::site
