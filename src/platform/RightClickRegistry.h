// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps right-button clicks away from the player controls.
//
// One process-wide list of records, appended and never changed: a widget,
// and the handler to call on a right-button press in it. The first record
// of a widget wins. Right-button presses and releases in every registered
// widget are swallowed; a press calls the record's handler (if any) with the
// widget-relative x and y (negative values stay negative).
#pragma once

#include <functional>
#include <vector>

class QObject;
class QWidget;

namespace lumora {

using RightClickHandler = std::function<void(int x, int y)>;

struct SubclassRecord {
    QWidget* window;
    RightClickHandler rightClickHandler;  // empty: none
};

// Registers `window` and every widget below it that is not registered yet,
// parents before children, each child in creation order, with `handler`.
// Widgets created later are not covered.
void SubclassTree(QWidget* window, const RightClickHandler& handler);

// The records so far, in the order they were appended.
const std::vector<SubclassRecord>& SubclassedWindows();

}  // namespace lumora
