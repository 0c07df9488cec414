// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileDialog.h"

#include <algorithm>

#include "app/QtText.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <climits>
#include <string>

namespace lumora {

namespace {

const Text& ZeroByte() {
    static const Text zero = Text::Gbk(std::string(1, '\0'));
    return zero;
}

// The filter shown when none is given: a description without a pattern.
const char* const kBuiltInFilter = "所有文件(*.*)";

// "a|b|c" as "a\0b\0c\0\0", stepping over double-byte characters whole.
ByteSet ZeroSeparated(const Text& text, const Text& separator) {
    ByteSet bytes = text.ReplacedAll(separator, ZeroByte()).Bytes();
    bytes.append(2, '\0');
    return bytes;
}

// The pieces of "a\0b\0\0" up to the first pair of zero bytes.
std::vector<ByteSet> ZeroSeparatedItems(const ByteSet& bytes) {
    std::vector<ByteSet> items;
    std::size_t start = 0;
    while (start < bytes.size() && bytes[start] != '\0') {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        items.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// Qt's form of the record's filter: "description (pattern pattern)" for
// each pair; a description without a pattern is shown as it is.
QStringList NameFilters(const ByteSet& filter) {
    const std::vector<ByteSet> items = ZeroSeparatedItems(filter);
    QStringList filters;
    for (std::size_t i = 0; i < items.size(); i += 2) {
        QString entry = ToQString(Text::Gbk(items[i]));
        if (i + 1 < items.size()) {
            const QString patterns = ToQString(Text::Gbk(items[i + 1])).replace(u';', u' ');
            entry += QStringLiteral(" (") + patterns + u')';
        }
        filters.push_back(entry);
    }
    return filters;
}

// The text after the last "." of a filter pattern; empty without one.
Text ExtensionOfPattern(const Text& pattern) {
    const std::size_t dot = pattern.Bytes().rfind('.');
    return dot == std::string::npos ? Text() : Text::Gbk(pattern.Bytes().substr(dot + 1));
}

}  // namespace

void FileDialog::Setup(int kind, const std::optional<Text>& title, const std::optional<Text>& filter,
                       std::optional<int> filterIndex, const std::optional<Text>& initialDirectory,
                       const std::optional<Text>& defaultFileName, std::optional<bool> createPrompt,
                       std::optional<bool> fileMustExist, std::optional<bool> overwritePrompt,
                       std::optional<bool> pathMustExist, std::optional<bool> allowMultiSelect) {
    chosenFiles = Text();
    this->defaultFileName = defaultFileName.value_or(Text());
    this->kind = kind;

    dialogRecord.owner = QApplication::activeWindow();
    dialogRecord.filter = ZeroSeparated(filter ? *filter : Text(kBuiltInFilter), Text("|"));

    // The argument counts filters from 0, the record from 1.
    const int index = filterIndex.value_or(0);
    dialogRecord.filterIndex = index < 1 ? 1 : index == INT_MAX ? INT_MAX : index + 1;

    dialogRecord.title = title.value_or(Text());
    dialogRecord.initialDirectory = initialDirectory.value_or(Text());

    // The filter alternates description and pattern; the selected filter's
    // pattern gives the default extension ("*.mpg;*.mpeg" gives "mpeg").
    dialogRecord.defaultExtension = Text();
    if (filter) {
        const std::vector<Text> items = filter->Split(Text("|"));
        const std::size_t pattern = 2 * static_cast<std::size_t>(dialogRecord.filterIndex - 1) + 1;
        if (pattern < items.size()) dialogRecord.defaultExtension = ExtensionOfPattern(items[pattern]);
    }

    const auto setFlag = [](int& field, const std::optional<bool>& given, int value) {
        if (given) field = *given ? value : 0;
    };
    setFlag(this->createPrompt, createPrompt, kCreatePrompt);
    setFlag(this->fileMustExist, fileMustExist, kFileMustExist);
    setFlag(this->overwritePrompt, overwritePrompt, kOverwritePrompt);
    setFlag(this->pathMustExist, pathMustExist, kPathMustExist);
    setFlag(this->allowMultiSelect, allowMultiSelect, kAllowMultiSelect);
}

bool FileDialog::Show() {
    chosenFiles = defaultFileName;
    chosenList_.clear();
    // The default file name, ";" separating several, starts the zero-filled
    // file buffer; a name longer than the buffer is cut to keep its last zero.
    const std::size_t size = allowMultiSelect ? kMultiFileBufferSize : kSingleFileBufferSize;
    ByteSet buffer = chosenFiles.ReplacedAll(Text(";"), ZeroByte()).Bytes();
    if (buffer.size() > size - 1) buffer.resize(size - 1);
    buffer.resize(size, '\0');
    dialogRecord.file = std::move(buffer);

    switch (kind) {
        case 0:
            dialogRecord.flags = kHideReadOnly | kExplorer | kEnableSizing | createPrompt | fileMustExist |
                                 overwritePrompt | pathMustExist | allowMultiSelect;
            break;
        case 1:
            dialogRecord.flags = kExplorer | kEnableSizing | overwritePrompt | pathMustExist | allowMultiSelect;
            break;
        default:
            return false;
    }

    if (!RunDialog()) return false;

    // One full path, or "directory\0name\0name" up to the first pair of zeros.
    const ByteSet& file = dialogRecord.file;
    std::size_t end = file.find(std::string(2, '\0'));
    if (end == std::string::npos) end = file.find_last_not_of('\0') + 1;  // a buffer filled to its last zero
    const ByteSet choice = file.substr(0, end);
    const std::size_t firstZero = choice.find('\0');

    if (firstZero != std::string::npos && allowMultiSelect == kAllowMultiSelect) {
        // Split at the zero bytes themselves: "|" may be part of a name here.
        const std::vector<ByteSet> items = ZeroSeparatedItems(choice + std::string(2, '\0'));
        ByteSet directory = items.front();
        if (directory.empty() || directory.back() != '/') directory += '/';
        ByteSet joined;
        for (std::size_t i = 1; i < items.size(); ++i) {
            if (i > 1) joined += ';';
            joined += directory + items[i];
        }
        chosenFiles = Text::Gbk(joined);
    } else {
        chosenFiles = Text::Gbk(choice.substr(0, firstZero));
    }
    return true;
}

bool FileDialog::RunDialog() {
    // Deleting the owner while the dialog runs deletes the dialog as well.
    QPointer<QFileDialog> dialog = new QFileDialog(dialogRecord.owner.data());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(ToQString(dialogRecord.title));
    if (!dialogRecord.initialDirectory.Empty()) dialog->setDirectory(ToQString(dialogRecord.initialDirectory));

    const QStringList filters = NameFilters(dialogRecord.filter);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        if (dialogRecord.filterIndex >= 1 && dialogRecord.filterIndex <= filters.size())
            dialog->selectNameFilter(filters[dialogRecord.filterIndex - 1]);
    }
    // A wildcard is no suffix to give a typed name ("*.*" yields "*").
    const QString suffix = ToQString(dialogRecord.defaultExtension);
    if (!suffix.contains(u'*') && !suffix.contains(u'?')) dialog->setDefaultSuffix(suffix);

    const int flags = dialogRecord.flags;
    if (kind == 1) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, (flags & kOverwritePrompt) == 0);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode((flags & kAllowMultiSelect) ? QFileDialog::ExistingFiles
                            : (flags & kFileMustExist)  ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    }
    const std::vector<ByteSet> initialNames = ZeroSeparatedItems(dialogRecord.file);
    if (!initialNames.empty()) dialog->selectFile(ToQString(Text::Gbk(initialNames.front())));

    std::optional<QStringList> chosen;
    if (answer_) {
        chosen = answer_(*dialog);
    } else if (dialog->exec() == QDialog::Accepted && dialog) {
        chosen = dialog->selectedFiles();
    }
    if (dialog) {
        const qsizetype selected = filters.indexOf(dialog->selectedNameFilter());
        if (selected >= 0) dialogRecord.filterIndex = static_cast<int>(selected) + 1;
        delete dialog.data();
    }
    if (!chosen || chosen->isEmpty()) return false;
    for (const QString& path : *chosen) chosenList_.push_back(FromQString(path));
    if ((flags & kAllowMultiSelect) == 0) chosenList_.resize(1);

    // Write the answer as the dialog does: one full path, or (several files)
    // the directory followed by each name, zero-separated and closed by two.
    ByteSet answer;
    if (chosen->size() == 1 || (flags & kAllowMultiSelect) == 0) {
        answer = FromQString(chosen->front()).Bytes();
    } else {
        const QDir directory = QFileInfo(chosen->front()).absoluteDir();
        answer = FromQString(directory.absolutePath()).Bytes();
        for (const QString& path : *chosen) {
            answer += '\0';
            answer += FromQString(directory.relativeFilePath(path)).Bytes();
        }
    }
    const std::size_t closing = chosen->size() == 1 || (flags & kAllowMultiSelect) == 0 ? 1 : 2;
    ByteSet& file = dialogRecord.file;
    // A long choice (a hundred files) gets the room it needs: a choice is
    // never lost for the buffer's size.
    answer.resize(std::max(file.size(), answer.size() + closing), '\0');
    file = std::move(answer);
    return true;
}

void FileDialogHolder::Setup(int kind, const Text& title, const Text& filter, int filterIndex,
                             const Text& initialDirectory, const Text& defaultFileName, bool createPrompt,
                             bool fileMustExist, bool overwritePrompt, bool pathMustExist, bool allowMultiSelect) {
    fileDialog.Setup(kind, title, filter, filterIndex, initialDirectory, defaultFileName, createPrompt, fileMustExist,
                     overwritePrompt, pathMustExist, allowMultiSelect);
}

}  // namespace lumora
