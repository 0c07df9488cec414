// SPDX-License-Identifier: GPL-3.0-or-later
// The search over the whole catalogue from a terminal.
#include "base/Config.h"
#include "base/TerminalText.h"
#include "catalogue/AllListPages.h"
#include "catalogue/CatalogueSearch.h"
#include "cli/Verbs.h"

#include <cstdio>
#include <string>

namespace lumora::cli {

// search TEXT: every row of the 14 list pages whose title holds every word
// of TEXT, one "ID<TAB>TITLE<TAB>N" line each (N: its batch), in batch order.
int Search(const Args& args) {
    if (args.size() != 1) return UsageError("usage: lumora-cli search TEXT");
    const std::string query = args[0].ToUtf8();
    if (SearchWords(query).empty()) return Failure("nothing to search for: TEXT holds no word");

    CatalogueIndex index;
    std::string failed;  // the batches whose pages could not be read
    int read = 0;
    for (FetchedPage& page : FetchAllListPages()) {
        if (page.ok)
            ++read;
        else
            failed += (failed.empty() ? "" : ", ") + std::to_string(page.batchNumber);
        index.SetPage(page.batchNumber, std::move(page.rows));
    }
    if (read == 0)
        return Failure("the catalogue at " + Config::Get().catalogueHost.ToUtf8() + " answered no list page");

    std::string lines;
    const std::vector<int> found = index.Match(query);
    for (int row : found) {
        const SearchHit hit = index.Row(row);
        AppendEscapedField(lines, hit.id);
        lines += '\t';
        AppendEscapedField(lines, hit.title);
        lines += '\t';
        lines += std::to_string(hit.batchNumber);
        lines += '\n';
    }
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    if (!failed.empty() && !found.empty())
        std::fprintf(stderr, "lumora-cli: the list pages of batches %s could not be read\n", failed.c_str());
    if (found.empty())
        return Failure(failed.empty() ? std::string("no title holds every word of TEXT")
                                      : "no title holds every word of TEXT (the list pages of batches " + failed +
                                            " could not be read)");
    return 0;
}

}  // namespace lumora::cli
