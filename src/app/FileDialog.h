// SPDX-License-Identifier: GPL-3.0-or-later
// The open/save file dialog object: Setup stores the settings, Show runs the
// dialog, ChosenFiles returns the choice as one text (one full path, or
// several joined by ";").
//
// The settings travel in a record shaped like the classic common-dialog one:
// the filter as descriptions and patterns separated by zero bytes and closed
// by two, a 1-based filter index, and a zero-filled file buffer that the
// dialog fills either with one full path or, for a multiple selection, with
// "directory, zero, name, zero, name, ..., zero, zero". The dialog shown is a
// non-native QFileDialog built from that record and read back into it.
#pragma once

#include "base/Text.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QFileDialog;
class QWidget;

namespace lumora {

// Flag values of the record.
enum FileDialogFlag : int {
    kOverwritePrompt = 0x2,
    kHideReadOnly = 0x4,
    kAllowMultiSelect = 0x200,
    kPathMustExist = 0x800,
    kFileMustExist = 0x1000,
    kCreatePrompt = 0x2000,
    kExplorer = 0x80000,
    kEnableSizing = 0x800000,
};

// File buffer sizes, the terminating zero included.
inline constexpr int kSingleFileBufferSize = 256 + 1;
inline constexpr int kMultiFileBufferSize = 2048 + 1;

// What is handed to the dialog and read back from it.
struct FileDialogRecord {
    QPointer<QWidget> owner;  // the active window when Setup ran
    ByteSet filter;           // "description\0pattern\0...\0\0"
    int filterIndex = 0;      // 1-based
    ByteSet file;             // the file buffer; its size is the record's file size
    Text title;
    Text initialDirectory;
    Text defaultExtension;  // without the dot
    int flags = 0;
};

// Stands in for the person at the dialog (tests): receives the dialog built
// from the record, not shown, and answers with the chosen full paths, or
// nothing for a cancel. It may select another name filter as a person would.
using FileDialogAnswer = std::function<std::optional<QStringList>(QFileDialog& dialog)>;

class FileDialog {
public:
    // kind: 0 open dialog, 1 save dialog; any other kind shows nothing.
    // Title, directory, default file name and filter index left out read as
    // empty text or 0; a filter left out means the built-in one; a flag left
    // out keeps its field.
    void Setup(int kind, const std::optional<Text>& title = {}, const std::optional<Text>& filter = {},
               std::optional<int> filterIndex = {}, const std::optional<Text>& initialDirectory = {},
               const std::optional<Text>& defaultFileName = {}, std::optional<bool> createPrompt = {},
               std::optional<bool> fileMustExist = {}, std::optional<bool> overwritePrompt = {},
               std::optional<bool> pathMustExist = {}, std::optional<bool> allowMultiSelect = {});

    // Runs the dialog (modal); true when the user confirmed a choice. The
    // file buffer grows to hold a choice longer than its size.
    bool Show();

    Text ChosenFiles() const { return chosenFiles; }
    // The full paths chosen, in the order chosen, each whole.
    const std::vector<Text>& ChosenList() const { return chosenList_; }

    // Replaces the person at the dialog; an empty function restores exec().
    void SetAnswer(FileDialogAnswer answer) { answer_ = std::move(answer); }

    FileDialogRecord dialogRecord;
    int kind = 0;
    Text defaultFileName;
    int createPrompt = kCreatePrompt;
    int fileMustExist = kFileMustExist;
    int overwritePrompt = kOverwritePrompt;
    int pathMustExist = kPathMustExist;
    int allowMultiSelect = 0;
    Text chosenFiles;

private:
    // Shows the Qt dialog built from the record and writes the answer back
    // into it; false for a cancel or a choice that does not fit.
    bool RunDialog();

    FileDialogAnswer answer_;
    std::vector<Text> chosenList_;
};

// The dialog kept in the application state. Its Setup passes every argument
// on as given, so one left out arrives as 0, false or empty text.
class FileDialogHolder {
public:
    void Setup(int kind, const Text& title = {}, const Text& filter = {}, int filterIndex = 0,
               const Text& initialDirectory = {}, const Text& defaultFileName = {}, bool createPrompt = false,
               bool fileMustExist = false, bool overwritePrompt = false, bool pathMustExist = false,
               bool allowMultiSelect = false);
    bool Show() { return fileDialog.Show(); }
    Text ChosenFiles() const { return fileDialog.ChosenFiles(); }
    const std::vector<Text>& ChosenList() const { return fileDialog.ChosenList(); }
    void SetAnswer(FileDialogAnswer answer) { fileDialog.SetAnswer(std::move(answer)); }

    FileDialog fileDialog;
};

}  // namespace lumora
