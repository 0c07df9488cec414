#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the player movie that lumora carries and loads into its movie control.

The movie is a compressed SWF ("CWS", version 8) of one frame. What makes it the
player movie is its Metadata tag: it declares the call protocol the movie
control answers (commands through SetVariable, queries through CallFunction).
The output is byte-for-byte reproducible.

Usage: scripts/make-player-movie.py [OUTPUT]   (default: src/engines/movie/Player.swf)
"""
import os
import struct
import sys
import zlib

MARKER = "lumora:player-movie-protocol/1"
WIDTH, HEIGHT = 320, 240  # stage size in pixels
FRAME_RATE = 25

# Tag codes.
END, SHOW_FRAME, SET_BACKGROUND_COLOR, DO_ACTION = 0, 1, 9, 12
FILE_ATTRIBUTES, METADATA = 69, 77


class BitWriter:
    """MSB-first bit packing, as SWF's RECT record needs it."""

    def __init__(self):
        self.bits = []

    def put(self, value, width):
        value &= (1 << width) - 1
        self.bits.extend((value >> (width - 1 - i)) & 1 for i in range(width))

    def bytes(self):
        padded = self.bits + [0] * (-len(self.bits) % 8)
        return bytes(
            sum(bit << (7 - i) for i, bit in enumerate(padded[n:n + 8]))
            for n in range(0, len(padded), 8))


def rect(xmin, xmax, ymin, ymax):
    values = (xmin, xmax, ymin, ymax)
    nbits = max(v.bit_length() for v in values) + 1  # signed fields
    writer = BitWriter()
    writer.put(nbits, 5)
    for v in values:
        writer.put(v, nbits)
    return writer.bytes()


def tag(code, body=b""):
    if len(body) < 0x3F:
        return struct.pack("<H", (code << 6) | len(body)) + body
    return struct.pack("<HI", (code << 6) | 0x3F, len(body)) + body


def metadata():
    xml = (
        '<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
        '<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/">'
        "<dc:title>Lumora player movie</dc:title>"
        "<dc:description>" + MARKER + "</dc:description>"
        "</rdf:Description></rdf:RDF>")
    return xml.encode("ascii") + b"\0"


def movie():
    body = rect(0, WIDTH * 20, 0, HEIGHT * 20)           # stage in twips
    body += struct.pack("<HH", FRAME_RATE << 8, 1)      # 8.8 frame rate, one frame
    body += tag(FILE_ATTRIBUTES, bytes([0x10, 0, 0, 0]))  # HasMetadata, ActionScript 2
    body += tag(METADATA, metadata())
    body += tag(SET_BACKGROUND_COLOR, bytes([0, 0, 0]))
    body += tag(DO_ACTION, bytes([0x07, 0x00]))         # ActionStop, end of actions
    body += tag(SHOW_FRAME)
    body += tag(END)
    length = 8 + len(body)                              # uncompressed file length
    return b"CWS" + bytes([8]) + struct.pack("<I", length) + zlib.compress(body, 9)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "engines", "movie", "Player.swf")
    data = movie()
    with open(output, "wb") as f:
        f.write(data)
    print(f"{output}: {len(data)} bytes")


if __name__ == "__main__":
    main()
