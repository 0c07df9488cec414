// SPDX-License-Identifier: GPL-3.0-or-later
// The search as a person types it: the window's search box over 14 list
// pages of ENTRIES entries each, fetched from lumora-site, and for every
// keystroke of a few typed queries the time from the key event to the
// results drawn (the match, the view's model reset and a synchronous paint
// of the results). Beside it, the peer: `grep -F -i -c` of the same query's
// words over a file of the same titles, a process per keystroke.
//
//   search_keystroke_bench CATALOGUE_HOST [ROUNDS]
#include "app/ListViews.h"
#include "app/MainWindow.h"
#include "app/SearchPages.h"
#include "base/Config.h"
#include "catalogue/Catalogue.h"
#include "ShellCommand.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QKeyEvent>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace lumora;
using bench::Quote;
using bench::RunMs;

struct Figures {
    std::vector<double> ms;
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double Worst() const { return *std::max_element(ms.begin(), ms.end()); }
};

// A key as the keyboard gives it: press and release, to the focus widget.
void Press(QWidget* target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

// The peer's command for the words typed so far: one grep per word, piped.
std::string GrepCommand(const QString& typed, const std::string& titles) {
    std::string command;
    for (const QString& word : typed.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        command += (command.empty() ? "grep -F -i " + Quote(word.toStdString()) + " " + Quote(titles)
                                    : " | grep -F -i " + Quote(word.toStdString()));
    return command.empty() ? std::string("true") : command + " | wc -l > /dev/null";
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CATALOGUE_HOST [ROUNDS]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    Config config = Config::Defaults();
    config.catalogueHost = Text::FromUtf8(argv[1]);
    ScopedConfigOverride useSite(config);

    MainWindow window;
    window.show();
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("搜索框"));
    auto* results = window.findChild<QListView*>(QStringLiteral("搜索结果"));
    SearchPages& pages = SearchPagesOf(window);

    QElapsedTimer loading;
    loading.start();
    FocusSearchBox(window);
    while (pages.Fetching() && loading.elapsed() < 120'000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const CatalogueIndex& index = pages.Index();
    if (index.PagesHeld() != kBatchCount || index.Count() == 0) {
        std::fprintf(stderr, "the 14 list pages did not arrive (%d pages, %d rows)\n", index.PagesHeld(), index.Count());
        return 1;
    }
    std::printf("14 list pages from %s: %d rows, loaded in %lld ms\n", argv[1], index.Count(),
                static_cast<long long>(loading.elapsed()));

    // The same titles for the peer.
    char dir[] = "/tmp/search-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string titles = std::string(dir) + "/titles.txt";
    {
        std::ofstream out(titles, std::ios::binary);
        for (int row = 0; row < index.Count(); ++row) out << index.Row(row).title << '\n';
    }

    // Typed queries: a word character by character, a second word, the
    // first word deleted back to nothing.
    const std::vector<QString> words = {QStringLiteral("夏日海边"), QStringLiteral("写真 1"), QStringLiteral("ab 秋天 雨后")};
    Figures lumora, peer, matchAlone;
    std::vector<std::pair<double, std::string>> slowest;  // keystroke time, the text after it
    std::size_t shown = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const QString& word : words) {
            box->clear();
            QCoreApplication::processEvents();
            const auto time = [&](auto key) {
                QElapsedTimer timer;
                timer.start();
                key();
                results->viewport()->repaint();
                lumora.ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
                slowest.emplace_back(lumora.ms.back(), box->text().toStdString() + " (" +
                                                           std::to_string(results->model()->rowCount()) + " results)");
                // A whole scan of the index for the same text, for comparison.
                const std::string query = box->text().toStdString();
                timer.restart();
                const std::size_t found = index.Match(query).size();
                matchAlone.ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6 + 0 * static_cast<double>(found));
                shown += static_cast<std::size_t>(results->model()->rowCount());
                if (round == 0) peer.ms.push_back(RunMs(GrepCommand(box->text(), titles), false));
                QCoreApplication::processEvents();
            };
            for (const QChar c : word) time([&] { Press(box, c == QLatin1Char(' ') ? Qt::Key_Space : 0, QString(c)); });
            for (qsizetype i = 0; i < word.size(); ++i) time([&] { Press(box, Qt::Key_Backspace, QString()); });
        }
    }
    std::remove(titles.c_str());
    rmdir(dir);

    std::printf("%zu keystrokes (%d rounds of %zu typed queries), %zu results shown in all\n\n", lumora.ms.size(),
                rounds, words.size(), shown);
    std::printf("%-40s %12s %12s\n", "per keystroke", "median ms", "worst ms");
    std::printf("%-40s %12.2f %12.2f\n", "lumora: key to results drawn", lumora.Median(), lumora.Worst());
    std::printf("%-40s %12.2f %12.2f\n", "(a whole scan of the index, same text)", matchAlone.Median(), matchAlone.Worst());
    std::printf("%-40s %12.2f %12.2f\n", "grep -F -i | ... over the titles file", peer.Median(), peer.Worst());
    std::sort(slowest.rbegin(), slowest.rend());
    std::printf("\nslowest keystrokes:");
    for (std::size_t i = 0; i < std::min<std::size_t>(3, slowest.size()); ++i)
        std::printf(" %.2f ms \"%s\";", slowest[i].first, slowest[i].second.c_str());
    std::printf("\n");
    std::printf("\ngoal: every keystroke's results on screen within 16 ms: worst %.2f ms, %s\n", lumora.Worst(),
                lumora.Worst() <= 16.0 ? "met" : "NOT met");
    return 0;
}
