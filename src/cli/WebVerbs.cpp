// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs that reach the web, the stream probe among them.
#include "cli/Verbs.h"
#include "probe/ProbeWalk.h"
#include "web/PageRequest.h"
#include "web/WebText.h"

#include <string>

namespace lumora::cli {

namespace {

// Why a fetch gave no text: why the transfer failed, or the server's status
// line for an empty body.
std::string EmptyPageReason(const Text& url, const PageRequestArgs& request, const Result<ByteSet>& body) {
    if (!body) return "the request to " + url.ToUtf8() + " failed: " + body.Error().reason;
    std::string status = request.rawHeaders.ToUtf8();
    status = status.substr(0, status.find_first_of("\r\n"));
    if (status.empty() || status.front() == ' ') return url.ToUtf8() + " answered with an empty page";
    return url.ToUtf8() + " answered \"" + status + "\" with an empty page";
}

}  // namespace

// fetch URL: the page as text, printed with its lines (cli/TerminalText.h).
int Fetch(const Args& args) {
    if (args.size() != 1) return UsageError("usage: lumora-cli fetch URL");
    PageRequestArgs request;
    request.proxy = Text();
    const Result<ByteSet> body = RequestPage(args[0], request);
    const Text page = body ? Utf8BytesToText(body.Value()) : Text();
    if (!page.Empty()) PrintBody(page);
    return ResultStatus(!page.Empty(), page.Empty() ? EmptyPageReason(args[0], request, body) : "");
}

int Probe(const Args& args) {
    if (args.size() != 1) return UsageError("usage: lumora-cli probe URL");
    // The record always has its File part; an empty one means the probe
    // found no final address. A terminal program has no events to handle
    // meanwhile, so the walk runs here, without a worker.
    const Text record = WalkProbe(args[0]).Record();
    PrintRecord({record});
    return ResultStatus(!record.Contains("[File][/File]"), "the probe found no final address for " + args[0].ToUtf8());
}

}  // namespace lumora::cli
