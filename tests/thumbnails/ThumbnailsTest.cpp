// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnails/ThumbnailCache.h"
#include "thumbnails/ThumbnailDecode.h"
#include "thumbnails/ThumbnailLoad.h"

#include "LoopbackHttp.h"

#include <QBuffer>
#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace lumora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// `image` encoded in `format` ("JPEG", "PNG", ...).
std::string Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

QImage Filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A JPEG whose frame header claims width x height, whatever its data holds.
std::string JpegClaiming(int width, int height) {
    std::string jpeg = Encode(Filled(16, 16, Qt::red), "JPEG");
    for (std::size_t at = 2; at + 9 < jpeg.size(); ++at) {
        if (static_cast<unsigned char>(jpeg[at]) == 0xFF && static_cast<unsigned char>(jpeg[at + 1]) == 0xC0) {
            jpeg[at + 5] = static_cast<char>(height >> 8);
            jpeg[at + 6] = static_cast<char>(height & 0xFF);
            jpeg[at + 7] = static_cast<char>(width >> 8);
            jpeg[at + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

std::uintmax_t FolderBytes(const fs::path& folder) {
    std::uintmax_t total = 0;
    for (const auto& item : fs::directory_iterator(folder)) total += item.file_size();
    return total;
}

TEST(ThumbnailCache, KeepsWhatWasWrittenUnderItsCapOldestOutFirst) {
    QTemporaryDir temporary;
    const fs::path folder = fs::path(temporary.path().toStdString()) / "lumora" / "thumbnails";
    ThumbnailCache cache(folder, 10'000);
    EXPECT_FALSE(cache.Read("http://a.test/1.jpg"));
    EXPECT_FALSE(fs::exists(folder)) << "made on the first write only";

    // Five files of 3,000 bytes, written a second apart as far as the file times go.
    const auto start = fs::file_time_type::clock::now() - 1h;
    for (int i = 0; i < 5; ++i) {
        const std::string address = "http://a.test/" + std::to_string(i) + ".jpg";
        ASSERT_TRUE(cache.Write(address, std::string(3000, static_cast<char>('a' + i))));
        for (const auto& item : fs::directory_iterator(folder))
            if (ReadFile(item.path()) == std::string(3000, static_cast<char>('a' + i)))
                fs::last_write_time(item.path(), start + std::chrono::seconds(i));
        EXPECT_LE(FolderBytes(folder), 10'000u) << i;
    }
    EXPECT_EQ((fs::status(folder).permissions() & fs::perms::all), fs::perms::owner_all);
    // The newest are kept, the oldest went first.
    EXPECT_EQ(cache.Read("http://a.test/4.jpg"), std::string(3000, 'e'));
    EXPECT_EQ(cache.Read("http://a.test/3.jpg"), std::string(3000, 'd'));
    EXPECT_FALSE(cache.Read("http://a.test/0.jpg"));
    EXPECT_FALSE(cache.Read("http://a.test/1.jpg"));

    // A file larger than the whole cap is not kept; nothing else is lost for it.
    EXPECT_FALSE(cache.Write("http://a.test/huge.jpg", std::string(10'001, 'x')));
    EXPECT_EQ(cache.Read("http://a.test/4.jpg"), std::string(3000, 'e'));

    // Another copy writing into the same folder counts too.
    ThumbnailCache other(folder, 10'000);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(other.Write("http://b.test/" + std::to_string(i), std::string(3000, 'z')));
    ASSERT_TRUE(cache.Write("http://a.test/last.jpg", std::string(3000, 'l')));
    EXPECT_LE(FolderBytes(folder), 10'000u);
    EXPECT_EQ(cache.Read("http://a.test/last.jpg"), std::string(3000, 'l'));
    // No temporary file is left behind.
    for (const auto& item : fs::directory_iterator(folder)) EXPECT_EQ(item.path().extension(), ".img");
}

TEST(ThumbnailCache, AFolderThatCannotBeMadeStoresNothing) {
    QTemporaryDir temporary;
    const fs::path file = fs::path(temporary.path().toStdString()) / "file";
    std::ofstream(file) << "x";
    ThumbnailCache cache(file / "thumbnails");
    EXPECT_FALSE(cache.Write("http://a.test/1.jpg", "bytes"));
    EXPECT_FALSE(cache.Read("http://a.test/1.jpg"));
}

TEST(ThumbnailDecode, SmallPicturesOrNothing) {
    const QSize fit(40, 30);
    // Qt writes no GIF: the classic one-pixel GIF, by hand.
    const std::string kOnePixelGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                                   "!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                                   "\x02\x02" "D\x01\x00;",
                                   43);
    std::string truncatedPng = Encode(Filled(64, 48, Qt::blue), "PNG");
    truncatedPng.resize(truncatedPng.size() / 2);
    std::string garbageJpeg = Encode(Filled(64, 48, Qt::blue), "JPEG").substr(0, 20);
    for (int i = 0; i < 4000; ++i) garbageJpeg += static_cast<char>((i * 7919) % 251);
    struct Case {
        const char* what;
        std::string bytes;
        QSize size;  // invalid: refused
    };
    const Case cases[] = {
        {"the site's JPEG", ReadFile(fs::path(LUMORA_SITE_IMAGES) / "demo-a.jpg"), QSize(40, 30)},
        {"the placeholder JPEG", ReadFile(fs::path(LUMORA_SITE_IMAGES) / "placeholder.jpg"), QSize(40, 30)},
        {"PNG, wide", Encode(Filled(160, 90, Qt::green), "PNG"), QSize(40, 22)},
        {"GIF, one pixel, made larger", kOnePixelGif, QSize(30, 30)},
        {"BMP, 4096 a side at most", Encode(Filled(4096, 2, Qt::green), "BMP"), QSize(40, 1)},
        {"huge dimensions in the header", JpegClaiming(60000, 60000), QSize()},
        {"one side over 4096", Encode(Filled(4097, 2, Qt::green), "PNG"), QSize()},
        {"over 1 MiB", std::string(kMaxThumbnailBytes + 1, '\xFF'), QSize()},
        {"corrupt JPEG", garbageJpeg, QSize()},
        {"truncated PNG", truncatedPng, QSize()},
        {"HTML instead of an image", "<!DOCTYPE html><html><body>404 Not Found</body></html>", QSize()},
        {"SVG is not read", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" height=\"9\"/>", QSize()},
        {"nothing", "", QSize()},
    };
    for (const Case& c : cases) {
        std::string why;
        const QImage image = DecodeThumbnail(c.bytes, fit, &why);
        if (c.size.isValid()) {
            EXPECT_EQ(image.size(), c.size) << c.what << ": " << why;
        } else {
            EXPECT_TRUE(image.isNull()) << c.what;
            EXPECT_FALSE(why.empty()) << c.what;
        }
    }
}

// A loopback server with one route per kind of answer.
class ImageServer {
public:
    ImageServer() {
        auto& server = http_.Server();
        server.Get("/good.jpg", [this](const httplib::Request&, httplib::Response& res) {
            ++good;
            res.set_content(Encode(Filled(96, 72, Qt::red), "JPEG"), "image/jpeg");
        });
        server.Get("/missing.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content(Encode(Filled(96, 72, Qt::red), "JPEG"), "image/jpeg");  // an image, but not the answer
        });
        server.Get("/page.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body>not here</body></html>", "text/html");
        });
        server.Get("/big.jpg", [](const httplib::Request&, httplib::Response& res) {
            std::string big = Encode(Filled(96, 72, Qt::red), "JPEG");
            big.resize(kMaxThumbnailBytes + 4096, '\0');  // a valid start, padded past the cap
            res.set_content(big, "image/jpeg");
        });
        server.Get("/huge.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(JpegClaiming(50000, 50000), "image/jpeg");
        });
        server.Get("/stall.jpg", [this](const httplib::Request&, httplib::Response& res) {
            // Says nothing until the test ends (at most 20 s).
            for (int i = 0; i < 2000 && !release; ++i) std::this_thread::sleep_for(10ms);
            res.set_content("late", "text/plain");
        });
        server.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/hostname");
        });
        http_.Start();
    }
    ~ImageServer() {
        release = true;
        http_.Stop();
    }
    Text Url(const std::string& path) const { return Text::FromUtf8(http_.Url(path)); }
    void Stop() {
        release = true;
        http_.Stop();
    }

    std::atomic<int> good{0};
    std::atomic<bool> release{false};

private:
    test::LoopbackHttp http_;
};

TEST(ThumbnailLoad, HostileAnswersGiveNoImageAndAGoodOneIsCached) {
    QTemporaryDir temporary;
    ThumbnailCache cache(fs::path(temporary.path().toStdString()) / "thumbnails");
    ImageServer server;
    const QSize fit(40, 30);
    for (const char* path : {"/missing.jpg", "/page.jpg", "/big.jpg", "/huge.jpg", "/to-file", "/nowhere.jpg"}) {
        EXPECT_TRUE(LoadThumbnail(server.Url(path), fit, cache).isNull()) << path;
        EXPECT_FALSE(cache.Read(server.Url(path).ToUtf8())) << path << ": refused answers are not kept";
    }
    EXPECT_TRUE(LoadThumbnail(Text("file:///etc/hostname"), fit, cache).isNull());
    EXPECT_TRUE(LoadThumbnail(Text("/etc/hostname"), fit, cache).isNull());

    const QImage good = LoadThumbnail(server.Url("/good.jpg"), fit, cache);
    ASSERT_EQ(good.size(), fit);
    const QColor centre = good.pixelColor(20, 15);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green(), 60);
    EXPECT_EQ(server.good, 1);
    // Once kept, it comes from the disk, even with the server gone.
    const Text address = server.Url("/good.jpg");
    server.Stop();
    EXPECT_EQ(LoadThumbnail(address, fit, cache).size(), fit);
    EXPECT_EQ(server.good, 1);
}

TEST(ThumbnailLoad, AStalledServerHoldsAWorkerOnlyUntilItsLimitOrAStop) {
    QTemporaryDir temporary;
    ThumbnailCache cache(fs::path(temporary.path().toStdString()) / "thumbnails");
    ImageServer server;
    QElapsedTimer timer;

    // A stop ends the wait within about a second.
    std::stop_source stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop.request_stop();
    });
    timer.start();
    EXPECT_TRUE(LoadThumbnail(server.Url("/stall.jpg"), QSize(40, 30), cache, stop.get_token()).isNull());
    stopper.join();
    EXPECT_LT(timer.elapsed(), 3000);

    // Without one, the stall limit ends it.
    timer.restart();
    EXPECT_TRUE(LoadThumbnail(server.Url("/stall.jpg"), QSize(40, 30), cache).isNull());
    EXPECT_LT(timer.elapsed(), kThumbnailOverallTimeout.count() + 2000);
}

}  // namespace
}  // namespace lumora
