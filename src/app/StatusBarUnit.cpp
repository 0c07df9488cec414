// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusBarUnit.h"

#include <QLabel>

#include <algorithm>

namespace lumora {

StatusBarUnit::StatusBarUnit(QWidget* parent) : QFrame(parent) {
    for (int i = 0; i < kSectionCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("section%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // Long texts are cut at the section's edge instead of widening it.
        label->setMinimumWidth(0);
        label->setTextFormat(Qt::PlainText);
        sections_[static_cast<std::size_t>(i)] = label;
    }
}

void StatusBarUnit::SetSectionWidths(const Widths& widths) {
    for (std::size_t i = 0; i < widths_.size(); ++i) widths_[i] = std::max(0, widths[i]);
    PlaceSections();
}

void StatusBarUnit::SetSectionText(int section, const QString& text) {
    QLabel* label = Section(section);
    if (!label || label->text() == text) return;
    label->setText(text);
    emit SectionTextChanged(section, text);
}

QString StatusBarUnit::SectionText(int section) const {
    const QLabel* label = Section(section);
    return label ? label->text() : QString();
}

QLabel* StatusBarUnit::Section(int section) const {
    if (section < 0 || section >= kSectionCount) return nullptr;
    return sections_[static_cast<std::size_t>(section)];
}

void StatusBarUnit::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    PlaceSections();
}

void StatusBarUnit::PlaceSections() {
    int left = 0;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        sections_[i]->setGeometry(left, 0, widths_[i], height());
        left += widths_[i];
    }
}

}  // namespace lumora
