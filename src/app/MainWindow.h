// The player's main window: the catalogue list on the left, the video area on
// the right, the transport buttons, the progress slider and the status bar
// below. It owns its units (MainWindowUnits); behaviour lives elsewhere.
#pragma once

#include <QWidget>

#include "app/MainWindowUnits.h"

namespace lumora {

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    const MainWindowUnits& Units() const { return units_; }

private:
    MainWindowUnits units_;
};

}  // namespace lumora
