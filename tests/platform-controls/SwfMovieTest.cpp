// SPDX-License-Identifier: GPL-3.0-or-later
// What the movie control accepts as its player movie.
#include "ControlsTestSupport.h"

#include "platform/SwfMovie.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using controls_test::BuildMovie;
using controls_test::MovieParts;

MovieParts With(std::function<void(MovieParts&)> change) {
    MovieParts parts;
    change(parts);
    return parts;
}

TEST(SwfMovieTest, AcceptsOnlyWellFormedMoviesThatDeclareTheProtocol) {
    const std::string bigMetadata = std::string(300, ' ') + kPlayerMovieMarker;
    const std::string valid = BuildMovie();
    struct Case {
        const char* what;
        std::string file;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"compressed movie", valid, true},
        {"uncompressed movie", BuildMovie(With([](MovieParts& p) { p.signature = "FWS"; })), true},
        {"later version", BuildMovie(With([](MovieParts& p) { p.version = 10; })), true},
        {"metadata in a long tag", BuildMovie(With([&](MovieParts& p) { p.metadata = bigMetadata; })), true},
        {"version 7", BuildMovie(With([](MovieParts& p) { p.version = 7; })), false},
        {"LZMA signature", BuildMovie(With([](MovieParts& p) { p.signature = "ZWS"; })), false},
        {"not a movie", "GIF89a\x01\x00\x01\x00", false},
        {"no metadata", BuildMovie(With([](MovieParts& p) { p.withMetadata = false; })), false},
        {"metadata without the marker",
         BuildMovie(With([](MovieParts& p) { p.metadata = "<rdf:Description>another movie</rdf:Description>"; })),
         false},
        {"no End tag", BuildMovie(With([](MovieParts& p) { p.withEnd = false; })), false},
        {"length too small", BuildMovie(With([](MovieParts& p) { p.lengthDelta = -1; })), false},
        {"length too large", BuildMovie(With([](MovieParts& p) { p.lengthDelta = 1; })), false},
        {"uncompressed, length too large", BuildMovie(With([](MovieParts& p) {
             p.signature = "FWS";
             p.lengthDelta = 5;
         })),
         false},
        {"tag running past the end",
         BuildMovie(With([](MovieParts& p) { p.extraTags = std::string("\x3f\x03\xff\xff\x00\x00", 6); })), false},
        {"compressed body cut short", valid.substr(0, valid.size() - 6), false},
        {"declared length beyond any movie", std::string("CWS\x08\xff\xff\xff\x7f", 8) + valid.substr(8), false},
        {"header only", valid.substr(0, 8), false},
        {"empty", "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPlayerMovie(c.file), c.expected) << c.what;
}

}  // namespace
}  // namespace lumora
