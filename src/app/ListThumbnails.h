// SPDX-License-Identifier: GPL-3.0-or-later
// The images of the catalogue list and of the search results: each row
// shows, before its title, the image its list entry names (the address in
// the title cell's kRowImageRole). Only rows being painted, that is those in view, ask for
// their image; a few workers fetch and decode them (thumbnails/), newest
// request first, while a small set of decoded images stays in memory and
// the files in the disk cache. A row whose image is missing, refused or still
// on its way shows a plain placeholder of the same size.
#pragma once

#include <QSize>
#include <Qt>

#include <cstdint>
#include <filesystem>

class QAbstractItemView;
class QTreeWidget;

namespace lumora {

// The title cell's role holding the row's image address (QString, empty for none).
inline constexpr int kRowImageRole = Qt::UserRole + 1;
// The size a row's image is shown at.
inline constexpr QSize kRowImageSize{40, 30};

struct ListThumbnailOptions {
    std::filesystem::path cacheFolder;  // empty: ThumbnailCache::DefaultFolder()
    std::uintmax_t cacheCapBytes = 32u << 20;
    int workers = 4;           // image requests at once
    int imagesInMemory = 600;  // decoded images kept for rows scrolled back to
};

// Gives the list's title column its images; they live as long as the list.
void AttachListThumbnails(QTreeWidget& list, ListThumbnailOptions options = {});
// Gives column `column` of `view` the images of `list` (attached above):
// the same workers, disk cache and images in memory.
void ShareListThumbnails(const QTreeWidget& list, QAbstractItemView& view, int column);

// How far a row's image pushes its title to the right; 0 without images.
int RowImageIndent(const QTreeWidget& list);

}  // namespace lumora
