#include "app/StateReport.h"

#include <cstdio>
#include <string>

#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"

namespace lumora {

namespace {

void ReportQt(const char* kind, const QString& text)
{
    // One line per change: a line break inside a text would split it.
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QByteArray utf8 = flat.toUtf8();
    std::printf("%s: %s\n", kind, utf8.constData());
    std::fflush(stdout);
}

}  // namespace

void ReportStateLine(const char* kind, const Text& text)
{
    ReportQt(kind, ToQString(text));
}

void StartStateReport(MainWindow& window)
{
    StatusBarUnit* bar = window.Units().statusBar;
    ReportQt("title", window.windowTitle());
    for (int i = 0; i < StatusBarUnit::kSectionCount; ++i)
        ReportQt(("status" + std::to_string(i)).c_str(), bar->SectionText(i));
    QObject::connect(&window, &QWidget::windowTitleChanged, &window,
                     [](const QString& title) { ReportQt("title", title); });
    QObject::connect(bar, &StatusBarUnit::SectionTextChanged, &window, [](int section, const QString& text) {
        ReportQt(("status" + std::to_string(section)).c_str(), text);
    });
}

}  // namespace lumora
