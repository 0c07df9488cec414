// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/CurlHandles.h"

namespace lumora {

bool CurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

}  // namespace lumora
