// SPDX-License-Identifier: GPL-3.0-or-later
// What one libcurl transfer receives: the body up to a cap and the header
// block of the latest response.
#pragma once

#include "base/Text.h"

#include <cstddef>
#include <curl/curl.h>
#include <functional>
#include <string>
#include <string_view>

namespace lumora {

struct CurlResponse {
    // Settings, before the transfer.
    std::size_t maxBody = 0;
    std::size_t maxHeaderBlock = std::string::npos;
    bool keepStatusLine = true;  // whether the status line opens the block
    // When set, body bytes go here as they arrive instead of into `body`.
    std::function<void(std::string_view)> bodySink;

    // Results.
    ByteSet body;
    std::size_t bodyBytes = 0;  // received so far, kept or sunk
    bool overCap = false;       // the body or the header block went past its cap
    // Lines of the latest response, CR LF after each, then the blank line's
    // CR LF. Interim (1xx) and redirect blocks are replaced by the next one;
    // trailers after the block are not part of it.
    std::string headerBlock;
    bool blockComplete = false;

    // Points the write and header callbacks of `easy` at this response.
    void Install(CURL* easy);

private:
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);

    CURL* easy_ = nullptr;
    bool inBlock_ = false;
};

}  // namespace lumora
