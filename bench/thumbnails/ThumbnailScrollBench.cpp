// SPDX-License-Identifier: GPL-3.0-or-later
// One scroll of the catalogue list from top to bottom: the list page at URL
// read as the window reads it, its rows in a list set up as the window's
// (100x392, uniform rows), with the list images attached or not, then one
// page further down every 16 ms until the end. Prints one line:
//   frames N worst_ms W p99_ms P median_ms M rss_before_kib R added_rss_kib A images_fetched I
// where a frame is the time between two ticks of the 16 ms timer (what the
// window keeps up with), and added_rss_kib is the largest resident size seen
// during the scroll less the size before it.
//
//   thumbnail_scroll_bench URL with|without CACHE_DIR
#include "app/ListThumbnails.h"
#include "app/MainWindowUnits.h"
#include "app/QtText.h"
#include "catalogue/Catalogue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace lumora;

namespace {

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[2], "with") != 0 && std::strcmp(argv[2], "without") != 0)) {
        std::fprintf(stderr, "usage: thumbnail_scroll_bench URL with|without CACHE_DIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    const bool images = std::strcmp(argv[2], "with") == 0;
    const std::vector<ListRow> rows = FetchListPage(Text::FromUtf8(argv[1]));
    if (rows.empty()) {
        std::fprintf(stderr, "no rows at %s\n", argv[1]);
        return 1;
    }

    QTreeWidget list;
    list.setRootIsDecorated(false);
    list.setItemsExpandable(false);
    list.setUniformRowHeights(true);
    list.setHeaderLabels({QStringLiteral("写真视频"), QStringLiteral("网址"), QStringLiteral("地址")});
    list.setColumnWidth(kTitleColumn, 100);
    list.hideColumn(kPageColumn);
    list.hideColumn(kAddressColumn);
    list.resize(100, 392);
    if (images) {
        ListThumbnailOptions options;
        options.cacheFolder = argv[3];
        AttachListThumbnails(list, options);
    }
    QList<QTreeWidgetItem*> items;
    for (const ListRow& row : rows) {
        auto* item = new QTreeWidgetItem(QStringList{ToQString(row.title), ToQString(row.id), QString()});
        if (!row.image.Empty()) item->setData(kTitleColumn, kRowImageRole, ToQString(row.image));
        items.append(item);
    }
    list.addTopLevelItems(items);
    list.show();
    // Settle: the first page drawn (and its images in), the memory measured after.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000) app.processEvents(QEventLoop::AllEvents, 50);
    const long before = ResidentKib();

    QScrollBar* bar = list.verticalScrollBar();
    std::vector<double> frames;
    long peak = before;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(16);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        frames.push_back(static_cast<double>(now - last) / 1e6);
        last = now;
        peak = std::max(peak, ResidentKib());
        if (bar->value() >= bar->maximum()) {
            tick.stop();
            app.quit();
            return;
        }
        bar->setValue(bar->value() + bar->pageStep());
    });
    tick.start();
    app.exec();
    // The last page's images, then the memory once more.
    settle.restart();
    while (settle.elapsed() < 1000) app.processEvents(QEventLoop::AllEvents, 50);
    peak = std::max(peak, ResidentKib());

    int fetched = 0;
    if (images) {
        std::error_code error;
        for (const auto& item : std::filesystem::directory_iterator(argv[3], error)) {
            (void)item;
            ++fetched;
        }
    }
    std::printf("frames %zu worst_ms %.1f p99_ms %.1f median_ms %.1f rss_before_kib %ld added_rss_kib %ld "
                "images_fetched %d\n",
                frames.size(), Percentile(frames, 1.0), Percentile(frames, 0.99), Percentile(frames, 0.5), before,
                peak - before, fetched);
    return 0;
}
