#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into fuzz/corpus/. Run again after a change."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def pak(entries, count=None, cut=None):
    """PAK bytes: entries are (name, data) laid back to back, or (name, offset, size) raw records."""
    directory, area = b"", b""
    for entry in entries:
        if len(entry) == 2:
            name, data = entry
            offset, size = len(area), len(data)
            area += data
        else:
            name, offset, size = entry
        directory += name.encode("latin-1").ljust(100, b"\0")[:100] + struct.pack("<II", offset, size)
    out = struct.pack("<I", len(entries) if count is None else count) + directory + area
    return out if cut is None else out[:cut]


PAKS = {
    "empty": pak([]),
    "three": pak([("Data\\Rider\\Anim\\mx_nacnac.mot", b"MOT" * 5), ("Data\\Veh\\Tex\\a.dxt", b""),
                  ("motions.ini", b"[General Info]\r\nName=x\r\n")]),
    "long-name": pak([("N" * 100, b"x")]),
    "shared": pak([("a.sub", b"shared"), ("b.sub", 0, 6)]),
    "truncated": pak([("a.dxg", b"0123456789")], cut=120),
    "count-too-big": pak([("a", b"x")], count=9),
}

INIS = {
    "motions": b"; tricks\r\n[General Info]\r\nName = Big Air \r\nCount=$1F\r\n\r\n[Tricks]\r\nnacnac.mot\r\n"
               b"heelclicker.mot\r\n[Last]",
    "material": b"[Material]\nTexture=rider.dxt\nTwoPass=True\nAlpha = 128\nSLTfile=a\nSLT=b\n",
    "breaks": b"a\r\n\r\nb\n\rc\rlast",
    "zero": b"[s]\nk=v\0w\nz=1",
}

EDITOR_DOCUMENTS = {
    "motions": b"[General]\r\nStuntSections=3\r\n\r\n[MX_Stunts]\r\nname=Nac Nac\r\nmotion=rider_nacnac.mot\r\n"
               b"Motion=rider_cancan.mot\r\nx motion= rider_x.mot \r\n[ATV_Stunts]\r\nmotion=rider_coffin.mot\r\n"
               b"[ff_Stunts]\r\nmotion=ff_rider_cliffhanger.mot\r\nmotion=ab\r\n",
    "sub": b"[Objects]\r\nMCF=Rider_NoFear6.mcf\r\nNumberOfSubObjects=2\r\n[SubObject1]\r\nPlacement=Front Wheel\r\n"
           b"SLT=w.slt\r\n[Material Changes]\r\n; note\r\nhelmet01 = helmet06\r\nno equals here\r\n=\r\n[Next]\r\n",
    "resolutions": b"640x480\n800x\nx600\n99999999999x1\n",
    "empty": b"",
}

# d3dx_surface_fuzz: format, format, source width and height, destination width and height, left, top,
# width, height, filter, colour key, then a little pixel data.
D3DX_SURFACES = {
    "p8-to-argb": bytes([6, 0, 7, 7, 3, 3, 0, 0, 7, 7, 4, 0, 1, 2, 3, 0xFF, 0x10, 0x20, 0x30, 0x80]),
    "argb-to-dxt1": bytes([0, 7, 15, 15, 31, 31, 1, 2, 11, 11, 2, 1, 0xFF, 0, 0xFF, 0xFF, 0, 0xFF, 0, 0xFF]),
    "dxt5-to-565": bytes([9, 2, 7, 3, 2, 9, 0, 0, 7, 3, 5, 0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0]),
}


def bgra(pixels):
    return b"".join(bytes(p) for p in pixels)


# gif_frame_fuzz (fuzz/gif_frame_fuzz.cpp): 5 bytes of width, height, GIF side, palette size and flags,
# then pixels in blue, green, red, alpha order.
GIF_FRAMES = {
    # Two colours, 8 x 8 to 4 x 4, transparent: a checker of black and white.
    "checker": bytes([7, 7, 3, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF]),
    # A ramp of 300 colours, 40 x 30 to 31 x 31, 16 colours, opaque.
    "ramp": bytes([0x27, 0x1D, 0x1E, 0x0E, 0]) + bgra((i % 256, i * 7 % 256, i // 2, 0xFF) for i in range(300)),
    # Many colours, 64 x 48 to 48 x 48, 256 colours, transparent, over a background run.
    "many": bytes([0x3F, 0x2F, 0x2F, 0xFE, 1]) + bgra([(0x80, 0x80, 0x90, 0)] * 600)
    + bgra((i * 13 % 256, i * 29 % 256, i * 53 % 256, 0) for i in range(1500)),
}


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


write("pak_reader_fuzz", PAKS)
write("pak_plugin_fuzz", PAKS)
write("typed_ini_fuzz", INIS)
write("document_ini_fuzz", INIS)
write("editor_documents_fuzz", EDITOR_DOCUMENTS)
write("d3dx_surface_fuzz", D3DX_SURFACES)
write("gif_frame_fuzz", GIF_FRAMES)
