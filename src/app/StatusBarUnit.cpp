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
    if (section > 0) PlaceSections();
    emit SectionTextChanged(section, text);
}

void StatusBarUnit::SetSectionSamples(int section, const QStringList& samples) {
    if (section <= 0 || section >= kSectionCount) return;
    samples_[static_cast<std::size_t>(section)] = samples;
    PlaceSections();
}

StatusBarUnit::Widths StatusBarUnit::ShownSectionWidths() const {
    Widths shown = widths_;
    int given = 0;
    for (std::size_t i = 1; i < shown.size(); ++i) {
        const QLabel* label = sections_[i];
        // The text, its margins and the sunken panel's frame on both sides.
        const int chrome = 2 * label->frameWidth() + 2 * label->margin() + label->contentsMargins().left() +
                           label->contentsMargins().right() + 6;
        int needed = 0;
        QStringList texts = samples_[i];
        if (!texts.isEmpty() || !label->text().isEmpty()) texts << label->text();
        for (const QString& text : texts)
            needed = std::max(needed, label->fontMetrics().horizontalAdvance(text) + chrome);
        if (needed > shown[i]) {
            given += needed - shown[i];
            shown[i] = needed;
        }
    }
    shown[0] = std::max(0, shown[0] - given);
    return shown;
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
    const Widths shown = ShownSectionWidths();
    int left = 0;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        sections_[i]->setGeometry(left, 0, shown[i], height());
        left += shown[i];
    }
}

}  // namespace lumora
