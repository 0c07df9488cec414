// SPDX-License-Identifier: GPL-3.0-or-later
// The window as it fits: the smallest size the layout still fits, the list
// column widened by dragging its boundary, the place and list width kept in
// the window file across starts, and the small manners of the units
// (status sections wide enough, muted volume text, the open-address window,
// the menu's keys, the about box's table, the buttons that wait for a
// medium).
#include "app/ListColumnHandle.h"
#include "app/OpenAddressWindow.h"
#include "app/PlayCommands.h"
#include "app/Shortcuts.h"
#include "app/StatusBarUnit.h"
#include "app/UnitManners.h"
#include "app/WindowLayout.h"
#include "app/WindowMemory.h"

#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QTreeWidget>

namespace lumora {

// Readable failures.
void PrintTo(const FirstWindowPlace& place, std::ostream* os) {
    if (place.position)
        *os << place.position->x() << "," << place.position->y();
    else
        *os << "(placed by the window manager)";
    *os << " " << place.size.width() << "x" << place.size.height();
}

namespace {

using test::WaitUntil;
using test::WindowTest;

// --- The button row, packed below the width where the table's row fits.

TEST(ButtonRowTest, PackedRowKeepsEveryUnitWholeAndApart) {
    // Least widths as captions ask them: wide, narrow and mixed fonts.
    const std::vector<RowWidths> leasts = {
        {52, 66, 40, 40, 40, 40, 40, 40, 40},
        {60, 66, 60, 60, 60, 60, 60, 60, 40},
        {30, 40, 24, 24, 24, 24, 24, 24, 40},
    };
    for (const RowWidths& least : leasts) {
        const int narrowest = PackedRowWidth(least);
        for (int width : {narrowest, narrowest + 1, narrowest + 37, 600, 667}) {
            if (width < narrowest) continue;
            SCOPED_TRACE(testing::Message() << "least " << least[0] << ", width " << width);
            const RowPlaces places = ButtonRowPlaces(width, least);
            int right = 0;
            for (int i = 0; i < kRowUnitCount; ++i) {
                EXPECT_GE(places[i].width, least[i]) << i;
                EXPECT_GE(places[i].left, right + geometry::kPackedGap) << i;
                right = places[i].left + places[i].width;
            }
            EXPECT_LE(right, width - geometry::kPackedGap + 1);
        }
    }
    // From the width where the table's row fits, it is the table's row.
    const RowWidths least = leasts.front();
    for (int width : {geometry::kRowFitWidth, 679, 680, 1000}) {
        const RowPlaces places = ButtonRowPlaces(width, least);
        EXPECT_EQ(places[0], (RowPlace{ButtonRowOffset(width) + 6, 60})) << width;
        EXPECT_EQ(places[8], (RowPlace{ButtonRowOffset(width) + 576, 90})) << width;
    }
    // Just below it every unit has its table width again.
    const RowPlaces justBelow = ButtonRowPlaces(geometry::kRowFitWidth - 1, least);
    EXPECT_EQ(justBelow[1].width, 66);
    EXPECT_EQ(justBelow[8].width, 90);
}

class WindowFitTest : public WindowTest {};

// Below its smallest size the window does not go; there every button shows
// its whole caption, the units stay inside the window and apart, and the
// default size keeps the table's layout (WindowLayoutTest).
TEST_F(WindowFitTest, SmallestWindowStillFitsItsUnits) {
    const QSize smallest = MinimumClientSize(window);
    EXPECT_EQ(window.minimumSize(), smallest);
    EXPECT_LT(smallest.width(), kMainWindowWidth);
    // A 1024 x 768 screen at QT_SCALE_FACTOR=2 gives 512 x 384.
    EXPECT_LE(smallest.width(), 500);
    EXPECT_LE(smallest.height(), 300);

    window.show();
    window.resize(200, 100);
    ASSERT_TRUE(WaitUntil([&] { return window.size() == smallest; }));
    const std::vector<QWidget*> row = {units.nextBatchButton, units.playButton,       units.stopButton,
                                       units.exitButton,      units.muteButton,       units.fullScreenButton,
                                       units.aboutButton,     units.downloadButton,   units.volumeSlider};
    int right = -1;
    for (QWidget* unit : row) {
        SCOPED_TRACE(unit->objectName().toStdString());
        const QRect place = unit->geometry();
        EXPECT_GT(place.left(), right);
        EXPECT_LE(place.right(), window.width() - 1);
        right = place.right();
        if (auto* button = qobject_cast<QPushButton*>(unit)) {
            EXPECT_GE(place.width(), std::min(button->fontMetrics().horizontalAdvance(button->text()), 66));
        }
    }
    EXPECT_TRUE(units.volumeLabel->isHidden());
    EXPECT_GT(units.videoArea->height(), 100);
    EXPECT_EQ(units.statusBar->geometry(), QRect(0, smallest.height() - 20, smallest.width(), 20));
}

// The boundary between the list and the picture, dragged as a user drags
// it: the list and its title column widen (a long title shows whole), the
// picture gives up the room, and neither goes past its limit.
TEST_F(WindowFitTest, ListColumnWidensByDraggingItsBoundary) {
    window.show();
    window.resize(900, 560);
    ASSERT_TRUE(WaitUntil([&] { return window.size() == QSize(900, 560); }));
    auto* row = new QTreeWidgetItem(units.catalogueList);
    const QString title = QStringLiteral("一个很长的视频标题，在一百像素里放不下");
    row->setText(kTitleColumn, title);
    ASSERT_EQ(units.catalogueList->width(), 100);
    ASSERT_EQ(units.catalogueList->columnWidth(kTitleColumn), 100);

    ListColumnHandle* handle = units.listHandle;
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->isVisible());
    EXPECT_EQ(handle->geometry().center().x(), 100 - 1);
    EXPECT_EQ(handle->cursor().shape(), Qt::SplitHCursor);

    int moved = 0;
    QObject::connect(handle, &ListColumnHandle::Moved, handle, [&moved](int width) { moved = width; });
    const auto drag = [&](int dx) {
        const QPoint grip(kListHandleWidth / 2, 50);
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(dx, 0)), handle->mapToGlobal(QPointF(grip + QPoint(dx, 0))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(dx, 0));
    };
    drag(250);
    EXPECT_EQ(moved, 350);
    EXPECT_EQ(state.listWidth, 350);
    EXPECT_EQ(units.catalogueList->geometry(), QRect(0, 0, 350, 480));
    EXPECT_EQ(units.videoArea->geometry(), QRect(350, 0, 550, 480));
    EXPECT_EQ(units.catalogueList->columnWidth(kTitleColumn), 350);
    const QRect cell = units.catalogueList->visualItemRect(row);
    EXPECT_GE(cell.width(), units.catalogueList->fontMetrics().horizontalAdvance(title)) << "the title shows whole";
    const MediaFront& front = *state.mediaObject;
    EXPECT_EQ(QRect(front.Left(), front.Top(), front.Width(), front.Height()), QRect(0, 0, 550, 480));

    drag(2000);  // the picture keeps its least width
    EXPECT_EQ(units.videoArea->width(), geometry::kLeastVideoWidth);
    drag(-2000);  // the list never narrower than at first
    EXPECT_EQ(units.catalogueList->width(), 100);
    EXPECT_EQ(units.videoArea->geometry(), QRect(100, 0, 800, 480));

    // The chosen width holds when the window grows; a smaller window takes
    // from it only what the picture needs.
    SetListColumnWidth(window, 300);
    window.resize(1000, 560);
    ASSERT_TRUE(WaitUntil([&] { return window.width() == 1000; }));
    EXPECT_EQ(units.catalogueList->width(), 300);
    window.resize(420, 560);
    ASSERT_TRUE(WaitUntil([&] { return window.width() == std::max(420, window.minimumWidth()); }));
    EXPECT_EQ(units.videoArea->width(), std::max(geometry::kLeastVideoWidth, window.width() - 300));
}

// --- The window file.

TEST(WindowPlaceFileTest, ReadsWhatItWritesAndDefaultsOnAnythingElse) {
    WindowPlace full;
    full.position = QPoint(-20, 35);
    full.size = QSize(800, 600);
    full.listWidth = 240;
    full.playListShown = true;
    EXPECT_EQ(ParseWindowPlace(WindowPlaceText(full)), full);
    EXPECT_EQ(WindowPlaceText(full), QByteArray("x=-20\ny=35\nwidth=800\nheight=600\nlist=240\nplaylist=1\n"));
    EXPECT_EQ(ParseWindowPlace(WindowPlaceText(WindowPlace{})), WindowPlace{});

    WindowPlace sizeOnly;
    sizeOnly.size = QSize(700, 500);
    struct Case {
        const char* text;
        WindowPlace place;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"\n\n", {}},
        {"width=700\nheight=500\n", sizeOnly},
        {" width = 700 \r\nheight=500", sizeOnly},
        {"x=1\n", {}},                            // x without y
        {"x=1\ny=2\nx=3\n", {}},                  // a key twice
        {"width=0\n", {}},                        // out of range
        {"width=99999\n", {}},
        {"list=99\n", {}},                        // narrower than the list at first
        {"playlist=2\n", {}},
        {"width=seven\n", {}},
        {"height\n", {}},
        {"width=700\nfull=1\n", {}},              // a key of nobody's
        {"x=40000\ny=0\n", {}},
        {"\xff\xfe\x00w", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseWindowPlace(QByteArray(c.text)), c.place) << c.text;

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("lumora/window"));
    EXPECT_EQ(ReadWindowPlace(path), WindowPlace{});  // missing
    ASSERT_TRUE(WriteWindowPlace(path, full));
    EXPECT_EQ(ReadWindowPlace(path), full);
    QFile big(path);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(4096, '\n'));
    big.close();
    EXPECT_EQ(ReadWindowPlace(path), WindowPlace{}) << "a large file is not ours";
}

TEST(WindowPlaceFileTest, FirstWindowFitsTheScreenItGoesOn) {
    const QSize minimum(430, 240);
    const QList<QRect> oneScreen = {QRect(0, 0, 1024, 768)};
    const QList<QRect> twoScreens = {QRect(0, 0, 1024, 768), QRect(1024, 0, 1920, 1080)};
    const QList<QRect> scaled = {QRect(0, 0, 512, 384)};  // 1024 x 768 at QT_SCALE_FACTOR=2
    const QSize frame(8, 40);
    const auto at = [](int x, int y, int w, int h) {
        WindowPlace place;
        place.position = QPoint(x, y);
        place.size = QSize(w, h);
        return place;
    };
    struct Case {
        const char* what;
        WindowPlace remembered;
        QList<QRect> screens;
        FirstWindowPlace fitted;
    };
    const std::vector<Case> cases = {
        {"defaults", {}, oneScreen, {std::nullopt, QSize(680, 556)}},
        {"defaults, scaled twice", {}, scaled, {std::nullopt, QSize(504, 344)}},
        {"kept", at(100, 50, 800, 600), oneScreen, {QPoint(100, 50), QSize(800, 600)}},
        {"off every screen", at(3000, 2000, 800, 600), oneScreen, {std::nullopt, QSize(800, 600)}},
        {"above the screen", at(100, -500, 800, 400), oneScreen, {std::nullopt, QSize(800, 400)}},
        {"its top edge barely on", at(1000, 100, 800, 600), oneScreen, {std::nullopt, QSize(800, 600)}},
        {"partly off, its top on", at(-300, 100, 800, 600), oneScreen, {QPoint(0, 100), QSize(800, 600)}},
        {"past the right and bottom edges", at(600, 500, 800, 600), oneScreen, {QPoint(216, 128), QSize(800, 600)}},
        {"a scale since", at(171, 93, 800, 600), scaled, {QPoint(0, 0), QSize(504, 344)}},
        {"on the second screen", at(1400, 100, 1500, 900), twoScreens, {QPoint(1400, 100), QSize(1500, 900)}},
        {"the second screen gone", at(1500, 100, 1600, 900), oneScreen, {std::nullopt, QSize(1016, 728)}},
        {"too small", at(10, 10, 100, 100), oneScreen, {QPoint(10, 10), minimum}},
        {"no screen known", at(10, 10, 800, 600), {}, {std::nullopt, QSize(800, 600)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitFirstWindow(c.remembered, minimum, c.screens, frame), c.fitted) << c.what;
    // A screen smaller than the smallest window: the smallest window.
    EXPECT_EQ(FitFirstWindow({}, minimum, {QRect(0, 0, 320, 200)}, frame).size, minimum);
}

// The window file in a real window: restored before the window shows,
// then every move, resize and list drag written shortly after it happens,
// and the play-list panel's visibility kept for the window that has one.
TEST_F(WindowFitTest, PlaceIsRestoredAndFollowed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("lumora/window"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("lumora"))));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x=30\ny=40\nwidth=760\nheight=500\nlist=220\nplaylist=1\n");
    file.close();

    const WindowPlace remembered = RestoreWindowPlace(window, path);
    EXPECT_EQ(window.size(), QSize(760, 500));
    EXPECT_EQ(window.pos(), QPoint(30, 40));
    EXPECT_EQ(units.catalogueList->width(), 220);
    EXPECT_EQ(units.videoArea->geometry(), QRect(220, 0, 540, 420));

    // Before the memory starts the panel hook does nothing.
    int shown = -1;
    AttachPlayListMemory(window, [&shown](bool on) { shown = on; });
    EXPECT_EQ(shown, -1);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    StartWindowMemory(window, remembered, path, std::chrono::milliseconds(0));
    AttachPlayListMemory(window, [&shown](bool on) { shown = on; });
    EXPECT_EQ(shown, 1);

    window.resize(820, 520);
    window.move(60, 70);
    SetListColumnWidth(window, 100);
    emit units.listHandle->Moved(state.listWidth);
    NotePlayListShown(window, false);
    ASSERT_TRUE(WaitUntil(
        [&] {
            const WindowPlace now = ReadWindowPlace(path);
            return now.size == QSize(820, 520) && now.position == window.pos() && now.listWidth == 100 &&
                   !now.playListShown;
        },
        3000))
        << ReadWindowPlace(path).size.width();

    // A malformed file gives the defaults.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("width=big\n");
    file.close();
    MainWindow second;
    RestoreWindowPlace(second, path);
    EXPECT_EQ(second.size(), QSize(kMainWindowWidth, kMainWindowHeight));
    EXPECT_EQ(second.Units().catalogueList->width(), 100);
}

// --- The small manners.

// The fixed sections are drawn wide enough for their texts (the first gives
// up the room); the layout's own widths stay those of the table.
TEST_F(WindowFitTest, StatusSectionsShowTheirTextsWhole) {
    window.show();
    window.resize(680, 556);
    ASSERT_TRUE(WaitUntil([&] { return window.size() == QSize(680, 556); }));
    StatusBarUnit& bar = *units.statusBar;
    EXPECT_EQ(bar.SectionWidths(), (StatusBarUnit::Widths{360, 100, 100, 120}));
    const std::vector<std::pair<int, QString>> texts = {
        {kBufferSection, QStringLiteral("缓冲状态：等待中")}, {kBufferSection, QStringLiteral("缓冲数据： 100%")},
        {kVolumeSection, QStringLiteral("音量：100%")},       {kVolumeSection, QStringLiteral("音量：***%")},
        {kTimeSection, QStringLiteral("00:00:00/00:00:00")},  {kTimeSection, QStringLiteral("100:00:00/100:00:00")},
    };
    for (const auto& [section, text] : texts) {
        SCOPED_TRACE(text.toStdString());
        bar.SetSectionText(section, text);
        const QLabel* label = bar.Section(section);
        EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(text));
        const StatusBarUnit::Widths shown = bar.ShownSectionWidths();
        EXPECT_EQ(shown[0] + shown[1] + shown[2] + shown[3], 680);
        int left = 0;
        for (int i = 0; i < StatusBarUnit::kSectionCount; ++i) {
            EXPECT_EQ(bar.Section(i)->geometry(), QRect(left, 0, shown[i], 20)) << i;
            left += shown[i];
        }
    }
}

// The mute button shows the mute however it came; the volume section keeps
// its text.
TEST_F(WindowFitTest, MuteButtonShowsTheMute) {
    units.statusBar->SetSectionText(kVolumeSection, QStringLiteral("音量：45%"));
    ToggleMute(window);
    EXPECT_TRUE(units.muteButton->isChecked());
    EXPECT_EQ(units.statusBar->SectionText(kVolumeSection), QStringLiteral("音量：45%"));
    ToggleMute(window);
    EXPECT_FALSE(units.muteButton->isChecked());
    units.muteButton->click();
    EXPECT_TRUE(units.muteButton->isChecked());
    units.volumeSlider->setValue(50);  // moving the volume unmutes
    EXPECT_FALSE(units.muteButton->isChecked());
    EXPECT_EQ(units.statusBar->SectionText(kVolumeSection), QStringLiteral("音量：50%"));
    // From elsewhere (the media controls go through the front).
    state.mediaObject->ToggleMute();
    emit state.mediaObject->Changed();
    EXPECT_TRUE(units.muteButton->isChecked());
}

// With nothing loaded the stop, mute and full-screen buttons wait; the
// status display enables them once something loads.
TEST_F(WindowFitTest, TransportWaitsForAMedium) {
    DisableUntilLoaded(window);
    for (QPushButton* button : {units.stopButton, units.muteButton, units.fullScreenButton})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_TRUE(units.playButton->isEnabled());
    EXPECT_TRUE(units.exitButton->isEnabled());
    PlayAddress(window, "http://127.0.0.1:1/a.flv");
    ASSERT_TRUE(WaitUntil([&] { return !Opened().empty(); }));
    movie.code = 3;
    movie.Tell();
    ASSERT_TRUE(WaitUntil([&] { return units.stopButton->isEnabled(); }, 3000));
    EXPECT_TRUE(units.muteButton->isEnabled());
    EXPECT_TRUE(units.fullScreenButton->isEnabled());
}

// The open-address window keeps its fixed units; its empty box carries a
// hint, and Esc takes no address.
TEST_F(WindowFitTest, OpenAddressWindowHintsAndCancelsOnEscape) {
    OpenAddressWindow& dialog = *units.openAddressWindow;
    EXPECT_EQ(dialog.AddressEdit()->placeholderText(), QStringLiteral("网络地址"));
    EXPECT_TRUE(dialog.PlayButton()->isDefault());

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    state.typedAddress = Text("http://earlier/a.mp4");
    dialog.AddressEdit()->setFocus();
    dialog.AddressEdit()->setText(QStringLiteral("http://typed/b.mp4"));
    QTest::keyClick(dialog.AddressEdit(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(state.typedAddress, Text("http://earlier/a.mp4"));
}

// The right-click menu shows the keys of its commands; the window's keys
// still act once each (no second binding makes them ambiguous).
TEST_F(WindowFitTest, MenuShowsItsKeys) {
    const std::vector<std::pair<QAction*, const char*>> keys = {
        {units.openLocalFileAction, "Ctrl+O"},
        {units.openNetworkFileAction, "Ctrl+L"},
        {units.downloadFileAction, "Ctrl+D"},
        {units.exitAction, "Ctrl+Q"},
    };
    for (const auto& [action, key] : keys) {
        EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), QString::fromUtf8(key));
        EXPECT_EQ(action->text(), action->objectName()) << "the caption itself stays";
    }
    EXPECT_TRUE(units.playAction->shortcut().isEmpty());

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // Closes the open-address window whenever it is up, counting.
    int opened = 0;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!units.openAddressWindow->isVisible()) return;
        ++opened;
        units.openAddressWindow->reject();
    });
    closer.start();
    QTest::keyClick(&window, Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(WaitUntil([&] { return opened == 1; }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(opened, 1);
}

// The about box lists the keys as a table: each key in the first column,
// its action beside it in the second.
TEST_F(WindowFitTest, AboutBoxKeysInTwoColumns) {
    units.aboutButton->click();
    auto* box = window.findChild<QMessageBox*>(QStringLiteral("关于窗口"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textFormat(), Qt::RichText);
    QTextDocument document;
    document.setHtml(box->text());
    QTextTable* table = nullptr;
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable*>(frame))) break;
    ASSERT_NE(table, nullptr);
    const std::vector<ShortcutHelp> help = ShortcutList();
    ASSERT_EQ(table->rows(), static_cast<int>(help.size()));
    ASSERT_EQ(table->columns(), 2);
    const auto cellText = [&](int row, int column) {
        const QTextTableCell cell = table->cellAt(row, column);
        QTextCursor cursor = cell.firstCursorPosition();
        cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cursor.selectedText();
    };
    for (int row = 0; row < table->rows(); ++row) {
        EXPECT_EQ(cellText(row, 0), help[row].keys);
        EXPECT_EQ(cellText(row, 1), help[row].action);
    }
    box->close();
}

}  // namespace
}  // namespace lumora
