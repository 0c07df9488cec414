// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a catalogue list page in GBK: the page markup around `entries`
// anchors of the form the catalogue's list pattern reads, Chinese titles.
//
//   make_catalogue_page OUT ENTRIES
#include "base/CodePage.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT ENTRIES\n", argv[0]);
        return 2;
    }
    const long entries = std::strtol(argv[2], nullptr, 10);
    const char* words[] = {"夏日", "海边",   "写真",   "清新", "校园", "花絮", "城市", "夜景", "旅行", "日记",
                           "高清", "完整版", "第一集", "街拍", "森林", "少女", "时光", "记忆", "秋天", "雨后"};
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> pick(0, std::size(words) - 1);
    std::uniform_int_distribution<int> length(2, 4);

    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>视频列表</title></head>\n"
        "<body><div class=\"list\"><ul>\n";
    for (long i = 0; i < entries; ++i) {
        std::string title;
        for (int w = length(random); w > 0; --w) title += words[pick(random)];
        title += ' ';
        title += std::to_string(i % 97 + 1);
        const std::string id = std::to_string(100000 + i);
        page += "<li class=\"item\"><div class=\"pic\"><img src=\"/upload/vod/" + id +
                ".jpg\"></div><a href=\"/vod/index.php?id=" + id + "\" target=\"_blank\" title=\"" + title +
                " \" alt=\"" + title + "\">" + title + "</a><span>更新：2024-06-01</span></li>\n";
    }
    page += "</ul></div></body></html>\n";

    std::ofstream out(argv[1], std::ios::binary);
    const std::string gbk = lumora::Utf8ToGbk(page);
    out.write(gbk.data(), static_cast<std::streamsize>(gbk.size()));
    return out ? 0 : 1;
}
