// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusDisplay.h"

#include "app/AppState.h"
#include "app/MainWindowUnits.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"
#include "app/TimerInterval.h"
#include "base/TimeText.h"
#include "resolve/MediaFront.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <climits>

namespace lumora {

namespace {

const char* const kNoTime = "00:00:00";

int ClampToInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

void SetTransportEnabled(const MainWindowUnits& units, bool enabled) {
    for (QPushButton* button : {units.stopButton, units.fullScreenButton, units.muteButton})
        if (button) button->setEnabled(enabled);
}

void WriteSection(const MainWindowUnits& units, int section, const QString& text) {
    if (units.statusBar) units.statusBar->SetSectionText(section, text);
}

// The part of `path` after its last "/"; empty when it holds none.
Text AfterLastSeparator(const Text& path) {
    const std::string& bytes = path.Bytes();
    const std::size_t slash = bytes.rfind('/');
    return slash == std::string::npos ? Text() : Text::Gbk(bytes.substr(slash + 1));
}

}  // namespace

QString ProgrammeName(const AppState& state, const MainWindowUnits& units) {
    if (units.localState && units.localState->isChecked()) {
        // Of several chosen files, the one the list plays now (also its
        // last, and after the user moved items about).
        const MediaFront* front = state.mediaObject.get();
        if (front && front->PlaylistItemPlaying() >= 1 &&
            front->PlaylistItemPlaying() <= static_cast<int>(front->PlaylistItems().size()))
            return ToQString(AfterLastSeparator(front->PlaylistItems()[front->PlaylistItemPlaying() - 1]));
        return ToQString(AfterLastSeparator(state.localProgrammeName));
    }
    if (!state.programmeName.Empty()) return ToQString(state.programmeName);
    return state.mediaObject ? ToQString(state.mediaObject->MediaTitle()) : QString();
}

void PollPlayState(AppState& state, const MainWindowUnits& units, QWidget& /*window*/) {
    if (!state.mediaObject) return;
    const PlayState s = state.mediaObject->PlayState();
    if (s == PlayState::Stopped) {
        if (state.shownState == PlayState::Stopped) {
            WriteSection(units, kStateSection, QString::fromUtf8(PlayStateText(s)));
            SetTransportEnabled(units, false);
        } else if (state.shownState != PlayState::Failed) {
            // The medium ended by itself: shown as after the stop button, the
            // time and slider reset. A failure shown stays shown.
            state.shownState = PlayState::Stopped;
            WriteSection(units, kStateSection, QString::fromUtf8(PlayStateText(s)));
            SetTransportEnabled(units, false);
            StopPositionRefresh(state, units);
        }
        return;
    }
    if (s == state.shownState || (s == PlayState::Loading && state.dragging)) return;

    state.shownState = s;
    WriteSection(units, kStateSection, QString::fromUtf8(PlayStateText(s)));
    switch (s) {
        case PlayState::Playing:
            SetTimerInterval(units.positionTimer, kPositionTickMs);
            [[fallthrough]];
        case PlayState::Loading:
        case PlayState::Connecting:
            if (units.playButton) units.playButton->setEnabled(true);
            SetTransportEnabled(units, true);
            break;
        case PlayState::Failed:
            SetTransportEnabled(units, false);
            // The time of the medium before is no time of this one.
            StopPositionRefresh(state, units);
            break;
        default:
            break;
    }
}

void RefreshPosition(AppState& state, const MainWindowUnits& units, QWidget& /*window*/) {
    if (!state.mediaObject) return;
    MediaFront& front = *state.mediaObject;
    const PlayState s = front.PlayState();
    const Text buffer = front.BufferText();

    if (s == PlayState::Playing && buffer == "100%") {
        WriteSection(units, kStateSection, QStringLiteral("正在播放的节目：") + ProgrammeName(state, units));
    }

    // A failed play has no time; what the engine still holds is the medium's before.
    const bool failed = s == PlayState::Failed;
    state.positionSeconds = failed ? 0 : ClampToInt(WholeSeconds(front.Position()));
    state.durationSeconds = failed ? 0 : ClampToInt(WholeSeconds(front.Duration()));
    const Text durationText = FormatTime(state.durationSeconds);
    // A duration the engine cannot tell (a live stream) formats as 00:00:00.
    const bool unknownDuration = durationText == kNoTime;

    if (QSlider* slider = units.progressSlider) {
        slider->setEnabled(state.durationSeconds != 0 && !unknownDuration);
        if (slider->maximum() != state.durationSeconds) slider->setMaximum(unknownDuration ? 0 : state.durationSeconds);
        // A one-second clip keeps its thumb still; a held thumb is the user's.
        if (state.durationSeconds >= 2 && !unknownDuration && !state.dragging) slider->setValue(state.positionSeconds);
    }

    if (s != PlayState::Playing) StopPositionRefresh(state, units);

    WriteSection(units, kTimeSection, ToQString(FormatTime(state.positionSeconds) + "/" + durationText));
    WriteSection(units, kBufferSection, QStringLiteral("缓冲数据： ") + ToQString(buffer));
}

void StopPositionRefresh(AppState& state, const MainWindowUnits& units) {
    SetTimerInterval(units.positionTimer, 0);
    if (state.shownState != PlayState::Stopped && state.shownState != PlayState::Failed) return;
    if (QSlider* slider = units.progressSlider) {
        slider->setEnabled(false);
        slider->setMaximum(0);
    }
    WriteSection(units, kTimeSection, QStringLiteral("00:00:00/00:00:00"));
}

void ShowPlayFailure(AppState& state, const MainWindowUnits& units) {
    state.shownState = PlayState::Failed;
    WriteSection(units, kStateSection, QString::fromUtf8(PlayStateText(PlayState::Failed)));
    SetTransportEnabled(units, false);
    StopPositionRefresh(state, units);
}

void ShowDraggedTime(AppState& state, const MainWindowUnits& units) {
    const int position = units.progressSlider ? units.progressSlider->value() : 0;
    WriteSection(units, kTimeSection, ToQString(FormatTime(position) + "/" + FormatTime(state.durationSeconds)));
}

}  // namespace lumora
