// SPDX-License-Identifier: GPL-3.0-or-later
// The download name made from a hostile title, or from the title a typed
// address gives, always lies directly in the download directory and fits the
// file system's name limit with its ".resume" companion or any extension.
#include "FuzzInput.h"
#include "download/DownloadTarget.h"

using namespace lumora;

namespace {

void CheckName(const Text& title) {
    const std::string directory = "/downloads";
    const std::string path = DownloadStem(Text(directory.c_str()), title).ToUtf8();
    if (path.compare(0, directory.size() + 1, directory + "/") != 0) fuzz::Fail();
    const std::string name = path.substr(directory.size() + 1);
    if (name.find('/') != std::string::npos || name.size() + 7 > 255) fuzz::Fail();
    if (name.find_first_not_of('.') == std::string::npos) fuzz::Fail();
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F) fuzz::Fail();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text input = Text::Gbk(std::string(fuzz::Bytes(data, size)));
    CheckName(input);
    CheckName(TypedAddressTitle(input));
    return 0;
}
