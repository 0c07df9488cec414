// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RightClickRegistry.h"

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>

#include <cmath>
#include <unordered_map>

namespace lumora {
namespace {

// Swallows right-button presses, releases and context-menu requests in the
// widgets it is installed on; a press (a double-click is a press too) calls
// the handler of the widget's record.
class HostWindowProc : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

struct Registry {
    std::vector<SubclassRecord> records;
    // Live registered widgets and the index of their first record. A widget
    // leaves this map when it is destroyed, so a later widget at the same
    // address is a new widget and never finds an old record.
    std::unordered_map<const QObject*, std::size_t> live;
    HostWindowProc filter;
};

// Lives as long as the process: never destroyed, so widgets that outlive
// static destruction still find it.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

const SubclassRecord* LiveRecord(const QObject* widget) {
    Registry& registry = TheRegistry();
    const auto found = registry.live.find(widget);
    return found == registry.live.end() ? nullptr : &registry.records[found->second];
}

void Register(QWidget* widget, const RightClickHandler& handler) {
    Registry& registry = TheRegistry();
    if (registry.live.contains(widget)) return;
    const std::size_t index = registry.records.size();
    registry.records.push_back({widget, handler});
    registry.live.emplace(widget, index);
    QObject::connect(widget, &QObject::destroyed, [widget, index] {
        Registry& registry = TheRegistry();
        registry.live.erase(widget);
        // The record stays, but no longer names a widget that is gone.
        registry.records[index].window = nullptr;
    });
    widget->installEventFilter(&registry.filter);
}

// Parents before children, children in creation order, depth first. Child
// windows (dialogs, menus) are separate windows and are left out.
void RegisterTree(QWidget* widget, const RightClickHandler& handler) {
    Register(widget, handler);
    const QObjectList children = widget->children();
    for (QObject* child : children) {
        if (!child->isWidgetType()) continue;
        auto* childWidget = static_cast<QWidget*>(child);
        if (childWidget->isWindow()) continue;
        RegisterTree(childWidget, handler);
    }
}

bool IsRightButtonEvent(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton;
        default:
            return false;
    }
}

bool HostWindowProc::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        event->accept();  // accepted and filtered: not passed on to the parents either
        return true;
    }
    if (!IsRightButtonEvent(event)) return QObject::eventFilter(watched, event);

    event->accept();
    if (event->type() != QEvent::MouseButtonRelease) {
        const SubclassRecord* record = LiveRecord(watched);
        if (record && record->rightClickHandler) {
            const QPointF position = static_cast<const QMouseEvent*>(event)->position();
            // A copy: the handler may register more widgets and so move the records.
            const RightClickHandler handler = record->rightClickHandler;
            handler(static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y())));
        }
    }
    return true;
}

}  // namespace

void SubclassTree(QWidget* window, const RightClickHandler& handler) {
    if (!window) return;
    RegisterTree(window, handler);
}

const std::vector<SubclassRecord>& SubclassedWindows() { return TheRegistry().records; }

}  // namespace lumora
