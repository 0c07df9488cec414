// SPDX-License-Identifier: GPL-3.0-or-later
// Owning handles of libcurl objects, and its one-time global set-up.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace lumora {

// curl_global_init once per process, thread-safely; false when it failed.
bool CurlReady();

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlUrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlHeaderList = std::unique_ptr<curl_slist, CurlListDeleter>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;

}  // namespace lumora
