// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue's list extraction over one page, beside the same job done by
// standard tools:
//   lumora     RegexObject::Create, then sub-matches 1 and 2 of every match
//   tools      iconv -f GB18030 -t UTF-8 | pcre2grep -u -i -o1 -o2 | iconv back
//   pcre2grep  pcre2grep -o1 -o2 on the raw GBK bytes
// Two more rows show what the page's GBK -> UTF-8 conversion costs inside
// lumora (tables) and what it would cost through iconv. Each runs `runs`
// times; the table gives the median and the best time and the ratio of each
// median to lumora's.
//
//   regex_bench PAGE [RUNS]
#include "base/CodePage.h"
#include "base/Text.h"
#include "base/GbkTables.h"
#include "script/RegexObject.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kListPattern[] = R"re(</div><a href="/vod/index\.php\?id=(\d+)" target="_blank" title="(.*?) " alt=)re";

double Seconds(const std::function<void()>& job) {
    const auto start = std::chrono::steady_clock::now();
    job();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Row {
    std::string name;
    std::vector<double> times;
    double Median() const {
        std::vector<double> t = times;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }
    double Best() const { return *std::min_element(times.begin(), times.end()); }
};

long CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PAGE [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string pagePath = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    std::ifstream in(pagePath, std::ios::binary);
    const lumora::Text page = lumora::Text::Gbk(std::string(std::istreambuf_iterator<char>(in), {}));
    if (page.Empty()) {
        std::fprintf(stderr, "cannot read %s\n", pagePath.c_str());
        return 1;
    }
    const std::string out = pagePath + ".out";
    const std::string quoted = std::string("'") + kListPattern + "'";
    const std::string toolsCommand = "iconv -f GB18030 -t UTF-8 '" + pagePath + "' | pcre2grep -u -i -o1 -o2 " +
                                     quoted + " | iconv -f UTF-8 -t GB18030 > '" + out + "'";
    const std::string grepCommand = "pcre2grep -o1 -o2 " + quoted + " '" + pagePath + "' > '" + out + "'";

    Row lumoraRow{"lumora RegexObject", {}};
    Row tablesRow{"  part: GBK -> UTF-8 by tables", {}};
    Row iconvRow{"  (the same by iconv)", {}};
    Row toolsRow{"iconv | pcre2grep -u -i | iconv", {}};
    Row grepRow{"pcre2grep (raw bytes)", {}};
    int matches = 0;
    std::size_t bytesRead = 0;
    volatile std::size_t sink = 0;
    long toolsLines = 0, grepLines = 0;
    for (int run = 0; run < runs; ++run) {
        lumora::Text subject = page;
        lumoraRow.times.push_back(Seconds([&] {
            lumora::RegexObject regex;
            regex.Create(kListPattern, std::move(subject));
            matches = regex.MatchCount();
            bytesRead = 0;
            for (int i = 1; i <= matches; ++i)
                bytesRead += regex.SubMatchText(i, 1).Length() + regex.SubMatchText(i, 2).Length();
        }));
        tablesRow.times.push_back(Seconds([&] { sink = sink + lumora::TableGbkToUtf8(page.Bytes()).size(); }));
        iconvRow.times.push_back(Seconds([&] { sink = sink + lumora::IconvGbkToUtf8(page.Bytes()).size(); }));
        toolsRow.times.push_back(Seconds([&] { std::system(toolsCommand.c_str()); }));
        toolsLines = CountLines(out);
        grepRow.times.push_back(Seconds([&] { std::system(grepCommand.c_str()); }));
        grepLines = CountLines(out);
    }
    std::remove(out.c_str());

    std::printf("page: %s, %.1f MB GBK, %d runs\n", pagePath.c_str(), page.Length() / 1e6, runs);
    std::printf("matches: lumora %d (%zu bytes of sub-matches), tools %ld, pcre2grep %ld\n\n", matches, bytesRead,
                toolsLines, grepLines);
    std::printf("%-34s %10s %10s %14s\n", "", "median s", "best s", "median/lumora");
    const double base = lumoraRow.Median();
    for (const Row* row : {&lumoraRow, &tablesRow, &iconvRow, &toolsRow, &grepRow})
        std::printf("%-34s %10.4f %10.4f %14.2f\n", row->name.c_str(), row->Median(), row->Best(),
                    row->Median() / base);
    return matches > 0 && matches == toolsLines ? 0 : 1;
}
