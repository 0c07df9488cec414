// SPDX-License-Identifier: GPL-3.0-or-later
// Which addresses other programs (the desktop's media controls) may have
// played: web addresses and the private forms that lead to network streams,
// never a local file.
#include "resolve/OutsideAddress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora {
namespace {

TEST(OutsideAddress, OnlyWebAddressesAndPrivateFormsOfNetworkStreams) {
    const std::vector<std::pair<Text, bool>> cases = {
        {Text("http://127.0.0.1:8600/media/demo-b.mp4"), true},
        {Text("HTTPS://m.test/a.mp4"), true},
        {Text("http://m.test/a.mp4|标题"), true},
        // a play list keeps only its network items once it plays (origin network)
        {Text("http://m.test/a.mp4;/home/u/b.mp4;http://m.test/c.mp4"), true},
        {Text("12345"), true},                                     // the relay
        {Text("yyt://12345"), true},
        {Text("yyt://歌名"), true},
        {Text("mp3://歌手 - 歌名"), true},                         // the song services
        {Text("qqmv://歌名"), true},
        {Text("quil://aHR0cDovL20udGVzdC9hLmZsdg=="), true},      // http://m.test/a.flv
        {Text("quil://cnRtcDovL20udGVzdC9saXZl"), true},           // rtmp://m.test/live
        {Text("quil://L2V0Yy9wYXNzd2Q="), false},                  // /etc/passwd
        {Text("quil://ZmlsZTovLy9ldGMvcGFzc3dk"), false},          // file:///etc/passwd
        {Text("quil:///etc/passwd"), false},
        {Text("file:///home/u/a.mp4"), false},
        {Text("FILE:///home/u/a.mp4"), false},
        {Text("/home/u/a.mp4"), false},
        {Text("a.mp4"), false},
        {Text("~/a.mp4"), false},
        {Text("rtmp://m.test/live"), false},
        {Text("mms://m.test/a.wmv"), false},
        {Text("av://lavfi:sine"), false},
        {Text("lavfi://sine"), false},
        {Text("edl:///etc/passwd"), false},
        {Text("javascript:alert(1)"), false},
        {Text("/etc/passwd|http://m.test/a.mp4"), false},
        {Text("http://m.test/a.mp4\n/etc/passwd"), false},
        {Text(""), false},
        {Text::FromUtf8("http://m.test/" + std::string(5000, 'a')), false},
    };
    for (const auto& [address, expected] : cases) EXPECT_EQ(MayPlayFromOutside(address), expected) << address.Bytes();
}

}  // namespace
}  // namespace lumora
