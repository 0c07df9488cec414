// SPDX-License-Identifier: GPL-3.0-or-later
// A play list that a hostile page or service reply writes as one address:
// the items the player keeps for it never name a local file, and they are
// the user's items in their order, with the others left out.
#include "FuzzInput.h"
#include "resolve/PlaylistItems.h"

#include <cctype>
#include <string>

using namespace lumora;

namespace {

// "scheme://" with a scheme of letters only, and no file address.
bool NamesAStream(const std::string& item) {
    const std::size_t colon = item.find("://");
    if (colon == std::string::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i)
        if (!std::isalpha(static_cast<unsigned char>(item[i]))) return false;
    std::string scheme = item.substr(0, colon);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme != "file";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text address = Text::Gbk(std::string(fuzz::Bytes(data, size)));
    const std::vector<Text> chosen = PlaylistItems(address, AddressOrigin::User);
    const std::vector<Text> fromNetwork = PlaylistItems(address, AddressOrigin::Network);

    // The user's items are the pieces between the ";" characters (an empty
    // piece after a last ";" is no item).
    Text joined;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (chosen[i].Contains(Text(";"))) fuzz::Fail();
        joined += (i == 0 ? Text() : Text(";")) + chosen[i];
    }
    if (!chosen.empty() && joined != address && joined + ";" != address) fuzz::Fail();

    // The network's items: streams only, a subsequence of the user's.
    std::size_t next = 0;
    for (const Text& item : fromNetwork) {
        if (!NamesAStream(item.Bytes())) fuzz::Fail();
        while (next < chosen.size() && chosen[next] != item) ++next;
        if (next == chosen.size()) fuzz::Fail();
        ++next;
    }
    return 0;
}
