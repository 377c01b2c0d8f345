#!/usr/bin/env python3
"""Writes the seed corpus of the editor's document fuzz target into fuzz/corpus/. Run again after a change."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

SEEDS = {
    "motions": b"[General]\r\nStuntSections=3\r\n\r\n[MX_Stunts]\r\nname=Nac Nac\r\nmotion=rider_nacnac.mot\r\n"
               b"Motion=rider_cancan.mot\r\nx motion= rider_x.mot \r\n[ATV_Stunts]\r\nmotion=rider_coffin.mot\r\n"
               b"[ff_Stunts]\r\nmotion=ff_rider_cliffhanger.mot\r\nmotion=ab\r\n",
    "sub": b"[Objects]\r\nMCF=Rider_NoFear6.mcf\r\nNumberOfSubObjects=2\r\n[SubObject1]\r\nPlacement=Front Wheel\r\n"
           b"SLT=w.slt\r\n[Material Changes]\r\n; note\r\nhelmet01 = helmet06\r\nno equals here\r\n=\r\n[Next]\r\n",
    "resolutions": b"640x480\n800x\nx600\n99999999999x1\n",
    "empty": b"",
}

folder = os.path.join(HERE, "corpus", "editor_documents_fuzz")
os.makedirs(folder, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
