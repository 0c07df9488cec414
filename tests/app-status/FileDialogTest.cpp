// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialog object: the record Setup and Show build, the Qt dialog made
// from it, and how the choice is read back (one path, or directory and names
// of a multiple selection). A function stands in for the person at the
// dialog; one case runs the real dialog and accepts it from a timer.
#include "app/FileDialog.h"
#include "app/QtText.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace lumora {
namespace {

const char* const kMediaFilter =
    "媒体文件|*.wmv;*.asx;*.flv;*.f4v;*.mp4;*.hlv;*.mp3;*.wma;*.avi;*.mkv;*.vob;*.pfv;*.ts;*.mpg;*.mpeg|所有文件|*.*";

// The main window's call.
void SetupForMedia(FileDialogHolder& holder) {
    holder.Setup(0, Text("打开多媒体文件"), Text(kMediaFilter), 0, {}, {}, false, true, false, false, true);
}

std::string Bytes(const char* utf8) { return Text(utf8).Bytes(); }

TEST(FileDialog, ConstructionDefaults) {
    const FileDialog dialog;
    EXPECT_EQ(dialog.kind, 0);
    EXPECT_EQ(dialog.createPrompt, 0x2000);
    EXPECT_EQ(dialog.fileMustExist, 0x1000);
    EXPECT_EQ(dialog.overwritePrompt, 2);
    EXPECT_EQ(dialog.pathMustExist, 0x800);
    EXPECT_EQ(dialog.allowMultiSelect, 0);
    EXPECT_TRUE(dialog.ChosenFiles().Empty());
}

TEST(FileDialog, TheMainWindowsSetupBuildsTheRecordAndTheQtDialog) {
    FileDialogHolder holder;
    SetupForMedia(holder);
    std::optional<QStringList> filters;
    QString selectedFilter, title, suffix;
    std::optional<QFileDialog::FileMode> mode;
    std::optional<QFileDialog::AcceptMode> acceptMode;
    bool native = true;
    holder.SetAnswer([&](QFileDialog& dialog) -> std::optional<QStringList> {
        filters = dialog.nameFilters();
        selectedFilter = dialog.selectedNameFilter();
        title = dialog.windowTitle();
        suffix = dialog.defaultSuffix();
        mode = dialog.fileMode();
        acceptMode = dialog.acceptMode();
        native = !dialog.testOption(QFileDialog::DontUseNativeDialog);
        return std::nullopt;
    });
    EXPECT_FALSE(holder.Show());

    const FileDialogRecord& record = holder.fileDialog.dialogRecord;
    const std::string zero(1, '\0');
    EXPECT_EQ(record.filter,
              Bytes("媒体文件") + zero +
                  "*.wmv;*.asx;*.flv;*.f4v;*.mp4;*.hlv;*.mp3;*.wma;*.avi;*.mkv;*.vob;*.pfv;*.ts;*.mpg;*.mpeg" + zero +
                  Bytes("所有文件") + zero + "*.*" + zero + zero);
    EXPECT_EQ(record.filterIndex, 1);
    EXPECT_EQ(record.defaultExtension, Text("mpeg"));
    EXPECT_EQ(record.title, Text("打开多媒体文件"));
    EXPECT_EQ(record.file, std::string(2049, '\0'));
    EXPECT_EQ(record.flags, 0x4 | 0x80000 | 0x800000 | 0x1000 | 0x200);

    ASSERT_TRUE(filters);
    EXPECT_EQ(*filters,
              QStringList({QStringLiteral("媒体文件 (*.wmv *.asx *.flv *.f4v *.mp4 *.hlv *.mp3 *.wma *.avi *.mkv "
                                          "*.vob *.pfv *.ts *.mpg *.mpeg)"),
                           QStringLiteral("所有文件 (*.*)")}));
    EXPECT_EQ(selectedFilter, filters->front());
    EXPECT_EQ(title, QStringLiteral("打开多媒体文件"));
    EXPECT_EQ(suffix, QStringLiteral("mpeg"));
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(acceptMode, QFileDialog::AcceptOpen);
    EXPECT_FALSE(native);
}

TEST(FileDialog, TheFilterIndexCountsFromZeroAndPicksTheDefaultExtension) {
    struct Case {
        std::optional<int> index;
        int recordIndex;
        const char* extension;
    };
    const std::vector<Case> cases = {
        {0, 1, "mpeg"}, {std::nullopt, 1, "mpeg"},    {-3, 1, "mpeg"}, {1, 2, "*"},
        {2, 3, ""},     {2147483647, 2147483647, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index.value_or(-100));
        FileDialog dialog;
        dialog.Setup(0, {}, Text(kMediaFilter), c.index);
        EXPECT_EQ(dialog.dialogRecord.filterIndex, c.recordIndex);
        EXPECT_EQ(dialog.dialogRecord.defaultExtension, Text(c.extension));
    }

    // No filter given: the built-in one, and no default extension.
    FileDialog dialog;
    dialog.Setup(0);
    EXPECT_EQ(dialog.dialogRecord.filter, Bytes("所有文件(*.*)") + std::string(2, '\0'));
    EXPECT_TRUE(dialog.dialogRecord.defaultExtension.Empty());
    QStringList filters;
    dialog.SetAnswer([&](QFileDialog& qt) -> std::optional<QStringList> {
        filters = qt.nameFilters();
        return std::nullopt;
    });
    dialog.Show();
    EXPECT_EQ(filters, QStringList({QStringLiteral("所有文件(*.*)")}));
}

TEST(FileDialog, TheChoiceIsReadBack) {
    struct Case {
        const char* name;
        bool multiSelect;
        std::optional<QStringList> answer;
        bool result;
        const char* chosen;
    };
    const std::vector<Case> cases = {
        {"multiple allowed, one chosen", true, QStringList{"/media/a.wmv"}, true, "/media/a.wmv"},
        {"two in a directory", true, QStringList{"/media/a.wmv", "/media/b.mp3"}, true, "/media/a.wmv;/media/b.mp3"},
        {"two in the root", true, QStringList{"/a.wmv", "/b.mp3"}, true, "/a.wmv;/b.mp3"},
        {"names in any script", true,
         QStringList{QStringLiteral("/视频/第一集.mp4"), QStringLiteral("/视频/한국어.mkv")}, true,
         "/视频/第一集.mp4;/视频/한국어.mkv"},
        {"a bar inside a name", true, QStringList{"/m/a|b.mp4", "/m/c.mp4"}, true, "/m/a|b.mp4;/m/c.mp4"},
        {"single selection", false, QStringList{"/media/a.wmv"}, true, "/media/a.wmv"},
        {"cancel keeps the default name", true, std::nullopt, false, "start.mp4"},
        {"nothing chosen is a cancel", true, QStringList{}, false, "start.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileDialog dialog;
        dialog.Setup(0, {}, Text(kMediaFilter), 0, {}, Text("start.mp4"), {}, {}, {}, {}, c.multiSelect);
        dialog.SetAnswer([&](QFileDialog&) { return c.answer; });
        EXPECT_EQ(dialog.Show(), c.result);
        EXPECT_EQ(dialog.ChosenFiles(), Text(c.chosen));
    }
}

// However long, a choice is kept whole: the file buffer grows to hold it,
// and the list keeps each path in the order chosen (a name may hold ";").
TEST(FileDialog, EveryChoiceIsKeptWholeInItsOrder) {
    struct Case {
        const char* name;
        bool multiSelect;
        QStringList answer;
    };
    const QString path256 = QStringLiteral("/") + QString(255, u'a');
    const QString path2048 = QStringLiteral("/") + QString(2047, u'a');
    QStringList many;  // more than the 2049 bytes of the classic buffer
    for (int i = 0; i < 205; ++i) many.push_back(QStringLiteral("/m/%1.mp4").arg(i, 5, 10, QLatin1Char('0')));
    QStringList hundred;  // chosen in an order of their own, not by name
    for (int i = 100; i > 0; --i) hundred.push_back(QStringLiteral("/m/clip %1.mp4").arg(i));
    const std::vector<Case> cases = {
        {"a path of 256 bytes", false, {path256}},
        {"a path of 257 bytes", false, {path256 + u'a'}},
        {"a path of 2049 bytes with multiple selection", true, {path2048 + u'a'}},
        {"205 files", true, many},
        {"100 files in the order chosen", true, hundred},
        {"a name with a semicolon", false, {QStringLiteral("/m/clip one;two.mp4")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileDialog dialog;
        dialog.Setup(0, {}, {}, {}, {}, Text("x.mp4"), {}, {}, {}, {}, c.multiSelect);
        dialog.SetAnswer([&](QFileDialog&) { return std::optional<QStringList>(c.answer); });
        ASSERT_TRUE(dialog.Show());
        QStringList listed;
        for (const Text& path : dialog.ChosenList()) listed.push_back(ToQString(path));
        EXPECT_EQ(listed, c.answer);
        if (c.answer.size() > 1) {
            EXPECT_EQ(ToQString(dialog.ChosenFiles()).split(u';'), c.answer);
        }
    }
}

TEST(FileDialog, TheDefaultFileNameStartsTheBuffer) {
    FileDialog dialog;
    dialog.Setup(0, {}, {}, {}, {}, Text("a.mp4;b.mp4"));
    EXPECT_TRUE(dialog.ChosenFiles().Empty());
    const FileDialogRecord& record = dialog.dialogRecord;
    std::string seen;
    dialog.SetAnswer([&](QFileDialog&) -> std::optional<QStringList> {
        seen = record.file;
        return std::nullopt;
    });
    EXPECT_FALSE(dialog.Show());
    EXPECT_EQ(seen, std::string("a.mp4\0b.mp4", 11) + std::string(257 - 11, '\0'));
    EXPECT_EQ(dialog.ChosenFiles(), Text("a.mp4;b.mp4"));

    // A name longer than the buffer is cut, keeping the closing zero.
    dialog.Setup(0, {}, {}, {}, {}, Text::Gbk(std::string(300, 'n')));
    dialog.Show();
    EXPECT_EQ(seen, std::string(256, 'n') + '\0');
}

TEST(FileDialog, FlagsLeftOutKeepTheirFieldsExceptThroughTheHolder) {
    FileDialog dialog;
    dialog.Setup(0, {}, {}, {}, {}, {}, std::nullopt, false, std::nullopt, std::nullopt, true);
    EXPECT_EQ(dialog.createPrompt, 0x2000);
    EXPECT_EQ(dialog.fileMustExist, 0);
    EXPECT_EQ(dialog.overwritePrompt, 2);
    EXPECT_EQ(dialog.pathMustExist, 0x800);
    EXPECT_EQ(dialog.allowMultiSelect, 0x200);
    dialog.Setup(1);
    EXPECT_EQ(dialog.allowMultiSelect, 0x200);

    FileDialogHolder holder;
    holder.Setup(0);
    EXPECT_EQ(holder.fileDialog.createPrompt, 0);
    EXPECT_EQ(holder.fileDialog.fileMustExist, 0);
    EXPECT_EQ(holder.fileDialog.overwritePrompt, 0);
    EXPECT_EQ(holder.fileDialog.pathMustExist, 0);
    EXPECT_EQ(holder.fileDialog.allowMultiSelect, 0);
}

TEST(FileDialog, TheKindChoosesOpenSaveOrNothing) {
    struct Case {
        int kind;
        bool overwritePrompt;
        bool shown;
        int flags;
        QFileDialog::AcceptMode acceptMode;
        bool confirmOverwrite;
    };
    const std::vector<Case> cases = {
        {0, true, true, 0x4 | 0x80000 | 0x800000 | 0x2000 | 0x1000 | 0x2 | 0x800, QFileDialog::AcceptOpen, true},
        {1, true, true, 0x80000 | 0x800000 | 0x2 | 0x800, QFileDialog::AcceptSave, true},
        {1, false, true, 0x80000 | 0x800000 | 0x800, QFileDialog::AcceptSave, false},
        {2, true, false, 0, QFileDialog::AcceptOpen, true},
        {-1, true, false, 0, QFileDialog::AcceptOpen, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        FileDialog dialog;
        dialog.Setup(c.kind, {}, Text("文本|*.txt"), {}, {}, Text("default.txt"), {}, {}, c.overwritePrompt);
        bool shown = false;
        QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
        bool confirmOverwrite = true;
        dialog.SetAnswer([&](QFileDialog& qt) {
            shown = true;
            acceptMode = qt.acceptMode();
            confirmOverwrite = !qt.testOption(QFileDialog::DontConfirmOverwrite);
            return std::optional<QStringList>(QStringList{"/tmp/saved.txt"});
        });
        EXPECT_EQ(dialog.Show(), c.shown);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(dialog.ChosenFiles(), Text(c.shown ? "/tmp/saved.txt" : "default.txt"));
        EXPECT_EQ(dialog.dialogRecord.flags, c.flags);
        EXPECT_EQ(acceptMode, c.acceptMode);
        EXPECT_EQ(confirmOverwrite, c.confirmOverwrite);
    }
}

TEST(FileDialog, AnotherFilterChosenInTheDialogIsReadBackAndSettingsSurvive) {
    FileDialogHolder holder;
    SetupForMedia(holder);
    holder.SetAnswer([](QFileDialog& dialog) {
        dialog.selectNameFilter(dialog.nameFilters().at(1));
        return std::optional<QStringList>(QStringList{"/m/a.txt"});
    });
    EXPECT_TRUE(holder.Show());
    EXPECT_EQ(holder.fileDialog.dialogRecord.filterIndex, 2);

    // A second Show starts from the filter the person left selected.
    QString selected;
    holder.SetAnswer([&](QFileDialog& dialog) {
        selected = dialog.selectedNameFilter();
        return std::optional<QStringList>();
    });
    EXPECT_FALSE(holder.Show());
    EXPECT_EQ(selected, QStringLiteral("所有文件 (*.*)"));
    EXPECT_EQ(holder.ChosenFiles(), Text(""));
}

// No stand-in: the real modal dialog, accepted from a timer with two files
// typed into its name field.
TEST(FileDialog, TheRealDialogReturnsTheFilesAccepted) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    for (const char* name : {"a.mp4", "b.mp3"}) {
        QFile file(directory.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    FileDialogHolder holder;
    holder.Setup(0, Text("打开多媒体文件"), Text(kMediaFilter), 0, FromQString(directory.path()), {}, false, true,
                 false, false, true);

    QElapsedTimer clock;
    clock.start();
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog) {
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(QStringLiteral("\"a.mp4\" \"b.mp3\""));
            static_cast<QDialog*>(dialog)->accept();
        } else if (clock.elapsed() > 10000) {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        }
    });
    person.start(20);
    const bool accepted = holder.Show();
    person.stop();

    ASSERT_TRUE(accepted);
    const QString base = QDir(directory.path()).absolutePath() + u'/';
    EXPECT_EQ(ToQString(holder.ChosenFiles()), base + "a.mp4;" + base + "b.mp3");
}

}  // namespace
}  // namespace lumora
