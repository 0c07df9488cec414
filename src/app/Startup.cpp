// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"
#include "app/QuitSignals.h"
#include "app/ProgramIdentity.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QSlider>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/CommandLine.h"
#include "app/DesktopMedia.h"
#include "app/Handoff.h"
#include "app/LibraryCommands.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/QtTranslations.h"
#include "app/SingleInstance.h"
#include "app/SessionBus.h"
#include "app/StartupWarmth.h"
#include "app/StateReport.h"
#include "app/StatusBarUnit.h"
#include "app/UnitManners.h"
#include "app/VolumeMemory.h"
#include "app/WindowMemory.h"
#include "app/WindowLayout.h"
#include "base/NumberText.h"
#include "base/QtLogSink.h"
#include "catalogue/Catalogue.h"
#include "platform/MpvSession.h"
#include "resolve/MediaFront.h"
#include "threads/WorkerChannel.h"

namespace lumora {

namespace {

// Esc in full screen restores the normal window, from whichever window of
// the program has the focus. Key events reach the application's filter
// once per widget they propagate through; only their arrival at a window
// counts, so one key press acts once.
class EscapeKeyFilter : public QObject {
public:
    explicit EscapeKeyFilter(MainWindow& window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && qobject_cast<QWindow*>(watched) &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && window_.Units().fullScreenMode->isChecked())
            ToggleWindowFullScreen(window_);
        return false;
    }

private:
    MainWindow& window_;
};

// The player cores (libmpv and its hundred libraries, two cores, their GL
// surfaces) start on workers once the first list is in the window, or a
// second after the window shows, whichever comes first; anything played
// sooner starts its core at once. The window and the list do not wait.
void StartPlayerCoresSoon(MainWindow& window) {
    QObject::connect(&window, &QWidget::windowTitleChanged, &window, &MpvSession::StartDeferredCores,
                     Qt::SingleShotConnection);
    QTimer::singleShot(1000, &window, &MpvSession::StartDeferredCores);
}

// Without any display Qt would abort; say what is missing instead.
bool DisplayAvailable() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

Text ProgramDirectory() { return FromQString(QCoreApplication::applicationDirPath()); }

void InstallEscapeFilter(MainWindow& window) { qApp->installEventFilter(new EscapeKeyFilter(window)); }

namespace {

// How long a later copy waits for the first copy, which holds the marker, to
// bind the handoff port (they may start within a few milliseconds).
constexpr int kPortBindWaitMs = 2000;

}  // namespace

bool OnMainWindowCreated(MainWindow& window, const std::vector<Text>& arguments) {
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();

    state.argumentList = arguments;
    state.dragging = false;
    const bool ownArgument = !arguments.empty() && HandedOver(arguments.front());
    if (InstanceAlreadyRunning()) {
        if (!ownArgument) return false;
        // The address goes only to a copy of this user; otherwise it plays
        // here. A copy that has just taken the marker binds the port a moment
        // later: it is given that moment.
        QElapsedTimer waited;
        waited.start();
        while (HandoffPortOwner() != ::getuid() && waited.elapsed() < kPortBindWaitMs) QThread::msleep(20);
        if (HandoffPortOwner() == ::getuid()) {
            SendHandoff(window, arguments.front());
            return false;
        }
        std::fprintf(stderr,
                     "lumora: the handoff port %d is not held by this user's running copy; "
                     "playing the address in a window of its own\n",
                     static_cast<int>(HandoffPort()));
    } else {
        AnswerInstanceChecks();
        if (!BindHandoffPort(window))
            std::fprintf(stderr, "lumora: port %d is taken; running without the handoff port\n",
                         static_cast<int>(HandoffPort()));
    }

    // The first layout pass moves the engines to their real place.
    if (state.mediaObject)
        state.mediaObject->Attach(u.videoArea, geometry::kEnginesAtAttach.x(), geometry::kEnginesAtAttach.y(),
                                  geometry::kEnginesAtAttach.width(), geometry::kEnginesAtAttach.height(),
                                  VideoAreaRightClick(window));
    u.statusBar->SetSectionText(kVolumeSection, ToQString("音量：" + NumberText(u.volumeSlider->value()) + "%"));
    DisableUntilLoaded(window);
    // The title bar drawn active while another window has the focus is the
    // window manager's business here; nothing to set.
    InstallEscapeFilter(window);
    state.programDirectory = ProgramDirectory();

    // The fetch reads these two: set before it starts.
    const BatchPage first = StartUpBatch();
    state.batchNumber = first.batchNumber;
    state.listPageAddress = first.address;
    StartListFetch(window);

    // A copy plays its own argument itself, with or without the port, once
    // the window is up (as a handed address plays).
    if (ownArgument)
        QTimer::singleShot(0, &window, [&window, address = arguments.front()] { PlayHandedAddress(window, address); });
    return true;
}

void ProgramExit(std::unique_ptr<AppState>& state) { state.reset(); }

int ProgramStart(int& argc, char** argv) {
    InstallQtLogSink();
    const ProgramOptions options = ParseProgramOptions(argc, argv);
    if (!options.unknown.empty()) {
        std::fprintf(stderr, "lumora: unknown option %s (lumora --help lists the options)\n", options.unknown.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(ProgramHelp().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(ProgramVersionLine().c_str(), stdout);
        return 0;
    }
    const bool reportState = options.reportState;

    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "lumora: no display (DISPLAY and WAYLAND_DISPLAY are unset); "
                     "without one, run it as: xvfb-run -a lumora\n");
        return 1;
    }

    KeepFromLaunchingSessionBus();
    QObject startup;  // receives nothing: the font job posts no result
    WorkerChannel fonts(startup);
    WarmFontConfiguration(fonts);

    // Qt sees everything but our options and what follows "--".
    const std::size_t forQt = options.rest.size() - options.afterDoubleDash;
    argc = 1;
    for (std::size_t i = 0; i < forQt; ++i) argv[argc++] = const_cast<char*>(options.rest[i].c_str());
    argv[argc] = nullptr;
    QApplication application(argc, argv);
    // Qt sets the numeric locale from the environment; libmpv refuses to start
    // under anything but "C".
    std::setlocale(LC_NUMERIC, "C");
    WatchQuitSignals();
    SetProgramIdentity();
    LoadChineseQtTexts();

    // QApplication took its own options out of argv: the rest is ours, each
    // argument as the shell gave it.
    std::vector<std::string> given(argv + 1, argv + argc);
    given.insert(given.end(), options.rest.end() - static_cast<std::ptrdiff_t>(options.afterDoubleDash),
                 options.rest.end());
    std::vector<Text> arguments;
    for (std::size_t i = 0; i < given.size(); ++i)
        arguments.push_back(i == 0 ? AddressOfArgument(given[i]) : Text::FromUtf8(given[i]));

    fonts.Close(std::chrono::seconds(30));
    MpvSession::DeferCoreStarts();
    auto state = std::make_unique<AppState>();
    state->reportState = reportState;
    int code = 0;
    {
        MainWindow window(*state);
        if (reportState) StartStateReport(window);
        const VolumeSetting remembered = RestoreVolume(window);
        if (OnMainWindowCreated(window, arguments)) {
            StartVolumeMemory(window, remembered);
            const WindowPlace place = RestoreWindowPlace(window);
            StartLibrary(window);
            // Goes before the window: the inhibition is released at once.
            const std::unique_ptr<DesktopMedia> desktop = StartDesktopMedia(window);
            window.show();
            StartWindowMemory(window, place);
            StartPlayerCoresSoon(window);
            if (reportState) ReportStateLine("ready", state->programDirectory);
            code = application.exec();
        }
    }
    // The window stopped and joined its workers as it went.
    ProgramExit(state);
    // A worker that did not end in time must not meet the libraries'
    // clean-up at exit: end here instead.
    if (AbandonedWorkers() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

}  // namespace lumora
