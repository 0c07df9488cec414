#include "app/Startup.h"

#include <QApplication>

#include <clocale>

#include "app/MainWindow.h"

namespace lumora {

int ProgramStart(int& argc, char** argv)
{
    QApplication application(argc, argv);
    // Qt sets the numeric locale from the environment; libmpv refuses to start
    // under anything but "C".
    std::setlocale(LC_NUMERIC, "C");

    MainWindow window;
    window.show();
    return application.exec();
}

}  // namespace lumora
