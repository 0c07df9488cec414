// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnitManners.h"

#include <QApplication>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QSlider>
#include <QStyleFactory>
#include <QTreeWidget>

#include <algorithm>

#include "app/AppState.h"
#include "app/ListThumbnails.h"
#include "app/MainWindow.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

// The application's own style, except that the left button sets the slider
// to the clicked position, as the middle button does by default.
class JumpStyle : public QProxyStyle {
public:
    JumpStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_Slider_AbsoluteSetButtons) return Qt::LeftButton | Qt::MiddleButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Before the view shows a row's tooltip, the row's text becomes its tooltip
// when the column cuts it short, and none when it fits.
class CutTitleTips : public QObject {
public:
    explicit CutTitleTips(QTreeWidget& list) : QObject(&list), list_(list) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return false;
        const QPoint pos = static_cast<QHelpEvent*>(event)->pos();
        QTreeWidgetItem* item = list_.itemAt(pos);
        const int column = list_.columnAt(pos.x());
        if (!item || column < 0) return false;
        const QString text = item->text(column);
        const QRect cell = list_.visualRect(list_.indexAt(pos));
        // What of the cell the viewport shows, less the delegate's margins.
        const int margin = list_.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list_) + 1;
        int shown = std::min(cell.right(), list_.viewport()->width() - 1) - cell.left() + 1 - 2 * margin;
        if (column == kTitleColumn) shown -= RowImageIndent(list_);
        const bool cut = list_.fontMetrics().horizontalAdvance(text) > shown;
        if (item->toolTip(column) != (cut ? text : QString())) item->setToolTip(column, cut ? text : QString());
        return false;
    }

private:
    QTreeWidget& list_;
};

}  // namespace

void JumpWhereClicked(QSlider& slider) {
    auto* style = new JumpStyle;
    style->setParent(&slider);
    slider.setStyle(style);
}

void ShowCutTitles(QTreeWidget& list) { list.viewport()->installEventFilter(new CutTitleTips(list)); }

void ShowMuteState(MainWindow& window) {
    const MediaFront* front = window.State().mediaObject.get();
    window.Units().muteButton->setChecked(front && front->Muted());
}

void DisableUntilLoaded(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    for (QPushButton* button : {u.stopButton, u.muteButton, u.fullScreenButton}) button->setEnabled(false);
}

void InstallUnitManners(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    u.muteButton->setCheckable(true);
    // After the button's own handler (and the slider's, which unmutes).
    QObject::connect(u.muteButton, &QPushButton::clicked, &window, [&window] { ShowMuteState(window); });
    QObject::connect(u.volumeSlider, &QSlider::valueChanged, &window, [&window] { ShowMuteState(window); });
    // A mute from elsewhere (the media controls) shows as well.
    if (MediaFront* front = window.State().mediaObject.get())
        QObject::connect(front, &MediaFront::Changed, &window, [&window] { ShowMuteState(window); });
    JumpWhereClicked(*u.progressSlider);
    ShowCutTitles(*u.catalogueList);
}

}  // namespace lumora
