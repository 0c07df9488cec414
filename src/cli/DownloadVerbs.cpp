// The download verb: a web resource into a file, progress kept on one line.
#include "cli/Verbs.h"
#include "download/DownloadProgress.h"
#include "download/DownloadToFile.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace lumora::cli {

namespace {

// Rewrites the current terminal line with each text; blanks clear what a
// longer earlier text left behind.
class ProgressLine {
public:
    void Show(const Text& text) {
        std::string line = "\r" + text.ToUtf8();
        const std::size_t length = line.size();
        if (length < shown_) line.append(shown_ - length, ' ');
        shown_ = length;
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
    void End() {
        if (shown_ > 0) std::fputc('\n', stdout);
    }

private:
    std::size_t shown_ = 0;
};

}  // namespace

int Download(const Args& args) {
    if (args.size() != 2) return UsageError("usage: lumora-cli download URL FILE");
    // A file-size limit then shows as a failed write, reported like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    ProgressLine line;
    CoalescedText progress([&line](const Text& text) { line.Show(text); });
    const int result = DownloadToFile(args[0], args[1], [&progress](std::int64_t total, std::int64_t received,
                                                                   std::int64_t) {
        progress.Offer(DownloadProgressText(total, received));
    });
    progress.Flush();
    line.End();
    PrintLine(Text(result == 0 ? "下载成功" : "下载失败"));
    return ResultStatus(result == 0, "the download of " + args[0].ToUtf8() + " into " + args[1].ToUtf8() + " failed");
}

}  // namespace lumora::cli
