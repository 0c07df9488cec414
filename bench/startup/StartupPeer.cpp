// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up benchmark's peer: the least a Qt Widgets program that shows a
// list from the web must do. It shows an empty window, fetches the page with
// libcurl on a worker thread once the window is up, and when the page is in
// puts its size in the window title and prints that title on standard
// output ("title: ..."), the way `lumora --report-state` reports its list.
//
// Built as startup_peer_linked, it is also linked with libmpv (and so loads
// libmpv's libraries at start) but uses nothing of it beyond a version call.
// Built as startup_peer_player, it also does what any player
// built like lumora must do before its window is up: it links libmpv, creates
// and initialises two mpv cores (lumora has one per engine) and shows an
// OpenGL widget (the picture's surface) in the window. The difference between
// the two peers is the floor of what playing costs at start-up.
//
//   startup_peer URL
#include <QApplication>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>

#include <curl/curl.h>

#if defined(STARTUP_PEER_PLAYER) || defined(STARTUP_PEER_LINKED)
#include <mpv/client.h>
#endif
#ifdef STARTUP_PEER_PLAYER
#include <QOpenGLWidget>

#include <clocale>
#endif

#include <cstdio>
#include <string>
#include <thread>

namespace {

std::size_t Keep(char* data, std::size_t size, std::size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_peer URL\n");
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::string url = argv[1];
    QWidget window;
    window.resize(800, 600);
#ifdef STARTUP_PEER_LINKED
    if (mpv_client_api_version() == 0) return 1;
#endif
#ifdef STARTUP_PEER_PLAYER
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* cores[2] = {mpv_create(), mpv_create()};
    for (mpv_handle* core : cores) {
        mpv_set_option_string(core, "config", "no");
        mpv_set_option_string(core, "vo", "libmpv");
        mpv_initialize(core);
    }
    auto* picture = new QOpenGLWidget(&window);
    picture->setGeometry(110, 0, 570, 400);
#endif
    window.show();
    QTimer::singleShot(0, &window, [&window, url] {
        std::thread([&window, url] {
            std::string body;
            CURL* curl = curl_easy_init();
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Keep);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
            curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10'000L);
            const bool ok = curl_easy_perform(curl) == CURLE_OK;
            curl_easy_cleanup(curl);
            QMetaObject::invokeMethod(&window, [&window, ok, size = body.size()] {
                const QString title = ok ? QString("%1 bytes").arg(size) : QString("failed");
                window.setWindowTitle(title);
                std::printf("title: %s\n", title.toUtf8().constData());
                std::fflush(stdout);
            });
        }).detach();
    });
    const int code = app.exec();
#ifdef STARTUP_PEER_PLAYER
    for (mpv_handle* core : cores) mpv_terminate_destroy(core);
#endif
    return code;
}
