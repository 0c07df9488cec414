// What one libcurl transfer receives: the body up to a cap, the header block
// of the latest response, and a watch that ends a transfer moving no byte.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <cstddef>
#include <curl/curl.h>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

namespace lumora {

struct CurlResponse {
    using Clock = std::chrono::steady_clock;

    // Settings, before the transfer.
    std::size_t maxBody = 0;
    std::size_t maxHeaderBlock = std::string::npos;
    bool keepStatusLine = true;  // whether the status line opens the block
    Clock::duration sendStall{};  // no byte moved while the request body goes out
    Clock::duration receiveStall{};
    // Once requested, the transfer ends (within about a second) as failed.
    std::stop_token stop;
    // When set, body bytes go here as they arrive instead of into `body`.
    std::function<void(std::string_view)> bodySink;

    // Results.
    ByteSet body;
    std::size_t bodyBytes = 0;  // received so far, kept or sunk
    bool overCap = false;  // the body or the header block went past its cap
    // Lines of the latest response, CR LF after each, then the blank line's
    // CR LF. Interim (1xx) and redirect blocks are replaced by the next one;
    // trailers after the block are not part of it.
    std::string headerBlock;
    bool blockComplete = false;

    // Points the write, header, connect and progress callbacks of `easy` at
    // this response.
    void Install(CURL* easy);

private:
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);
    static int OnConnected(void* user, char*, char*, int, int);
    static int OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal, curl_off_t uploaded);

    CURL* easy_ = nullptr;
    bool inBlock_ = false;
    bool connected_ = false;
    Clock::time_point lastProgress_{};
    curl_off_t lastCount_ = -1;
};

}  // namespace lumora
