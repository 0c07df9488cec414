#include "engines/FlashMovieEngine.h"

#include "engines/CarriedMovie.h"
#include "Fakes.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <climits>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using testing::MovieControlFake;
using testing::TemporaryDirectory;
using Variables = std::vector<std::pair<std::string, std::string>>;

TEST(FlashMovieEngine, CommandsSetTheMovieVariables) {
    struct Case {
        std::function<void(FlashMovieEngine&)> operation;
        Variables sent;
    };
    const std::vector<Case> cases = {
        {[](FlashMovieEngine& e) { e.Play(); }, {{"setPlay", "Play"}}},
        {[](FlashMovieEngine& e) { e.Stop(); }, {{"setPlay", "Stop"}}},
        // A network address keeps its escapes (the server gets the bytes it was
        // given); a local path is decoded.
        {[](FlashMovieEngine& e) { e.SetPlayUrl("http://h/a%20b.flv"); }, {{"setPlayUrl", "http://h/a%20b.flv"}}},
        {[](FlashMovieEngine& e) { e.SetPlayUrl("http://h/%E4%B8%AD/a%26b%3Dc%3Fd.flv?q=%26"); },
         {{"setPlayUrl", "http://h/%E4%B8%AD/a%26b%3Dc%3Fd.flv?q=%26"}}},
        {[](FlashMovieEngine& e) { e.SetPlayUrl("/videos/a%20b.flv"); }, {{"setPlayUrl", "/videos/a b.flv"}}},
        {[](FlashMovieEngine& e) { e.SetVolume(0); }, {{"setVolume", "0"}}},
        {[](FlashMovieEngine& e) { e.SetVolume(75); }, {{"setVolume", "75"}}},
        {[](FlashMovieEngine& e) { e.SetScaleMode(2); }, {{"setScaleMode", "2"}}},
        {[](FlashMovieEngine& e) { e.SetSeek(125); }, {{"setSeek", "125"}}},
        {[](FlashMovieEngine& e) { e.SetSeek(-3); }, {{"setSeek", "-3"}}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(0), 0); }, {{"setPan", "0"}}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(1), 1); }, {{"setPan", "1"}}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(2), 2); }, {{"setPan", "2"}}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(3), 3); }, {{"setPan", "3"}}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(4), 0); }, {}},
        {[](FlashMovieEngine& e) { EXPECT_EQ(e.SetPan(-1), 0); }, {}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        MovieControlFake fake;
        FlashMovieEngine engine;
        engine.flashControl.Attach(fake.Object());
        cases[i].operation(engine);
        EXPECT_EQ(fake.variables, cases[i].sent) << "case " << i;
    }
}

TEST(FlashMovieEngine, QueriesSendTheirInvokeRequests) {
    struct Case {
        std::function<void(FlashMovieEngine&)> operation;
        std::string request;
    };
    const std::vector<Case> cases = {
        {[](FlashMovieEngine& e) { e.NoVolume(); }, "<invoke name='noVolume' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetPlayState(); }, "<invoke name='getPlayState' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.State(); }, "<invoke name='getPlayState' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetFlvUrl(); }, "<invoke name='getFlvUrl' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetTotalTimeString(); },
         "<invoke name='getTotalTimeString' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.TotalSeconds(); }, "<invoke name='getTotalTimeString' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetTimeString(); }, "<invoke name='getTimeString' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetPlayTimeString(); },
         "<invoke name='getPlayTimeString' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetTotalTime(); }, "<invoke name='getTotalTime' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetInfoCode(); }, "<invoke name='getInfoCode' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetPlayWidth(); }, "<invoke name='getPlayWidth' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetPlayHeight(); }, "<invoke name='getPlayHeight' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetPlayTime(); }, "<invoke name='getPlayTime' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetBuffer(); }, "<invoke name='getBuffer' returntype='xml'></invoke>"},
        {[](FlashMovieEngine& e) { e.GetDownBuffer(); }, "<invoke name='getDownBuffer' returntype='xml'></invoke>"},
    };
    for (const Case& test : cases) {
        MovieControlFake fake;
        std::vector<std::string> requests;
        fake.reply = [&](const Text& request) {
            requests.push_back(request.Bytes());
            return Variant(Text("<string>[1]</string>"));
        };
        FlashMovieEngine engine;
        engine.flashControl.Attach(fake.Object());
        test.operation(engine);
        EXPECT_EQ(requests, std::vector<std::string>{test.request});
        // Queries travel through CallFunction alone.
        EXPECT_EQ(fake.log->Answered(),
                  std::vector<std::string>{"player.method CallFunction(\"" + test.request + "\")"});
    }
}

// The value is the text between the first "[" and the next "]"; integers are
// read as decimal with leading blanks and a sign.
TEST(FlashMovieEngine, RepliesAreReadBetweenBrackets) {
    struct Case {
        std::optional<std::string> reply;  // nullopt: the call fails
        int state;
        std::string flvUrl;
        int totalSeconds;
    };
    const std::vector<Case> cases = {
        {"<string>[3]</string>", 3, "", 0},
        {"<string>[]</string>", 0, "", 0},
        {"<string>3</string>", 0, "", 0},
        {"<string>[3</string>", 0, "", 0},
        {"]3[", 0, "", 0},
        {"", 0, "", 0},
        {std::nullopt, 0, "", 0},
        {"<number>[ -2x]</number>", -2, " -2x", 0},
        {"<string>[undefined]</string>", 0, "", 0},
        {"<string>[abc]</string>", 0, "", 0},
        {"<string>[abcd]</string>", 0, "abcd", 0},
        {"<string>[http://h/v.flv]</string>", 0, "http://h/v.flv", 0},
        {"[ab[cd]e]", 0, "ab[cd", 0},
        {"<string>[03:25]</string>", 3, "03:25", 205},
        {"<string>[75:00]</string>", 75, "75:00", 4500},
        {"<string>[01:02:03]</string>", 1, "01:02:03", 0},
        {"<string>[:]</string>", 0, "", 0},
        {"<string>[99999999999]</string>", INT_MAX, "99999999999", 0},
        {"<string>[-99999999999:99]</string>", INT_MIN, "-99999999999:99", INT_MIN},
        {"<string>[99999999999:99999999999]</string>", INT_MAX, "99999999999:99999999999", INT_MAX},
        // 0x81 0x5B is one double-byte character whose second byte is "[".
        {"<string>\x81[[7]</string>", 7, "", 0},
    };
    for (const Case& test : cases) {
        MovieControlFake fake;
        fake.reply = [&](const Text&) -> std::optional<Variant> {
            if (!test.reply) return std::nullopt;
            return Variant(Text::Gbk(*test.reply));
        };
        FlashMovieEngine engine;
        engine.flashControl.Attach(fake.Object());
        const std::string label = test.reply.value_or("<no reply>");
        EXPECT_EQ(engine.GetPlayState(), test.state) << label;
        EXPECT_EQ(engine.GetFlvUrl().Bytes(), test.flvUrl) << label;
        EXPECT_EQ(engine.TotalSeconds(), test.totalSeconds) << label;
    }
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Create writes the carried movie into a directory of its own (mode 0700),
// hands its path to "Movie" while the file exists, deletes the file and the
// directory and sets the volume. The control is attached before Create;
// without a parent no new control replaces it. Whatever another user planted
// in the shared temporary directory under the movie's name changes nothing.
TEST(FlashMovieEngine, CreateLoadsTheCarriedMovieFromAPrivateDirectory) {
    const QByteArray carried = QByteArray::fromStdString(CarriedMovie());
    ASSERT_FALSE(carried.isEmpty());
    for (const char* planted : {"nothing", "file", "directory"}) {
        TemporaryDirectory temp;
        if (std::string(planted) == "file") {
            QFile stale(temp.MoviePath());
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
            stale.write("planted");
        } else if (std::string(planted) == "directory") {
            ASSERT_TRUE(QDir().mkpath(temp.MoviePath()));
        }
        MovieControlFake fake;
        QByteArray loaded;
        QFile::Permissions access;
        fake.onMovie = [&](const Text& path) {
            const QString name = QString::fromStdString(path.ToUtf8());
            loaded = FileBytes(name);
            access = QFileInfo(QFileInfo(name).path()).permissions();
        };
        FlashMovieEngine engine;
        engine.flashControl.Attach(fake.Object());

        engine.Create(nullptr, 0, 0, 320, 240);

        EXPECT_EQ(loaded, carried) << planted;
        EXPECT_EQ(access & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                            QFile::WriteOther | QFile::ExeOther),
                  QFile::Permissions())
            << planted;
        const QFileInfo movie(QString::fromStdString(engine.moviePath.ToUtf8()));
        EXPECT_EQ(movie.fileName(), "Player.Swf") << planted;
        EXPECT_EQ(QFileInfo(movie.path()).path(), temp.Path()) << planted;
        EXPECT_FALSE(QFileInfo::exists(movie.path())) << planted;  // the file and its directory are gone
        EXPECT_EQ(QDir(temp.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  std::string(planted) == "nothing" ? QStringList() : QStringList{"Player.Swf"})
            << planted;
        EXPECT_EQ(fake.log->Answered(), (std::vector<std::string>{
                                            "player.put Movie(\"" + engine.moviePath.ToUtf8() + "\")",
                                            R"(player.method setVariable("setVolume","100"))",
                                        }))
            << planted;
        engine.SetPlayUrl("http://h/a.flv");
        EXPECT_EQ(engine.GetPlayState(), 0) << planted;  // the fake movie's answer
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
    MovieControlFake fake;
    FlashMovieEngine engine;
    engine.flashControl.Attach(fake.Object());
    engine.Create(nullptr, 0, 0, 320, 240);
    qunsetenv("XDG_RUNTIME_DIR");

    EXPECT_EQ(engine.GetPlayState(), 0);
    engine.SetPlayUrl("http://h/a.flv");
    EXPECT_EQ(engine.GetPlayState(), 5);
    EXPECT_EQ(engine.State(), MovieState::Failed);
    engine.Stop();
    EXPECT_EQ(engine.GetPlayState(), 0);
}

TEST(FlashMovieEngine, WithoutAControlEverythingReadsEmpty) {
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
    EXPECT_EQ(engine.GetTimeString(), "");
    EXPECT_EQ(engine.GetPlayTimeString(), "");
    EXPECT_EQ(engine.GetTotalTime(), 0);
    EXPECT_EQ(engine.GetInfoCode(), "");
    EXPECT_EQ(engine.GetPlayWidth(), 0);
    EXPECT_EQ(engine.GetPlayHeight(), 0);
    EXPECT_EQ(engine.TotalSeconds(), 0);
    EXPECT_EQ(engine.GetPlayTime(), 0);
    EXPECT_EQ(engine.GetBuffer(), 0);
    EXPECT_EQ(engine.GetDownBuffer(), 0);
    EXPECT_EQ(engine.ParentWindow(), nullptr);
    EXPECT_EQ(engine.Move(0, 0, 10, 10), 0);
}

}  // namespace
}  // namespace lumora
