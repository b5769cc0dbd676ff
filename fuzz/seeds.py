#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets from the tests' inputs and the
bundled demo: scripts, data files and formulas taken from the string
literals of the tests, the demo's files, and small pictures of every depth
and encoding.  Usage: fuzz/seeds.py OUTDIR  (one folder a target under it).

The committed corpora in fuzz/corpus/ are these seeds merged with what the
long runs found (scripts/fuzz --merge)."""
import hashlib
import os
import re
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEMO = os.path.join(ROOT, "examples", "demo")
SEPARATOR = b"\n=====DATA.TXT=====\n"
KEYWORDS = ("DIALOG", "SCRIPT", "BITMAP", "SUB", "TEXT", "INIT", "CALC", "LIST",
            "INT", "REAL", "SIGN", "HEX", "REKFILE")
LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')


def unescape(text):
    """A C string literal's bytes."""
    out, i = bytearray(), 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out += c.encode("utf-8")
            i += 1
            continue
        n = text[i + 1]
        if n == "x":
            digits = re.match(r"[0-9a-fA-F]+", text[i + 2:]).group(0)
            out.append(int(digits, 16) & 0xFF)
            i += 2 + len(digits)
            continue
        out += {"n": b"\n", "r": b"\r", "t": b"\t", "0": b"\0"}.get(n, n.encode())
        i += 2
    return bytes(out)


def literals(block):
    return [unescape(m) for m in LITERAL.findall(block)]


def source(name):
    with open(os.path.join(ROOT, "tests", name), encoding="utf-8") as f:
        return f.read()


def demo(name):
    with open(os.path.join(DEMO, name), "rb") as f:
        return f.read()


def is_item(line):
    return line.lstrip().upper().startswith(tuple(k.encode() for k in KEYWORDS))


def with_data_file(script):
    """The script with its data file renamed DATA.TXT and a data file under
    its initializing word after the separator."""
    m = re.match(rb'\s*REKFILE\s*"([^"]*)"\s*"([^"]*)"', script, re.I)
    if not m:
        return script
    script = script.replace(b'"' + m.group(2) + b'"', b'"DATA.TXT"', 1)
    data = b"Header\r\n" + m.group(1) + b"\r\n0001:\t+00012.500\t;c\r\n0002:\t7L\r\n*\r\n"
    return script + SEPARATOR + data


def script_seeds():
    seeds = []
    for name in ("loader_test.cpp", "operator_test.cpp", "line_test.cpp", "prompts_test.cpp"):
        for block in re.findall(r"\{([^{}]*)\}", source(name)):
            lines = [l for l in literals(block) if l]
            if not lines or not is_item(lines[0]):
                continue
            if len(lines) == 1 or not any(l.lstrip().upper().startswith(b"DIALOG") for l in lines):
                lines = [b'DIALOG "T" "DLG_MAIN"'] + lines
            seeds.append(with_data_file(b"\r\n".join(lines) + b"\r\n"))
    for name, data in (("TABAXIS.SCT", "AXIS.TXT"), ("TABCYCLE.SCT", "CYCLE.TXT")):
        script = demo(name).replace(data.encode(), b"DATA.TXT")
        seeds.append(script + SEPARATOR + demo(data))
    seeds.append(demo("TABMENU.SCT").replace(b"TABAXIS.SCT", b"S.SCT"))
    return seeds


def expr_seeds():
    seeds = [l for l in literals(source("expr_test.cpp")) if l]
    for name in ("TABAXIS.SCT", "TABCYCLE.SCT"):
        for formula, condition in re.findall(rb'CALC\s*"([^"]*)"\s*(?:"([^"]*)")?', demo(name)):
            seeds += [t for t in (formula, condition) if t]
    return seeds


def datafile_seeds():
    header = b"Machine 7\r\n  free text ; \"kept\"\r\nKEY\r\n"
    seeds = [b"\x02" + b"KEY\n" + header + l + b"\r\n*\r\n"
             for l in literals(source("datafile_test.cpp")) if re.match(rb"[-+0-9 ]", l)]
    seeds.append(b"\x02[AXIS]\n" + demo("AXIS.TXT"))
    seeds.append(b"\x01[CYCLE]\n" + demo("CYCLE.TXT"))
    seeds.append(b"\x39KEY\n" + header + b"5:1.5\r\n7:4294967295L;raw\r\n*\r\nKEY\r\n8:-2\r\n*\r\n")
    return seeds


def bmp(width, height, bits, data, compression=0, x=0, y=0, flags=0):
    colours = 1 << bits
    palette = b"".join(struct.pack("<BBBB", (i * 37) & 255, (i * 91) & 255, (i * 53) & 255, 0)
                       for i in range(colours))
    offset = 54 + len(palette)
    header = struct.pack("<2sIhhI", b"BM", 0, x, y, offset)
    header = header[:2] + bytes([flags]) + header[3:]
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(data),
                       2835, 2835, colours, 0)
    return header + info + palette + data


def bitmap_seeds():
    saw = demo("SAW.BMP")
    seeds = [saw, saw[:6] + struct.pack("<hh", 20, 30) + saw[10:]]
    seeds.append(bmp(8, 2, 1, b"\xe7\0\0\0\x81\0\0\0"))
    seeds.append(bmp(5, 2, 4, b"\x12\x34\x50\0\xfe\xdc\xb0\0", x=12, y=7, flags=0x71))
    seeds.append(bmp(5, 2, 8, b"\1\2\1\2\3\0\0\0\1\1\1\1\1\0\0\0", x=140, y=100, flags=0x02))
    seeds.append(bmp(10, 3, 8, b"\x04\x05\x00\x03\x01\x02\x03\x00\x00\x00\x0a\x07\x00\x02\x01\x01"
                     b"\x00\x00\x02\x09\x00\x01", compression=1))
    seeds.append(bmp(10, 3, 4, b"\x05\x12\x00\x04\x34\x56\x00\x00\x0a\x7f\x00\x00\x03\x21\x00\x01",
                     compression=2))
    return seeds


def session_seeds():
    """Event streams on the demo (the encoding of session_fuzz.cpp)."""
    enter, up, right, down, left, bksp = (bytes([8, k]) for k in range(6))
    back, finish, manual, paint = b"\4\0", b"\5\0", b"\6\0", b"\x0f\0"

    def typed(text):
        return b"".join(bytes([0, ord(c)]) for c in text)

    return [
        b"\0",
        b"\0" + enter + down + typed("12") + enter + finish,
        b"\1" + enter + down * 3 + typed("5") + enter + back + enter + finish,
        b"\2" + down + enter + manual + typed("12") + down + typed("7") + enter + paint + finish,
        b"\4" + enter + down * 8 + right + right + enter + bksp + typed("-1") + left + enter + back
        + right + enter + up + enter + finish,
        b"\7" + down + enter + down * 2 + right + enter + back + b"\x07\0" + b"\xff\0" + enter,
    ]


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for seed in seeds:
        with open(os.path.join(folder, hashlib.sha1(seed).hexdigest()), "wb") as f:
            f.write(seed)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    write(os.path.join(out, "script"), script_seeds())
    write(os.path.join(out, "session"), session_seeds())
    write(os.path.join(out, "expr"), expr_seeds())
    write(os.path.join(out, "datafile"), datafile_seeds())
    write(os.path.join(out, "bitmap"), bitmap_seeds())


if __name__ == "__main__":
    main()
