// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs that read the catalogue site.
#include "catalogue/Catalogue.h"
#include "base/TerminalText.h"
#include "cli/Verbs.h"

#include <malloc.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace lumora::cli {

namespace {

constexpr const char* kListUsage = "usage: lumora-cli list N [--address URL]  (N: batch 1 to 14)";

// A batch number written in plain digits, 1 to 14; 0 for anything else.
int BatchArgument(const Text& text) {
    const std::string& digits = text.Bytes();
    if (digits.empty() || digits.size() > 2) return 0;
    for (char c : digits)
        if (c < '0' || c > '9') return 0;
    const int number = std::stoi(digits);
    return number >= 1 && number <= kBatchCount ? number : 0;
}

// A list page of megabytes passes through many blocks of about 100 KB and
// then the rows and their output. Served from the heap and kept there, each
// one reuses the memory an earlier one freed instead of mapping and faulting
// in fresh pages. Right for a process that does one fetch and ends.
void KeepLargeBuffersOnTheHeap() {
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TOP_PAD, 8 * 1024 * 1024);
}

}  // namespace

// list N: the rows of batch N ("ID<TAB>TITLE"), then the status line. Batch 1
// is read at its start-up address, "/". With --address the page comes from
// URL instead of the batch table (for measuring a page of any size); the
// status line still names batch N.
int List(const Args& args) {
    if (args.size() != 1 && !(args.size() == 3 && args[1] == "--address")) return UsageError(kListUsage);
    const int batchNumber = BatchArgument(args[0]);
    if (batchNumber == 0) return UsageError(kListUsage);
    const Text address = args.size() == 3 ? args[2] : BatchAddress(batchNumber, true);

    KeepLargeBuffersOnTheHeap();
    std::string lines;
    const int count = ForEachListRowUtf8(address, [&lines](std::string_view id, std::string_view title) {
        AppendEscapedField(lines, id);
        lines += '\t';
        AppendEscapedField(lines, title);
        lines += '\n';
    });
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    PrintLine(ListTitleText(batchNumber, count));
    return ResultStatus(count > 0,
                        "no video listed at " + address.ToUtf8() + " (the request failed or the page lists none)");
}

// video ID: the playable address on the video's detail page.
int Video(const Args& args) {
    if (args.size() != 1) return UsageError("usage: lumora-cli video ID");
    const Text address = FetchVideoAddress(args[0]);
    if (!address.Empty()) PrintRecord({address});
    return ResultStatus(!address.Empty(), "no video address found for video " + args[0].ToUtf8() +
                                              " (the request failed or its page has none)");
}

}  // namespace lumora::cli
