// SPDX-License-Identifier: GPL-3.0-or-later
#include "site/Pages.h"

#include <array>
#include <cstdint>

namespace lumora::site {

namespace {

struct Category {
    const char* id;
    const char* name;
};

constexpr std::array<Category, 4> kCategories{{{"27", "写真"}, {"32", "风景"}, {"35", "音乐"}, {"39", "纪录"}}};

std::string PageHead(std::string_view title) {
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>";
    html += HtmlEscape(title);
    html +=
        " - Lumora 演示视频站</title>\n</head>\n<body>\n"
        "<div class=\"top\"><div class=\"logo\">Lumora 演示视频站</div>\n<ul class=\"nav\">"
        "<li><a href=\"/\">首页</a></li>";
    for (const Category& c : kCategories)
        html += std::string("<li><a href=\"/vodlist/index.php?id=") + c.id + "\">" + c.name + "</a></li>";
    html += "</ul></div>\n";
    return html;
}

const char* kPageFoot = "<div class=\"foot\">本站内容仅供播放器测试使用</div>\n</body></html>\n";

void AppendEntry(std::string& html, std::string_view id, std::string_view title,
                 std::string_view imageFolder = "/img/") {
    const std::string escapedId = HtmlEscape(id);
    const std::string escapedTitle = HtmlEscape(title);
    html += "<li><div class=\"pic\"><img src=\"";
    html += imageFolder;
    html += escapedId;
    html += ".jpg\" alt=\"\"></div><a href=\"/vod/index.php?id=";
    html += escapedId;
    html += "\" target=\"_blank\" title=\"";
    html += escapedTitle;
    html += " \" alt=\"";
    html += escapedTitle;
    html += "\">";
    html += escapedTitle;
    html += "</a><p class=\"date\">更新：2024-06-01</p></li>\n";
}

// The category id of a list path, empty for the home page.
std::string CategoryOf(const std::string& path) {
    const std::string prefix = "/vodlist/index.php?id=";
    if (path.compare(0, prefix.size(), prefix) != 0) return {};
    return path.substr(prefix.size(), path.find('&', prefix.size()) - prefix.size());
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string ListPagePath(std::string_view id, std::string_view page) {
    std::string path = "/vodlist/index.php?id=";
    path += id;
    if (!page.empty() && page != "1") {
        path += "&page=";
        path += page;
    }
    return path;
}

std::string ListPageHtml(const SiteData& data, const ListPage& page) {
    const std::string category = CategoryOf(page.path);
    std::string heading = "最新视频";
    for (const Category& c : kCategories)
        if (category == c.id) heading = std::string(c.name) + "视频";

    std::string html = PageHead(heading);
    html += "<div class=\"list\"><h2>" + HtmlEscape(heading) + "</h2>\n<ul>\n";
    for (const CatalogueEntry& entry : page.entries) AppendEntry(html, entry.id, entry.title);
    html += "</ul></div>\n";

    if (!category.empty()) {
        // Links to every page of this category the catalogue has.
        html += "<div class=\"pages\">";
        int number = 0;
        for (const ListPage& other : data.pages) {
            if (CategoryOf(other.path) != category) continue;
            ++number;
            html += "<a href=\"" + HtmlEscape(other.path) + "\">第" + std::to_string(number) + "页</a> ";
        }
        html += "</div>\n";
    }
    return html + kPageFoot;
}

std::string MissingListPageHtml() {
    return PageHead("没有找到") + "<div class=\"list\"><p>这个分类里还没有视频。</p></div>\n" + kPageFoot;
}

std::string MediaAddress(const CatalogueEntry& video, std::string_view host) {
    if (video.media.empty() || video.media == "-") return {};
    std::string address = "http://";
    address += host;
    if (video.media[0] != '/') address += "/media/";
    return address + video.media;
}

std::string DetailPageHtml(const CatalogueEntry* video, std::string_view mediaAddress) {
    if (video == nullptr) return PageHead("视频不存在") + "<div class=\"play\"><p>视频不存在。</p></div>\n" + kPageFoot;
    std::string html = PageHead(video->title);
    html += "<div class=\"play\"><h1>" + HtmlEscape(video->title) + "</h1>\n";
    if (mediaAddress.empty()) return html + "<p>该视频已下架。</p></div>\n" + kPageFoot;
    html += "<div id=\"player\"></div>\n<script type=\"text/javascript\">\nvar video=['";
    html += mediaAddress;
    html +=
        "->video/mp4'];\nvar player = new Player('player', video);\n</script>\n"
        "<p><a href=\"/\">返回首页</a></p></div>\n";
    return html + kPageFoot;
}

std::string BenchListHtml(long entries, long firstId, std::uint32_t seed, bool benchImages) {
    static const char* const kWords[] = {"夏日", "海边", "写真", "清新", "校园",   "花絮",   "城市",
                                         "夜景", "旅行", "日记", "高清", "完整版", "第一集", "街拍",
                                         "森林", "少女", "时光", "记忆", "秋天",   "雨后"};
    constexpr std::uint32_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);
    std::string html = PageHead("测试列表");
    html.reserve(html.size() + static_cast<std::size_t>(entries > 0 ? entries : 0) * 260);
    html += "<div class=\"list\"><ul>\n";
    std::uint32_t state = seed;  // a fixed linear congruential sequence: the same page every time
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 16;
    };
    for (long i = 0; i < entries; ++i) {
        std::string title;
        for (std::uint32_t words = 2 + next() % 3; words > 0; --words) title += kWords[next() % kWordCount];
        title += ' ';
        title += std::to_string(i % 97 + 1);
        AppendEntry(html, std::to_string(firstId + i), title, benchImages ? "/bench/img/" : "/img/");
    }
    html += "</ul></div>\n";
    return html + kPageFoot;
}

}  // namespace lumora::site
