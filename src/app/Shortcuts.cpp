// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Shortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QShortcut>
#include <QSlider>
#include <QTreeWidget>

#include <algorithm>
#include <functional>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/Downloads.h"
#include "app/LibraryCommands.h"
#include "app/MainWindow.h"
#include "app/PlaybackTweaks.h"
#include "app/UnitManners.h"
#include "app/WindowLayout.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

struct Binding {
    QKeySequence key;
    const char* keys;    // as the about box shows them
    const char* action;  // empty: listed with the binding before
    std::function<void(MainWindow&)> run;
};

MediaFront* Front(MainWindow& window) { return window.State().mediaObject.get(); }

const std::vector<Binding>& Bindings() {
    static const std::vector<Binding> bindings = {
        {Qt::Key_Space, "空格", "播放/暂停",
         [](MainWindow& w) {
             if (MediaFront* front = Front(w)) front->TogglePause();
         }},
        {Qt::Key_F, "F 或双击画面", "全屏/退出全屏", [](MainWindow& w) { ToggleWindowFullScreen(w); }},
        {{}, "Esc", "退出全屏", {}},
        {Qt::Key_M, "M", "静音", [](MainWindow& w) { ToggleMute(w); }},
        {Qt::Key_Left, "← / →", "后退/前进 5 秒", [](MainWindow& w) { SeekBy(w, -5); }},
        {Qt::Key_Right, "", "", [](MainWindow& w) { SeekBy(w, 5); }},
        {Qt::SHIFT | Qt::Key_Left, "Shift+← / Shift+→", "后退/前进 60 秒", [](MainWindow& w) { SeekBy(w, -60); }},
        {Qt::SHIFT | Qt::Key_Right, "", "", [](MainWindow& w) { SeekBy(w, 60); }},
        {Qt::Key_Up, "↑ / ↓", "音量 +5/-5（列表中：上下移动，回车播放）", [](MainWindow& w) { StepVolume(w, 5); }},
        {Qt::Key_Down, "", "", [](MainWindow& w) { StepVolume(w, -5); }},
        {Qt::CTRL | Qt::Key_O, "Ctrl+O", "打开本地文件",
         [](MainWindow& w) { w.Units().openLocalFileAction->trigger(); }},
        {Qt::CTRL | Qt::Key_L, "Ctrl+L", "打开网络地址",
         [](MainWindow& w) { w.Units().openNetworkFileAction->trigger(); }},
        // As the download button: the menu command's enabled state is only
        // brought up to date when the menu is shown.
        {Qt::CTRL | Qt::Key_D, "Ctrl+D", "下载", [](MainWindow& w) { StartDownload(w.State(), w); }},
        {Qt::Key_N, "N", "换一批", [](MainWindow& w) { NextBatch(w); }},
        {Qt::Key_BracketLeft, "[ / ]", "减速 / 加速（每步约 10%）", [](MainWindow& w) { ChangeSpeed(w, false); }},
        {Qt::Key_BracketRight, "", "", [](MainWindow& w) { ChangeSpeed(w, true); }},
        {Qt::Key_Backspace, "Backspace", "恢复正常速度", [](MainWindow& w) { ResetSpeed(w); }},
        {Qt::Key_S, "S", "截图（存入图片文件夹）", [](MainWindow& w) { TakeScreenshot(w); }},
        {Qt::Key_V, "V", "显示/隐藏字幕", [](MainWindow& w) { ToggleSubtitles(w); }},
        {Qt::Key_NumberSign, "#", "切换音轨", [](MainWindow& w) { CycleTrack(w, MediaTrack::Kind::Audio); }},
        {Qt::Key_J, "J", "切换字幕轨（含关闭）", [](MainWindow& w) { CycleTrack(w, MediaTrack::Kind::Subtitle); }},
        {Qt::Key_PageDown, "PgDn / PgUp", "下一章 / 上一章", [](MainWindow& w) { StepChapter(w, 1); }},
        {Qt::Key_PageUp, "", "", [](MainWindow& w) { StepChapter(w, -1); }},
        {Qt::Key_B, "B", "收藏/取消收藏当前行", [](MainWindow& w) { ToggleFavourite(w); }},
        {Qt::Key_R, "R", "从头播放（续播之后）", [](MainWindow& w) { StartOver(w); }},
        {Qt::CTRL | Qt::Key_Q, "Ctrl+Q", "退出", [](MainWindow&) { QCoreApplication::exit(0); }},
    };
    return bindings;
}

// The list keeps ↑, ↓ and Enter for itself; a left double-click anywhere on
// the picture toggles full screen (and goes no further).
class WindowKeyFilter : public QObject {
public:
    explicit WindowKeyFilter(MainWindow& window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The filter sees every event of the program, also those sent while
        // the window is being destroyed: touch the window only for the events
        // it acts on.
        switch (event->type()) {
            case QEvent::ShortcutOverride:
            case QEvent::KeyPress: {
                const MainWindowUnits& u = window_.Units();
                if (watched != u.catalogueList) return false;
                auto* key = static_cast<QKeyEvent*>(event);
                if (key->modifiers() & ~Qt::KeypadModifier) return false;
                const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
                const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
                if (event->type() == QEvent::ShortcutOverride) {
                    if (arrow) event->accept();  // the list moves, not the volume
                    return false;
                }
                if (enter && CurrentRow(*u.catalogueList) >= 0) {
                    OnListDoubleClicked(window_);
                    return true;
                }
                return false;
            }
            case QEvent::Wheel: {
                // The wheel over the picture steps the volume, 5 a notch; a
                // fine-grained wheel or touchpad adds up to whole notches.
                const MainWindowUnits& u = window_.Units();
                auto* widget = qobject_cast<QWidget*>(watched);
                if (!widget || !(widget == u.videoArea || u.videoArea->isAncestorOf(widget))) return false;
                wheelTurn_ += static_cast<QWheelEvent*>(event)->angleDelta().y();
                const int notches = wheelTurn_ / QWheelEvent::DefaultDeltasPerStep;
                wheelTurn_ -= notches * QWheelEvent::DefaultDeltasPerStep;
                if (notches != 0) StepVolume(window_, 5 * notches);
                return true;
            }
            case QEvent::MouseButtonDblClick: {
                const MainWindowUnits& u = window_.Units();
                auto* widget = qobject_cast<QWidget*>(watched);
                if (!widget || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton ||
                    !(widget == u.videoArea || u.videoArea->isAncestorOf(widget)))
                    return false;
                ToggleWindowFullScreen(window_);
                return true;
            }
            default:
                return false;
        }
    }

private:
    MainWindow& window_;
    int wheelTurn_ = 0;  // eighths of a degree not yet a whole notch
};

}  // namespace

std::vector<ShortcutHelp> ShortcutList() {
    std::vector<ShortcutHelp> list;
    for (const Binding& binding : Bindings())
        if (*binding.action) list.push_back({QString::fromUtf8(binding.keys), QString::fromUtf8(binding.action)});
    return list;
}

void InstallShortcuts(MainWindow& window) {
    for (const Binding& binding : Bindings()) {
        if (binding.key.isEmpty()) continue;
        auto* shortcut = new QShortcut(binding.key, &window);
        shortcut->setContext(Qt::WindowShortcut);
        // A held arrow or bracket goes on seeking, stepping the volume or the
        // speed; the toggles act once per press.
        const int key = binding.key[0].key();
        shortcut->setAutoRepeat(key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
                                key == Qt::Key_Down || key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight);
        const auto run = binding.run;
        QObject::connect(shortcut, &QShortcut::activated, &window, [&window, run] { run(window); });
    }
    qApp->installEventFilter(new WindowKeyFilter(window));
    ShowMenuKeys(window);
}

void ShowMenuKeys(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    const std::pair<QAction*, QKeySequence> keys[] = {
        {u.openLocalFileAction, Qt::CTRL | Qt::Key_O},
        {u.openNetworkFileAction, Qt::CTRL | Qt::Key_L},
        {u.downloadFileAction, Qt::CTRL | Qt::Key_D},
        {u.exitAction, Qt::CTRL | Qt::Key_Q},
    };
    for (const auto& [action, key] : keys) {
        // Shown beside the command; the window's own shortcut does the work,
        // the action's is live only while its menu has the keyboard.
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
    }
}

void SeekBy(MainWindow& window, int seconds) {
    AppState& state = window.State();
    MediaFront* front = state.mediaObject.get();
    const PlayState shown = state.shownState;
    if (!front || !(shown == PlayState::Buffering || shown == PlayState::Paused || shown == PlayState::Playing)) return;
    front->Seek(std::max(0, int(front->Position()) + seconds));
}

void StepVolume(MainWindow& window, int step) {
    QSlider* slider = window.Units().volumeSlider;
    slider->setValue(std::clamp(slider->value() + step, slider->minimum(), slider->maximum()));
}

void ToggleMute(MainWindow& window) {
    if (MediaFront* front = Front(window)) front->ToggleMute();
    ShowMuteState(window);
}

}  // namespace lumora
