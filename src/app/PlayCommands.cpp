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
#include "app/MainWindow.h"
#include "app/OpenAddressWindow.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"
#include "app/TimerInterval.h"
#include "app/WindowLayout.h"
#include "base/NumberText.h"
#include "download/DownloadTarget.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

constexpr const char kMediaFilter[] =
    "媒体文件|*.wmv;*.asx;*.flv;*.f4v;*.mp4;*.hlv;*.mp3;*.wma;*.avi;*.mkv;*.vob;*.pfv;*.ts;*.mpg;*.mpeg|"
    "所有文件|*.*";

}  // namespace

void PlayAddress(MainWindow& window, const Text& address, const Text& title)
{
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    state.shownState = 0;
    u.progressSlider->setValue(0);
    u.progressSlider->setMaximum(0);
    if (MediaFront* front = state.mediaObject.get()) {
        front->Open(address, title);
        front->SetChannel(0);
        front->SetVolume(u.volumeSlider->value());
    }
    SetTimerInterval(u.playStateTimer, kPlayStatePollMs);
}

void PlayCurrentRow(MainWindow& window)
{
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    const int row = CurrentRow(*u.catalogueList);
    const QTreeWidgetItem* item = row >= 0 ? u.catalogueList->topLevelItem(row) : nullptr;
    state.currentAddress = item ? FromQString(item->text(kAddressColumn)) : Text();
    state.currentTitle = item ? FromQString(item->text(kTitleColumn)) : Text();
    SetWindowTitleText(window, "Lumora视频播放器：" + state.currentTitle);
    StartDelayedPlay(window, state.currentAddress);
    u.localState->setChecked(false);
}

void OpenLocalFile(MainWindow& window)
{
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();
    if (u.fullScreenMode->isChecked())
        ToggleWindowFullScreen(window);
    FileDialogHolder& dialog = *state.openDialog;
    dialog.Setup(0, "打开多媒体文件", kMediaFilter, 0, Text(), Text(), false, true, false, false, true);
    if (!dialog.Show())
        return;
    const Text chosen = dialog.ChosenFiles();
    // The file already loaded is not opened again.
    if (state.mediaObject && chosen == state.mediaObject->CurrentAddress())
        return;
    state.localProgrammeName = chosen;
    PlayAddress(window, chosen);
    u.localState->setChecked(true);
}

namespace {

// The delayed play of a typed address and the title its download would take.
void StartTypedPlay(MainWindow& window, const Text& address)
{
    AppState& state = window.State();
    StartDelayedPlay(window, address);
    state.currentAddress = address;
    // The title names the download file: the address's own file name when
    // it has a usable one, else 网络文件, and then an earlier download of
    // that name keeps its name.
    state.currentTitle = TypedAddressTitle(address);
    if (!state.currentTitle.Empty())
        return;
    state.currentTitle = "网络文件";
    const Text earlier = DownloadFileName(DownloadDirectory(state.programDirectory), state.currentTitle);
    if (QFileInfo::exists(ToQString(earlier)))
        state.currentTitle += "1";
}

}  // namespace

void PlayTypedAddress(MainWindow& window, const Text& address)
{
    if (MediaFront* front = window.State().mediaObject.get())
        front->Stop();
    StartTypedPlay(window, address);
}

void OpenTypedAddress(MainWindow& window)
{
    AppState& state = window.State();
    if (state.mediaObject)
        state.mediaObject->Stop();
    // Its button (按钮1) takes the typed address and closes it.
    window.Units().openAddressWindow->exec();
    if (state.typedAddress.Empty())
        return;
    StartTypedPlay(window, state.typedAddress);
}

void OnVolumeChanged(MainWindow& window)
{
    const MainWindowUnits& u = window.Units();
    const int volume = u.volumeSlider->value();
    if (MediaFront* front = window.State().mediaObject.get())
        front->SetVolume(volume);
    u.statusBar->SetSectionText(kVolumeSection, ToQString("音量：" + NumberText(volume) + "%"));
}

void OnProgressPressed(MainWindow& window)
{
    const MainWindowUnits& u = window.Units();
    window.State().dragging = true;
    SetTimerInterval(u.positionTimer, 0);
    SetTimerInterval(u.dragTimer, kDragTickMs);
}

void OnProgressReleased(MainWindow& window)
{
    const MainWindowUnits& u = window.Units();
    if (MediaFront* front = window.State().mediaObject.get())
        front->Seek(u.progressSlider->value());
    SetTimerInterval(u.seekSettleTimer, kSeekSettleMs);
}

void OnSeekSettled(MainWindow& window)
{
    const MainWindowUnits& u = window.Units();
    SetTimerInterval(u.seekSettleTimer, 0);
    SetTimerInterval(u.dragTimer, 0);
    SetTimerInterval(u.positionTimer, kPositionTickMs);
    window.State().dragging = false;
}

void OnDelayedPlay(MainWindow& window)
{
    SetTimerInterval(window.Units().delayedPlayTimer, 0);
    const Text address = window.State().pendingPlayAddress;
    PlayAddress(window, address);
}

void ShowAbout(MainWindow& window)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("关于"),
                                QStringLiteral("Lumora视频播放器\n浏览视频目录，播放本地与网络媒体。"),
                                QMessageBox::Ok, &window);
    box->setObjectName(QStringLiteral("关于窗口"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace lumora
