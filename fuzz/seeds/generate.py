#!/usr/bin/env python3
"""Writes the small generated seed inputs of the fuzz targets (committed; rerun to regenerate)."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    os.makedirs(os.path.join(HERE, target), exist_ok=True)
    with open(os.path.join(HERE, target, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def bmp(width, height, bpp, palette=b"", compression=0, pixels=None, dib_only=False):
    row = (width * bpp + 31) // 32 * 4
    pixels = pixels if pixels is not None else bytes((i * 37) & 0xFF for i in range(row * abs(height)))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels), 2835, 2835,
                       len(palette) // 4, 0)
    if dib_only:
        return info + palette + pixels
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def png(width, height, colour_type, depth, rows, plte=b"", trns=b""):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
    if plte:
        out += chunk(b"PLTE", plte)
    if trns:
        out += chunk(b"tRNS", trns)
    out += chunk(b"gAMA", struct.pack(">I", 45455))
    out += chunk(b"IDAT", zlib.compress(b"".join(b"\x00" + r for r in rows)))
    return out + chunk(b"IEND", b"")


def tga(width, height, image_type, bpp, body, descriptor=0, cmap=b"", cmap_entries=0):
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if cmap else 0, image_type, 0, cmap_entries, 24 if cmap else 0, 0, 0,
                         width, height, bpp, descriptor)
    return header + cmap + body + b"\x00" * 8 + b"TRUEVISION-XFILE.\x00"


def dds(width, height, fourcc=b"", bpp=32, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000), mips=1, caps2=0,
        depth=0, body=b""):
    flags = 0x1 | 0x2 | 0x4 | 0x1000 | (0x20000 if mips > 1 else 0) | (0x800000 if depth else 0)
    pf_flags = 0x4 if fourcc else (0x40 | (0x1 if masks[3] else 0))
    pf = struct.pack("<II4sIIIII", 32, pf_flags, fourcc.ljust(4, b"\x00") if fourcc else b"\x00" * 4,
                     0 if fourcc else bpp, *(masks if not fourcc else (0, 0, 0, 0)))
    caps = 0x1000 | (0x400008 if mips > 1 else 0) | (0x8 if caps2 else 0)
    header = struct.pack("<IIIIIII", 124, flags, height, width, 0, depth, mips) + b"\x00" * 44 + pf + \
        struct.pack("<IIIII", caps, caps2, 0, 0, 0)
    return b"DDS " + header + body


def main():
    gray = bytes(range(0, 256, 4))
    pal = b"".join(struct.pack("<BBBB", i, 255 - i, i // 2, 0) for i in range(16))
    put("image_info", "rgb24.bmp", bmp(3, 2, 24))
    put("image_info", "rgb32-topdown.bmp", bmp(2, -2, 32))
    put("image_info", "pal4.bmp", bmp(5, 3, 4, pal))
    put("image_info", "pal8-rle.bmp", bmp(4, 2, 8, pal, 1, b"\x02\x01\x00\x02\x03\x04\x05\x06\x00\x00\x00\x01"))
    put("image_info", "rgb16-565.bmp", bmp(2, 2, 16, struct.pack("<III", 0xF800, 0x7E0, 0x1F), 3))
    put("image_info", "rgb24.dib", bmp(2, 2, 24, dib_only=True))
    put("image_info", "p6.ppm", b"P6\n# seed\n2 2\n255\n" + bytes(range(12)))
    put("image_info", "p3.ppm", b"P3 2 1 15 0 1 2 3 4 5\n")
    put("image_info", "p5.ppm", b"P5 3 1 255 " + b"\x00\x80\xff")
    put("image_info", "gray.png", png(4, 4, 0, 8, [gray[i * 4:i * 4 + 4] for i in range(4)]))
    put("image_info", "rgba.png", png(2, 2, 6, 8, [bytes(range(8)), bytes(range(8, 16))]))
    put("image_info", "pal.png", png(4, 1, 3, 2, [b"\x1b"], b"\xff\x00\x00\x00\xff\x00\x00\x00\xff", b"\x80"))
    put("image_info", "rgb16.png", png(1, 2, 2, 16, [bytes(6), bytes(range(6))]))
    put("image_info", "truecolor.tga", tga(2, 2, 2, 24, bytes(range(12))))
    put("image_info", "rle32.tga", tga(3, 1, 10, 32, b"\x82\x01\x02\x03\x04", descriptor=0x28))
    put("image_info", "mapped.tga", tga(2, 1, 1, 8, b"\x00\x01", cmap=bytes(range(6)), cmap_entries=2))
    put("image_info", "gray-rle.tga", tga(4, 1, 11, 8, b"\x83\x40"))
    put("image_info", "argb.dds", dds(2, 2, body=bytes(range(16))))
    put("image_info", "dxt1-mips.dds", dds(8, 8, b"DXT1", mips=4, body=bytes(range(8)) * 6))
    put("image_info", "dxt5.dds", dds(4, 4, b"DXT5", body=bytes(range(16))))
    put("image_info", "cube.dds", dds(1, 1, caps2=0xFE00, body=bytes(range(24))))
    put("image_info", "volume.dds", dds(2, 2, depth=2, caps2=0x200000, body=bytes(range(32))))
    put("image_info", "r5g6b5.dds", dds(2, 1, bpp=16, masks=(0xF800, 0x7E0, 0x1F, 0), body=bytes(4)))

    # Texture creation: each image followed by the eight parameter bytes (sizes, levels, usage,
    # format, pool and kind, filters, colour key) in a few combinations.
    params = [bytes(8), bytes((1, 1, 1, 0, 1, 0, 0x43, 1)), bytes((2, 6, 3, 1, 8, 0x05, 0x25, 0)),
              bytes((4, 4, 0, 0, 0, 0x04, 0x11, 0)), bytes((7, 8, 4, 0x52, 9, 0x0A, 0x52, 3))]
    folder = os.path.join(HERE, "image_info")
    for i, name in enumerate(sorted(os.listdir(folder))):
        with open(os.path.join(folder, name), "rb") as f:
            put("texture_create", name, f.read() + params[i % len(params)])

    put("xfile_parser", "mesh.x", """xof 0303txt 0032
Frame Body {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  Mesh Triangle {
    3; 0;0;0;, 1;0;0;, 0;1;0;;
    1; 3;0,1,2;;
    MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }
    MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; }
    MeshMaterialList { 1; 1; 0;; Material Red { 1;0;0;1;; 8; 1;1;1;; 0;0;0;; TextureFilename { "red.png"; } } }
  }
  { Triangle }
}
""")
    put("xfile_parser", "template.x", """xof 0303txt 0064
template Pair { <12345678-1234-1234-1234-123456789ABC> DWORD n; array DOUBLE v[n]; STRING s; [...] }
Pair one { 2; 1.5, -2e3; "text"; Pair { 0; ; ""; } }
""")

    def w(v):
        return struct.pack("<H", v)

    def d(v):
        return struct.pack("<I", v)

    def name(s):
        return w(1) + d(len(s)) + s.encode()
    body = (name("Mesh") + name("M") + w(10) + w(6) + d(1) + d(3) + w(7) + d(9) + struct.pack("<9f", 0, 0, 0, 1, 0, 0,
            0, 1, 0) + w(6) + d(5) + d(1) + d(3) + d(0) + d(1) + d(2) + w(11))
    binary = b"xof 0303bin 0032" + body
    put("xfile_parser", "mesh-bin.x", binary)
    deflater = zlib.compressobj(9, zlib.DEFLATED, -15)
    block = deflater.compress(body) + deflater.flush()
    put("xfile_parser", "mesh-bzip.x", b"xof 0303bzip0032" + d(16 + len(body)) + w(len(body)) + w(len(block) + 2) +
        b"CK" + block)

    put("registry_file", "regedit4.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\r\n"
        "\"DisableMMX\"=dword:00000001\r\n\"D3DXDoNotMute\"=dword:0\r\n@=\"default\"\r\n"
        "\"Blob\"=hex:01,02,\\\r\n  03\r\n[-HKEY_CURRENT_USER\\Software]\r\n")
    put("registry_file", "version5-utf16.reg", b"\xff\xfe" + ("Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKLM\\Software\\Direct3D\\Sub]\r\n\"DisablePSGP\"=hex(4):01,00,00,00\r\n"
        "[HKEY_CURRENT_USER\\Software\\Skyvale]\r\n\"a\"=\"q\\\"uote\"\r\n").encode("utf-16-le"))

    put("key_script", "script", "\x01W@0-100,2@120,ESC@300")
    put("key_script", "all-keys", "\x011@0,2@1,3@2,4@3,W@4-9,S@5-6,A@6,D@7,R@8,F@9,N@10,M@11,UP@12-20,DOWN@13,"
        "LEFT@14,RIGHT@15,ESC@16")
    put("key_script", "argv", "\x00--headless\x00--frames\x00200\x00--keys=W@0-5,left@2\x00--step-ms\x0016")
    put("key_script", "argv-capture", "\x00--capture-dir\x00out\x00--capture-every\x003\x00--capture\x00a.png")

    def text(fmt, rect, font, count, opaque, s):
        return struct.pack("<Ihhhh", fmt, *rect) + bytes((font, count, opaque)) + s.encode("utf-16-le")
    put("draw_text", "plain", text(0, (0, 0, 160, 96), 1, 0, 0, "Hello\r\nworld"))
    put("draw_text", "wrap-center", text(0x11, (5, 5, 60, 90), 2, 1, 1, "wrap these words\tplease &and"))
    put("draw_text", "single-bottom", text(0x2A, (-10, -10, 200, 40), 3, 2, 1, "\u4e2d\u6587 text"))
    put("draw_text", "ellipsis-tabs", text(0x80C0 | (4 << 8), (0, 0, 50, 20), 0, 3, 0, "a\tb\tpath/to/file"))
    put("draw_text", "calcrect-noclip", text(0x500, (100, 50, 20, 10), 5, 0, 0, "&&x&y"))


if __name__ == "__main__":
    main()
