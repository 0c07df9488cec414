// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/CarriedMovie.h"

#include "platform/SwfMovie.h"

#include <QByteArray>
#include <QtEndian>

#include <gtest/gtest.h>

namespace lumora {
namespace {

// The movie as the movie control sees it, and as a Flash reader would: a
// compressed SWF 8 whose header length is the uncompressed length and whose
// tags run, FileAttributes first, to an End tag at the very end.
TEST(CarriedMovie, IsAWellFormedPlayerMovie) {
    const ByteSet& movie = CarriedMovie();
    ASSERT_GT(movie.size(), 8u);
    EXPECT_EQ(movie.substr(0, 3), "CWS");
    EXPECT_EQ(movie[3], 8);
    const quint32 length = qFromLittleEndian<quint32>(movie.data() + 4);

    // qUncompress wants the expected size in front, big-endian.
    QByteArray framed(4, '\0');
    qToBigEndian<quint32>(length - 8, framed.data());
    framed.append(movie.data() + 8, static_cast<qsizetype>(movie.size() - 8));
    const QByteArray body = qUncompress(framed);
    ASSERT_EQ(static_cast<quint32>(body.size()) + 8, length);

    // Stage rectangle: 5 bits of field width, four fields, padded to a byte.
    const int nbits = static_cast<unsigned char>(body[0]) >> 3;
    qsizetype at = (5 + 4 * nbits + 7) / 8 + 4;  // then frame rate and frame count
    std::vector<int> codes;
    QByteArray metadata;
    while (at + 2 <= body.size()) {
        const quint16 header = qFromLittleEndian<quint16>(body.constData() + at);
        at += 2;
        qsizetype size = header & 0x3F;
        if (size == 0x3F) {
            ASSERT_LE(at + 4, body.size());
            size = qFromLittleEndian<quint32>(body.constData() + at);
            at += 4;
        }
        ASSERT_LE(at + size, body.size());
        codes.push_back(header >> 6);
        if (codes.back() == 77) metadata = body.mid(at, size);
        at += size;
        if (codes.back() == 0) break;
    }
    EXPECT_EQ(at, body.size());
    EXPECT_EQ(codes, (std::vector<int>{69, 77, 9, 12, 1, 0}));
    EXPECT_TRUE(metadata.contains(kPlayerMovieMarker));
    EXPECT_TRUE(IsPlayerMovie(movie));
}

}  // namespace
}  // namespace lumora
