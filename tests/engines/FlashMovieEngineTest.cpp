// SPDX-License-Identifier: GPL-3.0-or-later
// The movie engine over a recording player: what each operation sends, the
// movie's state numbering, the reads, the carried movie at creation.
#include "engines/FlashMovieEngine.h"

#include "engines/CarriedMovie.h"
#include "RecordingPlayer.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using test::CallLog;
using test::RecordingPlayer;
using testing::TemporaryDirectory;

struct Attached {
    CallLog log;
    RecordingPlayer movie{log, "flash", RecordingPlayer::Numbering::Movie};
    FlashMovieEngine engine;
    Attached() { engine.UseMovie(&movie); }
};

TEST(FlashMovieEngine, CommandsReachThePlayer) {
    struct Case {
        std::function<void(FlashMovieEngine&)> operation;
        CallLog sent;
    };
    const std::vector<Case> cases = {
        // A network address keeps its escapes (the server gets the bytes it was
        // given); a local path is decoded.
        {[](FlashMovieEngine& e) { e.SetPlayUrl("http://h/a%20b.flv"); }, {"flash open=http://h/a%20b.flv"}},
        {[](FlashMovieEngine& e) { e.SetPlayUrl("http://h/%E4%B8%AD/a%26b%3Dc%3Fd.flv?q=%26"); },
         {"flash open=http://h/%E4%B8%AD/a%26b%3Dc%3Fd.flv?q=%26"}},
        {[](FlashMovieEngine& e) { e.SetPlayUrl("/videos/a%20b.flv"); }, {"flash open=/videos/a b.flv"}},
        {[](FlashMovieEngine& e) { e.Stop(); }, {"flash stop"}},
        {[](FlashMovieEngine& e) { e.SetVolume(75); }, {"flash volume=75"}},
        {[](FlashMovieEngine& e) { e.SetVolume(180); }, {"flash volume=100"}},
        {[](FlashMovieEngine& e) { e.NoVolume(); }, {"flash volume=0"}},
        {[](FlashMovieEngine& e) { e.SetSeek(125); }, {"flash seek=125"}},
        {[](FlashMovieEngine& e) { e.SetScaleMode(1); },
         {"flash option keepaspect=yes", "flash option panscan=0.0", "flash option video-unscaled=no"}},
        {[](FlashMovieEngine& e) { e.SetScaleMode(2); },
         {"flash option keepaspect=yes", "flash option panscan=1.0", "flash option video-unscaled=no"}},
        {[](FlashMovieEngine& e) { e.SetScaleMode(3); },
         {"flash option keepaspect=yes", "flash option panscan=0.0", "flash option video-unscaled=yes"}},
        {[](FlashMovieEngine& e) { e.SetScaleMode(0); },
         {"flash option keepaspect=no", "flash option panscan=0.0", "flash option video-unscaled=no"}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(0), 0); }, {"flash gains=1,1"}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(1), 1); }, {"flash gains=1,0"}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(2), 2); }, {"flash gains=0,1"}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(3), 3); }, {"flash mono"}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(4), 0); }, {}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(-1), 0); }, {}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Attached a;
        cases[i].operation(a.engine);
        EXPECT_EQ(a.log, cases[i].sent) << "case " << i;
    }
}

// "Play" pauses and resumes a loaded medium and starts a stopped one again.
TEST(FlashMovieEngine, PlayTogglesOrRestarts) {
    struct Case {
        int code;
        const char* sent;  // nullptr: nothing
    };
    const std::vector<Case> cases = {{3, "flash pause=1"}, {2, "flash pause=0"}, {1, "flash pause=1"},
                                     {4, "flash pause=1"}, {0, "flash restart"}, {5, "flash restart"}};
    for (const Case& c : cases) {
        Attached a;
        a.movie.url = "http://h/a.flv";
        a.movie.code = c.code;
        a.engine.Play();
        EXPECT_EQ(a.log, CallLog{c.sent}) << c.code;
    }
    Attached empty;  // nothing loaded: nothing to play
    empty.engine.Play();
    EXPECT_TRUE(empty.log.empty());
}

TEST(FlashMovieEngine, ReadsInTheMoviesTerms) {
    Attached a;
    EXPECT_EQ(a.engine.GetFlvUrl(), "");  // no address given yet
    EXPECT_EQ(a.engine.GetInfoCode(), "undefined");
    a.engine.SetPlayUrl("http://h/a.flv");
    a.movie.duration = 3725.9;
    a.movie.position = 59.6;
    a.movie.buffer = 80;
    a.movie.download = 30;
    a.movie.width = 640;
    a.movie.height = 360;
    EXPECT_EQ(a.engine.GetFlvUrl(), "http://h/a.flv");
    EXPECT_EQ(a.engine.GetTotalTime(), 3725);
    EXPECT_EQ(a.engine.GetPlayTime(), 59);
    EXPECT_EQ(a.engine.GetTotalTimeString(), "62:05");
    EXPECT_EQ(a.engine.GetTimeString(), "00:59");
    EXPECT_EQ(a.engine.GetPlayTimeString(), "00:59/62:05");
    EXPECT_EQ(a.engine.TotalSeconds(), 3725);
    EXPECT_EQ(a.engine.GetBuffer(), 80);
    EXPECT_EQ(a.engine.GetDownBuffer(), 30);
    EXPECT_EQ(a.engine.GetPlayWidth(), 640);
    EXPECT_EQ(a.engine.GetPlayHeight(), 360);

    struct Case {
        int code;
        int state;
        const char* info;
    };
    const std::vector<Case> cases = {
        {4, 4, "NetStream.Play.Start"},  {1, 1, "NetStream.Buffer.Empty"},        {3, 3, "NetStream.Buffer.Full"},
        {2, 2, "NetStream.Pause.Notify"}, {5, 5, "NetStream.Play.StreamNotFound"}, {0, 0, "NetStream.Play.Stop"},
    };
    for (const Case& c : cases) {
        a.movie.code = c.code;
        EXPECT_EQ(a.engine.GetPlayState(), c.state) << c.code;
        EXPECT_EQ(a.engine.GetInfoCode(), c.info) << c.code;
    }
}

// Create writes the carried movie into a directory of its own, reads it back,
// then removes the file and the directory. Whatever another user planted in
// the shared temporary directory under the movie's name changes nothing.
TEST(FlashMovieEngine, CreateLoadsTheCarriedMovieFromAPrivateDirectory) {
    ASSERT_FALSE(CarriedMovie().empty());
    for (const char* planted : {"nothing", "file", "directory"}) {
        TemporaryDirectory temp;
        if (std::string(planted) == "file") {
            QFile stale(temp.MoviePath());
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
            stale.write("planted");
        } else if (std::string(planted) == "directory") {
            ASSERT_TRUE(QDir().mkpath(temp.MoviePath()));
        }
        QWidget parent;
        FlashMovieEngine engine;
        engine.Create(&parent, 0, 0, 320, 240);

        EXPECT_NE(engine.Movie(), nullptr) << planted;  // the movie was read back whole
        const QFileInfo movie(QString::fromStdString(engine.moviePath.ToUtf8()));
        EXPECT_EQ(movie.fileName(), "Player.Swf") << planted;
        EXPECT_EQ(QFileInfo(movie.path()).path(), temp.Path()) << planted;
        EXPECT_FALSE(QFileInfo::exists(movie.path())) << planted;  // the file and its directory are gone
        EXPECT_EQ(QDir(temp.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  std::string(planted) == "nothing" ? QStringList() : QStringList{"Player.Swf"})
            << planted;
    }
}

// A movie that can't be written is a medium that can't be opened: the state
// reads failed from the open until Stop.
TEST(FlashMovieEngine, AMovieThatCannotBeWrittenFailsEveryOpen) {
    TemporaryDirectory temp;
    const QString notADirectory = temp.Path() + "/file";
    {
        QFile file(notADirectory);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    qputenv("TMPDIR", notADirectory.toUtf8());
    qputenv("XDG_RUNTIME_DIR", notADirectory.toUtf8());
    QWidget parent;
    FlashMovieEngine engine;
    engine.Create(&parent, 0, 0, 320, 240);
    qunsetenv("XDG_RUNTIME_DIR");

    EXPECT_EQ(engine.Movie(), nullptr);
    EXPECT_EQ(engine.GetPlayState(), 0);
    engine.SetPlayUrl("http://h/a.flv");
    EXPECT_EQ(engine.GetPlayState(), 5);
    EXPECT_EQ(engine.State(), MovieState::Failed);
    EXPECT_EQ(engine.GetFlvUrl(), "");
    engine.Stop();
    EXPECT_EQ(engine.GetPlayState(), 0);
}

TEST(FlashMovieEngine, WithoutAPlayerEverythingReadsEmpty) {
    TemporaryDirectory temp;
    FlashMovieEngine engine;
    engine.Create(nullptr, 0, 0, 320, 240);
    EXPECT_FALSE(QFileInfo::exists(temp.MoviePath()));
    engine.Play();
    engine.SetPlayUrl("http://h/a.flv");
    engine.NoVolume();
    EXPECT_EQ(engine.SetPan(1), 1);  // the channel asked for, sent or not
    EXPECT_EQ(engine.GetPlayState(), 0);
    EXPECT_EQ(engine.State(), MovieState::Stopped);
    EXPECT_EQ(engine.GetFlvUrl(), "");
    EXPECT_EQ(engine.GetTotalTimeString(), "");
    EXPECT_EQ(engine.GetPlayTimeString(), "");
    EXPECT_EQ(engine.GetTotalTime(), 0);
    EXPECT_EQ(engine.GetInfoCode(), "");
    EXPECT_EQ(engine.TotalSeconds(), 0);
    EXPECT_EQ(engine.GetBuffer(), 0);
    EXPECT_EQ(engine.ParentWindow(), nullptr);
    EXPECT_EQ(engine.Move(0, 0, 10, 10), 0);
}

}  // namespace
}  // namespace lumora
