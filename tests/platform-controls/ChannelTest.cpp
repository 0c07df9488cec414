// SPDX-License-Identifier: GPL-3.0-or-later
// Which output channels sound after a pan or balance change: the stereo test
// medium has a loud tone on the left and a quieter one on the right, and
// playback goes into a PCM file whose channels are measured.
#include "ControlsTestSupport.h"

#include <QFile>

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace controls_test;

struct Levels {
    double left = -1;
    double right = -1;
};

// Root-mean-square level of each channel of a WAV file of 16-bit, 32-bit
// integer or 32-bit float samples.
Levels Measure(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    int channels = 0, bits = 0, format = 0;
    qsizetype at = 12;
    QByteArray data;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        quint32 size = 0;
        std::memcpy(&size, bytes.constData() + at + 4, 4);
        if (id == "fmt " && at + 24 <= bytes.size()) {
            format = quint16(bytes[at + 8]) | quint16(quint8(bytes[at + 9])) << 8;
            channels = quint8(bytes[at + 10]);
            bits = quint8(bytes[at + 22]);
            if (format == 0xfffe && at + 40 <= bytes.size())
                format = quint8(bytes[at + 32]);  // the extensible form names its sub-format here
        }
        if (id == "data") {
            data = bytes.mid(at + 8);  // the size may be unset when the writer stopped
            break;
        }
        at += 8 + qsizetype(size);
    }
    if (channels != 2 || (bits != 16 && bits != 32) || data.isEmpty()) return {};
    const int width = bits / 8;
    const qsizetype frames = data.size() / (width * 2);
    double sums[2] = {0, 0};
    for (qsizetype i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const char* p = data.constData() + (i * 2 + c) * width;
            double sample = 0;
            if (bits == 16) {
                qint16 v;
                std::memcpy(&v, p, 2);
                sample = v / 32768.0;
            } else if (format == 3) {
                float v;
                std::memcpy(&v, p, 4);
                sample = v;
            } else {
                qint32 v;
                std::memcpy(&v, p, 4);
                sample = v / 2147483648.0;
            }
            sums[c] += sample * sample;
        }
    }
    if (frames == 0) return {};
    return {std::sqrt(sums[0] / frames), std::sqrt(sums[1] / frames)};
}

PlaybackOptions IntoFile(const std::string& path) {
    PlaybackOptions options = HeadlessOptions();
    options.extraOptions = {{"ao", "pcm"}, {"ao-pcm-file", path}};
    return options;
}

// Plays `medium` to its end with `configure` applied first; the levels heard.
Levels Play(const std::function<AutomationRef(const PlaybackOptions&)>& make,
            const std::function<void(const AutomationRef&)>& configure, const std::string& out) {
    Levels levels;
    {
        AutomationRef control = make(IntoFile(out));
        configure(control);
        WaitFor([&] { return PlayerOf(control).CurrentPhase() == Player::Phase::Ended; });
        EXPECT_EQ(PlayerOf(control).CurrentPhase(), Player::Phase::Ended);
    }  // the file is complete once the player is gone
    return Measure(out);
}

TEST(ChannelTest, PanOfTheMovieAndBalanceOfThePlayer) {
    struct Case {
        const char* what;
        bool movie;
        int channel;  // the movie's pan code, or the player's balance
        const char* medium;
        bool leftSounds, rightSounds;
    };
    const std::vector<Case> cases = {
        {"movie, both", true, 0, "stereo.wav", true, true},
        {"movie, left", true, 1, "stereo.wav", true, false},
        {"movie, right", true, 2, "stereo.wav", false, true},
        {"movie, right of a mono medium", true, 2, "tone.mp3", false, true},
        {"player, left", false, -100, "stereo.wav", true, false},
        {"player, right", false, 100, "stereo.wav", false, true},
        {"player, centre", false, 0, "stereo.wav", true, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string out = WriteTempFile("channels" + std::to_string(n++) + ".wav", "");
        const std::string medium = MediaPath(c.medium);
        Levels levels;
        if (c.movie) {
            levels = Play([](const PlaybackOptions& o) { return MakeMovieControl(o); },
                          [&](const AutomationRef& control) {
                              LoadValidMovie(control);
                              Send(control, "setPan", Text::FromUtf8(std::to_string(c.channel)));
                              Send(control, "setPlayUrl", Text::FromUtf8(medium));
                          },
                          out);
        } else {
            levels = Play([](const PlaybackOptions& o) { return MakeMediaPlayerControl(o); },
                          [&](const AutomationRef& control) {
                              SubWrite(control, "Settings", "balance", c.channel);
                              AutomationWrite(control, "URL", {Text::FromUtf8(medium)});
                          },
                          out);
        }
        ASSERT_GE(levels.left, 0) << c.what;
        EXPECT_EQ(levels.left > 0.01, c.leftSounds) << c.what << " left " << levels.left;
        EXPECT_EQ(levels.right > 0.01, c.rightSounds) << c.what << " right " << levels.right;
    }
}

}  // namespace
}  // namespace lumora
