#include "app/Startup.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QSlider>
#include <QWindow>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/Handoff.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/SingleInstance.h"
#include "app/StateReport.h"
#include "app/StatusBarUnit.h"
#include "app/WindowLayout.h"
#include "base/NumberText.h"
#include "catalogue/Catalogue.h"
#include "resolve/MediaFront.h"
#include "threads/WorkerChannel.h"

namespace lumora {

namespace {

constexpr const char kReportStateOption[] = "--report-state";

// Esc in full screen restores the normal window, from whichever window of
// the program has the focus. Key events reach the application's filter
// once per widget they propagate through; only their arrival at a window
// counts, so one key press acts once.
class EscapeKeyFilter : public QObject {
public:
    explicit EscapeKeyFilter(MainWindow& window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && qobject_cast<QWindow*>(watched) &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && window_.Units().fullScreenMode->isChecked())
            ToggleWindowFullScreen(window_);
        return false;
    }

private:
    MainWindow& window_;
};

// Without any display Qt would abort; say what is missing instead.
bool DisplayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

Text ProgramDirectory()
{
    return FromQString(QCoreApplication::applicationDirPath());
}

void InstallEscapeFilter(MainWindow& window)
{
    qApp->installEventFilter(new EscapeKeyFilter(window));
}

bool OnMainWindowCreated(MainWindow& window, const Text& commandLine)
{
    AppState& state = window.State();
    const MainWindowUnits& u = window.Units();

    state.argumentList = SplitCommandLine(commandLine);
    state.dragging = false;
    if (InstanceAlreadyRunning()) {
        SendHandoff(window);
        return false;
    }
    if (!BindHandoffPort(window))
        std::fprintf(stderr, "lumora: port %d is taken; running without the handoff port\n", kHandoffPort);
    // The first copy hands its own argument to itself: it plays it.
    SendHandoff(window);

    // The first layout pass moves the engines to their real place.
    if (state.mediaObject)
        state.mediaObject->Attach(u.videoArea, 110, 0, 570, 400, VideoAreaRightClick(window));
    u.statusBar->SetSectionText(2, ToQString("音量：" + NumberText(u.volumeSlider->value()) + "%"));
    // The title bar drawn active while another window has the focus is the
    // window manager's business here; nothing to set.
    InstallEscapeFilter(window);
    state.programDirectory = ProgramDirectory();

    // The fetch reads these two: set before it starts.
    const BatchPage first = StartUpBatch();
    state.batchNumber = first.batchNumber;
    state.listPageAddress = first.address;
    StartListFetch(window);
    return true;
}

void ProgramExit(std::unique_ptr<AppState>& state)
{
    state.reset();
}

int ProgramStart(int& argc, char** argv)
{
    bool reportState = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kReportStateOption) == 0)
            reportState = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;

    if (!DisplayAvailable()) {
        std::fprintf(stderr, "lumora: no display (DISPLAY and WAYLAND_DISPLAY are unset); "
                             "without one, run it as: xvfb-run -a lumora\n");
        return 1;
    }

    QApplication application(argc, argv);
    // Qt sets the numeric locale from the environment; libmpv refuses to start
    // under anything but "C".
    std::setlocale(LC_NUMERIC, "C");

    // QApplication took its own options out of argv: the rest is ours.
    std::vector<Text> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Text::FromUtf8(argv[i]));

    auto state = std::make_unique<AppState>();
    state->reportState = reportState;
    int code = 0;
    {
        MainWindow window(*state);
        if (reportState)
            StartStateReport(window);
        if (OnMainWindowCreated(window, CommandLineOf(arguments))) {
            window.show();
            if (reportState)
                ReportStateLine("ready", state->programDirectory);
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
