// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlayCommands.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QMessageBox>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/FileDialog.h"
#include "app/LibraryCommands.h"
#include "app/MainWindow.h"
#include "app/OpenAddressWindow.h"
#include "app/QtText.h"
#include "app/Shortcuts.h"
#include "app/StatusBarUnit.h"
#include "app/TimerInterval.h"
#include "app/WindowLayout.h"
#include "base/NumberText.h"
#include "base/Version.h"
#include "download/DownloadTarget.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

constexpr const char kMediaFilter[] =
    "媒体文件|*.wmv;*.asx;*.flv;*.f4v;*.mp4;*.hlv;*.mp3;*.wma;*.avi;*.mkv;*.vob;*.pfv;*.ts;*.mpg;*.mpeg|"
    "所有文件|*.*";

}  // namespace

namespace {

// What every start of playback does around opening: the shown state and the
// slider reset, then stereo at the volume slider's position.
template <typename Opening>
void StartPlayback(MainWindow& window, Opening open) {
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    state.shownState = PlayState::Stopped;
    state.followingPlayState = true;
    u.progressSlider->setValue(0);
    u.progressSlider->setMaximum(0);
    if (MediaFront* front = state.mediaObject.get()) {
        open(*front);
        front->SetChannel(0);
        // Setting the volume unmutes; the user's mute holds from one medium
        // to the next.
        const bool muted = front->Muted();
        front->SetVolume(u.volumeSlider->value());
        if (muted) front->ToggleMute();
    }
}

}  // namespace

void PlayAddress(MainWindow& window, const Text& address, const Text& title, AddressOrigin origin) {
    StartPlayback(window, [&](MediaFront& front) { front.Open(address, title, EngineRequest::Choose, origin); });
}

void StopPlayback(MainWindow& window) {
    AppState& state = window.State();
    state.shownState = PlayState::Stopped;
    if (state.mediaObject) state.mediaObject->Stop();
}

void PlayCurrentRow(MainWindow& window) {
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    DropRowResolution(window);
    const int row = CurrentRow(*u.catalogueList);
    const QTreeWidgetItem* item = row >= 0 ? u.catalogueList->topLevelItem(row) : nullptr;
    state.currentAddress = item ? FromQString(item->text(kAddressColumn)) : Text();
    state.currentTitle = item ? FromQString(item->text(kTitleColumn)) : Text();
    SetWindowTitleText(window, "Lumora视频播放器：" + state.currentTitle);
    StartDelayedPlay(window, state.currentAddress, state.currentTitle, AddressOrigin::Network);
    u.localState->setChecked(false);
}

void OpenLocalFile(MainWindow& window) {
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    if (u.fullScreenMode->isChecked()) ToggleWindowFullScreen(window);
    FileDialogHolder& dialog = *state.openDialog;
    dialog.Setup(0, "打开多媒体文件", kMediaFilter, 0, Text(), Text(), false, true, false, false, true);
    if (!dialog.Show()) return;
    // The menu stopped playback first: the file that was loaded plays again.
    PlayLocalFiles(window, dialog.ChosenList());
}

namespace {

// The user chose something else to play: a row whose page is still on its
// way no longer plays or writes its title, and neither "解析地址中" nor the
// name of the row played before holds. Other titles (a download's) stay.
void DropPendingRow(MainWindow& window) {
    const bool namesRow = window.windowTitle().startsWith(QStringLiteral("Lumora视频播放器："));
    if (window.State().resolving.active || namesRow) SetWindowTitleText(window, "Lumora视频播放器");
    DropRowResolution(window);
}

}  // namespace

void PlayLocalFiles(MainWindow& window, const std::vector<Text>& files) {
    DropPendingRow(window);
    // A delayed play still waiting would replace the files.
    SetTimerInterval(window.Units().delayedPlayTimer, 0);
    // The programme line names the file playing; the last one once the
    // list has reached it.
    window.State().localProgrammeName = files.empty() ? Text() : files.back();
    NoteLocalFilesPlay(window);
    StartPlayback(window, [&](MediaFront& front) { front.PlayFiles(files); });
    window.Units().localState->setChecked(true);
}

namespace {

// The delayed play of a typed address and the title its download would take.
void StartTypedPlay(MainWindow& window, const Text& address, AddressOrigin origin = AddressOrigin::User) {
    AppState& state = window.State();
    DropPendingRow(window);
    StartDelayedPlay(window, address, {}, origin);
    // Not a local file: the programme line names the medium, not a file
    // chosen earlier.
    window.Units().localState->setChecked(false);
    state.currentAddress = address;
    // The title names the download file: the address's own file name when
    // it has a usable one, else 网络文件, and then an earlier download of
    // that name keeps its name.
    state.currentTitle = TypedAddressTitle(address);
    if (!state.currentTitle.Empty()) return;
    state.currentTitle = "网络文件";
    if (EarlierDownloadExists(DownloadDirectory(), state.currentTitle)) state.currentTitle += "1";
}

}  // namespace

void PlayTypedAddress(MainWindow& window, const Text& address, AddressOrigin origin) {
    StopPlayback(window);
    StartTypedPlay(window, address, origin);
}

void OpenTypedAddress(MainWindow& window) {
    AppState& state = window.State();
    StopPlayback(window);
    // Its button (按钮1) takes the typed address and closes it.
    window.Units().openAddressWindow->exec();
    if (state.typedAddress.Empty()) return;
    StartTypedPlay(window, state.typedAddress);
}

void OnVolumeChanged(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    const int volume = u.volumeSlider->value();
    if (MediaFront* front = window.State().mediaObject.get()) front->SetVolume(volume);
    u.statusBar->SetSectionText(kVolumeSection, ToQString("音量：" + NumberText(volume) + "%"));
}

void OnProgressPressed(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    window.State().dragging = true;
    SetTimerInterval(u.positionTimer, 0);
    SetTimerInterval(u.dragTimer, kDragTickMs);
}

void OnProgressReleased(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    if (MediaFront* front = window.State().mediaObject.get()) front->Seek(u.progressSlider->value());
    SetTimerInterval(u.seekSettleTimer, kSeekSettleMs);
}

void OnSeekSettled(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    SetTimerInterval(u.seekSettleTimer, 0);
    SetTimerInterval(u.dragTimer, 0);
    SetTimerInterval(u.positionTimer, kPositionTickMs);
    window.State().dragging = false;
}

void OnDelayedPlay(MainWindow& window) {
    SetTimerInterval(window.Units().delayedPlayTimer, 0);
    AppState& state = window.State();
    const Text address = state.pendingPlayAddress;
    state.programmeName = state.pendingProgrammeName;
    NoteDelayedPlay(window, address);
    PlayAddress(window, address, {}, state.pendingPlayOrigin);
}

void ShowAbout(MainWindow& window) {
    // The keys and their actions in two aligned columns.
    QString text = QStringLiteral("<p>Lumora视频播放器 %1<br>浏览视频目录，播放本地与网络媒体。</p><p>快捷键：</p>"
                                  "<table cellspacing=\"0\" cellpadding=\"2\">")
                       .arg(QString::fromUtf8(kLumoraVersion).toHtmlEscaped());
    for (const ShortcutHelp& help : ShortcutList())
        text += QStringLiteral("<tr><td style=\"padding-right:16px\">%1</td><td>%2</td></tr>")
                    .arg(help.keys.toHtmlEscaped(), help.action.toHtmlEscaped());
    text += QStringLiteral("</table>");
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("关于"), text, QMessageBox::Ok, &window);
    box->setTextFormat(Qt::RichText);
    box->setObjectName(QStringLiteral("关于窗口"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace lumora
