// SPDX-License-Identifier: GPL-3.0-or-later
// Drops on the main window: local files play (several as a play list, as
// the file dialog gives them), a dragged address plays as a typed one, and
// subtitle files join the medium that is loaded.
#pragma once

class QMimeData;

namespace lumora {

class MainWindow;

// Makes the whole window a drop target.
void InstallDropTarget(MainWindow& window);

// Whether `data` holds something a drop would act on.
bool AcceptsDrop(const QMimeData& data);
// Acts on a drop of `data`: media files (regular files that are not
// subtitles) play, joined by ";" when there are several; else subtitle files
// (.srt, .ass, .vtt) are added to the loaded medium; else the first address
// of a URL list or of the text plays as a typed address. False when nothing
// came of it.
bool DropOnWindow(MainWindow& window, const QMimeData& data);

}  // namespace lumora
