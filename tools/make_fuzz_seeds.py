#!/usr/bin/env python3
"""Writes the small hand-made seed files of the readers' fuzz targets into
tests/data/fuzz/seeds/<target>/: the kinds of file the external folders lack (PIX, stream-form
IGES, small 24-bit bitmaps, PCD of every data kind with LZF, LAS 1.4, PLY with lists in every
encoding, CSV and XYZ quirks). Run once from the repository's root; the files are committed."""
import math
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "fuzz", "seeds")


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data.encode("utf-8") if isinstance(data, str) else data)


def bmp(width, height, bits, rows, palette=None):
    stride = (width * bits + 31) // 32 * 4
    colours = 0 if bits == 24 else 1 << bits
    palette = palette or b"".join(bytes([i % 256] * 3 + [0]) for i in range(colours))
    offset = 14 + 40 + len(palette)
    pixels = b"".join(bytes(r).ljust(stride, b"\0") for r in rows)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       colours, 0)
    return header + info + palette + pixels


def grey(values):
    return [c for v in values for c in (v, v, v)]


def iges(parameter_lines, end="\r\n"):
    out = []

    def add(data, width, section, sequence, pointer=""):
        line = data.ljust(width)
        if width == 64:
            line += pointer.rjust(8)
        out.append(line + section + str(sequence).rjust(7) + end)

    add("tengun fuzz seed", 72, "S", 1)
    add("1H,,1H;,4Hseed;", 72, "G", 1)
    for k, (entity, p) in enumerate([(110, 1), (110, 2)], start=1):
        add(f"{entity:8d}{p:8d}       0       0       0       0       0       000000000", 72,
            "D", 2 * k - 1)
        add(f"{entity:8d}       0       0       1       0", 72, "D", 2 * k)
    for k, line in enumerate(parameter_lines, start=1):
        add(line, 64, "P", k, str(2 * k - 1))
    add(f"S      1G      1D      4P{len(parameter_lines):7d}", 72, "T", 1)
    return "".join(out)


def lzf_literal(data):
    out = bytearray()
    for k in range(0, len(data), 32):
        chunk = data[k:k + 32]
        out.append(len(chunk) - 1)
        out += chunk
    return bytes(out)


def pcd(data_kind, points):
    header = ("# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\n"
              "FIELDS x y z intensity\nSIZE 4 4 8 2\nTYPE F F F U\nCOUNT 1 1 1 1\n"
              f"WIDTH {len(points)}\nHEIGHT 1\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS {len(points)}\n"
              f"DATA {data_kind}\n").encode()
    if data_kind == "ascii":
        return header + "".join(f"{x} {y} {z} {i}\n" for x, y, z, i in points).encode()
    if data_kind == "binary":
        return header + b"".join(struct.pack("<ffdH", *p) for p in points)
    columns = (b"".join(struct.pack("<f", p[0]) for p in points) +
               b"".join(struct.pack("<f", p[1]) for p in points) +
               b"".join(struct.pack("<d", p[2]) for p in points) +
               b"".join(struct.pack("<H", p[3]) for p in points))
    packed = lzf_literal(columns)
    return header + struct.pack("<II", len(packed), len(columns)) + packed


def las(minor, fmt, stored, extra=0):
    minimum = [20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67]
    header = 227 if minor <= 2 else 235 if minor == 3 else 375
    record = minimum[fmt] + extra
    b = bytearray(header)
    b[0:4] = b"LASF"
    b[24], b[25] = 1, minor
    struct.pack_into("<HI", b, 94, header, header)
    b[104] = fmt
    struct.pack_into("<HI", b, 105, record, 0 if minor == 4 else len(stored))
    struct.pack_into("<ddd", b, 131, 0.01, 0.01, 0.001)
    struct.pack_into("<ddd", b, 155, 100.0, -50.0, 0.0)
    if minor == 4:
        struct.pack_into("<Q", b, 247, len(stored))
    for p in stored:
        b += struct.pack("<iii", *p).ljust(record, b"\x5A")
    return bytes(b)


def ply(encoding, vertices, faces, extra=True):
    lines = ["ply", f"format {encoding} 1.0", "comment fuzz seed", "obj_info tengun",
             f"element vertex {len(vertices)}", "property float x", "property double y",
             "property short z", "property uchar red"]
    if extra:
        lines += ["element edge 1", "property int vertex1", "property list ushort uint path"]
    lines += [f"element face {len(faces)}", "property list uchar int vertex_indices",
              "end_header"]
    head = ("\n".join(lines) + "\n").encode()
    if encoding == "ascii":
        body = "".join(f"{x} {y} {int(z)} 7\n" for x, y, z in vertices)
        if extra:
            body += "0 2 1 2\n"
        body += "".join(f"{len(f)} " + " ".join(map(str, f)) + "\n" for f in faces)
        return head + body.encode()
    e = ">" if encoding == "binary_big_endian" else "<"
    body = b"".join(struct.pack(e + "fdhB", x, y, int(z), 7) for x, y, z in vertices)
    if extra:
        body += struct.pack(e + "iHII", 0, 2, 1, 2)
    body += b"".join(struct.pack(e + "B" + "i" * len(f), len(f), *f) for f in faces)
    return head + body


def binary_stl(facets, header=b"fuzz seed"):
    out = header.ljust(80, b" ") + struct.pack("<I", len(facets))
    for f in facets:
        out += struct.pack("<3f", 0, 0, 1) + b"".join(struct.pack("<3f", *v) for v in f) + b"\0\0"
    return out


def ascii_stl(facets):
    text = "solid seed\n"
    for f in facets:
        text += "  facet normal 0 0 1\n    outer loop\n"
        text += "".join(f"      vertex {x} {y} {z}\n" for x, y, z in f)
        text += "    endloop\n  endfacet\n"
    return text + "endsolid seed\n"


def main():
    put("csv", "quoted.csv", 'x,y,z\r\n1,2,3\r\n"4",5;6\n# note\n-7.5e-1 8 9\r\n1e308,-0,.5')
    put("csv", "bom_tabs.csv", "\ufeff1\t2\t3\n4\t5\t6\n7")
    put("xyz", "pts_counts.pts", "2\r\n1 2 3 40 1 2 3\r\n4 5 6 41 4 5 6\r\n1\r\n7 8 9 42\r\n")
    put("xyz", "named.txt", "//X Y Z I\nX;Y;Z\n\"1\";2;3\nnan 1 1\n-inf 2 2\n4,5,6 # rest\n")
    put("pix", "records.pix",
        "PIX 1 2 3 4 5 6\nW 0 0 400 400\nL 1\n200 200 40 S A 1 2 100 120 3\n 300 100 0 E")
    put("pix", "two_lines.pix",
        "H 7 7 7 7 7 7\r\nW 10 20 30 40\r\nL 2\r\n1,2,3\r\n4,5,6\r\nS\r\nL 3\r\n7 8 9\r\nE\r\n")
    put("bitmap", "grey_24.bmp", bmp(5, 3, 24, [grey([1, 2, 3, 4, 5]), grey([0, 0, 9, 9, 1]),
                                                grey([7, 7, 7, 7, 7])]))
    put("bitmap", "mono_1.bmp", bmp(9, 2, 1, [[0x0F, 0x80], [0xAA, 0x00]]))
    put("bitmap", "nibbles_4.bmp", bmp(5, 2, 4, [[0x12, 0x34, 0x50], [1, 2, 3]]))
    put("bitmap", "palette_8.bmp", bmp(3, 3, 8, [[1, 2, 3], [4, 5, 6], [7, 8, 9]]))
    ramp = [grey([0, 10, 20, 30, 40, 50, 60, 70, 200, 200, 190, 180]) for _ in range(11)]
    put("bitmap_thinning", "ramp_24.bmp", bmp(12, 11, 24, ramp))
    wave = [grey([int(100 + 90 * math.sin((x + y) / 3)) for x in range(16)]) for y in range(12)]
    put("bitmap_thinning", "wave_24.bmp", bmp(16, 12, 24, wave))
    put("iges", "columns.igs", iges(["110,1.,0.,0.,10.,", "0.5,0.;", "212,1,5HA;B,C,0.;",
                                     "110,10.,0.5,0.,10.,10.5,0.;"]))
    put("iges", "stream.igs", "110 0 0 0 1 1 1;\n110,1,1,1,2D0,2.5,-3E1;\n124 1 0 0;\n"
                              "110 2 2.5 -30 4 4 4 7\n")
    put("iges", "positions.igs", "110 1 2 3 4\n5 9\n6\n110 4 5 6 7 8 9 10\n")
    points = [(1.0, 2.0, 3.0, 9), (float("nan"), 0.0, 0.0, 8), (-4.5, 5e3, 6.0, 7)]
    for kind in ("ascii", "binary", "binary_compressed"):
        put("pcd", f"{kind}.pcd", pcd(kind, points))
    put("las", "v12_format1.las", las(2, 1, [(1, 2, 3), (-4, 5, 6)]))
    put("las", "v14_format7.las", las(4, 7, [(7, 8, 9)], extra=3))
    put("las", "v13_format3.las", las(3, 3, [(0, 0, 0), (2**31 - 1, -2**31, 5)]))
    vertices = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 1)]
    faces = [[0, 1, 2, 3], [3, 2], [0, 1, 3]]
    for encoding in ("ascii", "binary_little_endian", "binary_big_endian"):
        put("ply", f"{encoding}.ply", ply(encoding, vertices, faces))
    put("ply", "points_only.ply", ply("ascii", vertices, [], extra=False))
    facets = [((0, 0, 0), (1, 0, 0), (1, 1, 0)), ((0, 0, 0), (1, 1, 0), (-0.0, 1, 0))]
    put("stl_ascii", "two_facets.stl", ascii_stl(facets))
    put("stl_binary", "two_facets.stl", binary_stl(facets))
    put("stl_binary", "solid_header.stl", binary_stl(facets, b"solid looks like text") + b"\0" * 7)
    put("obj", "corners.obj", "v 0 0 0\nv 1 0 0 1\nv 1 1 0 0.5 0.5 0.5\nvn 0 0 1\nv 0 1 \\\n0\n"
                              "f 1/1/1 2//1 3 4\nf -1 -2 -3\nl 1 2\np 3\nf 1 2\n# end")


if __name__ == "__main__":
    main()
