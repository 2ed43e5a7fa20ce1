#!/usr/bin/env python3
"""Writes a Windows icon file holding the given PNG pictures as they are (PNG entries, which
Windows reads since Vista): the program's icon in Explorer, the Start menu and the installer."""
import struct
import sys


def png_size(data: bytes) -> tuple[int, int]:
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main() -> None:
    if len(sys.argv) < 3:
        raise SystemExit("usage: png-to-ico.py OUT.ico PICTURE.png...")
    pictures = []
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            pictures.append(f.read())
    offset = 6 + 16 * len(pictures)
    head = struct.pack("<HHH", 0, 1, len(pictures))
    for data in pictures:
        width, height = png_size(data)
        if width > 256 or height > 256:
            raise SystemExit("an icon picture is at most 256 pixels wide and high")
        # 256 is written as 0; 32 bits per pixel, one plane.
        head += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(head + b"".join(pictures))


main()
