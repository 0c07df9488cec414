// SPDX-License-Identifier: GPL-3.0-or-later
// The four-section status bar of the main window (playback state, buffering,
// volume, time). It sits at an absolute rectangle like every other unit; the
// sections are labels placed side by side from the left with the widths the
// window layout gives them.
#pragma once

#include <QFrame>
#include <QString>
#include <QStringList>

#include <array>

class QLabel;

namespace lumora {

class StatusBarUnit : public QFrame {
    Q_OBJECT
public:
    static constexpr int kSectionCount = 4;
    using Widths = std::array<int, kSectionCount>;

    explicit StatusBarUnit(QWidget* parent = nullptr);

    // Negative widths count as 0 (a window narrower than the fixed sections).
    void SetSectionWidths(const Widths& widths);
    Widths SectionWidths() const { return widths_; }

    // Texts a section (1 to 3) must show whole: such a section is drawn at
    // least as wide as the widest of them (and as its current text), the
    // first section giving up the difference.
    void SetSectionSamples(int section, const QStringList& samples);
    // The widths the sections are drawn with.
    Widths ShownSectionWidths() const;

    // A section outside 0..3 is ignored on write and reads as empty.
    void SetSectionText(int section, const QString& text);
    QString SectionText(int section) const;
    QLabel* Section(int section) const;

signals:
    // A section's text changed (writing the text it already shows is no change).
    void SectionTextChanged(int section, const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceSections();

    std::array<QLabel*, kSectionCount> sections_{};
    std::array<QStringList, kSectionCount> samples_{};
    Widths widths_{};
};

}  // namespace lumora
