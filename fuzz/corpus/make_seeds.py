#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

The device-matching target reads its input through libFuzzer's
FuzzedDataProvider: numbers from the end of the input, strings from the
front. `Provider` below lays out an input that decodes to chosen values.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    os.makedirs(os.path.join(HERE, target), exist_ok=True)
    with open(os.path.join(HERE, target, name), "wb") as f:
        f.write(data)


BUILT_IN = "".join(
    f"VENDORID_{n:03d}=2E5C\nPRODUCTID_{n:03d}=0712\nUSAGE_{n:03d}=0001\nUSAGEPAGE_{n:03d}=FF00\n"
    f"PRODUCTNAME_{n:03d}={name}\nREPORTID_{n:03d}=0\nDEVICENAME_{n:03d}=HMD#0\n"
    for n, name in [(1, "Tamo Mk2"), (2, "TAMO_Zenith"), (3, "TAMO Prime")])

CONFIGS = {
    "built_in_see_through.ini": "NUM_OF_CONFIG=3\n" + BUILT_IN + "ENABLE_SEE_THROUGH=1\n",
    "crlf.ini": ("NUM_OF_CONFIG=1\n" + BUILT_IN.split("VENDORID_002")[0] + "ENABLE_SEE_THROUGH=2").replace("\n", "\r\n"),
    "blank_line.ini": "ENABLE_SEE_THROUGH=1\n\nNUM_OF_CONFIG=1\n",
    "partial_entries.ini": "NUM_OF_CONFIG=5\nVENDORID_002=0x2e5c\nPRODUCTID_002=712\nUSAGE_002=1\nUSAGEPAGE_002=ff00\n"
                           "PRODUCTNAME_002=TAMO Prime \nREPORTID_002=0\nDEVICENAME_002=\n",
    "odd_lines.ini": "==NUM_OF_CONFIG==2=3\nENABLE_SEE_THROUGH= -1x\nVENDORID_1000=1\nNUM_OF_CONFIG=abc\n",
    "empty.ini": "",
}


def version_reply(text, report_id=1, word=(0x66, 0x22)):
    reply = bytes([report_id, word[0], word[1], 0]) + text.encode("latin-1")
    return (reply + bytes(64))[:64]


def version_seeds():
    # Byte 0: bit 0 = initialised before; then up to four 64-byte replies.
    write("version_reply", "firmware_103", b"\0" + version_reply("0000000000001103"))
    write("version_reply", "firmware_102", b"\1" + version_reply("0000000000001102"))
    status = bytes([4, 0x87, 0x29, 0x3C]) + bytes(60)
    write("version_reply", "status_first", b"\0" + status + version_reply("0000000000002150"))
    write("version_reply", "no_reply", b"\0" + status)
    write("version_reply", "full_text", b"\0" + version_reply("0000000000 -1+7" + "9" * 45))


class Provider:
    """Builds an input that FuzzedDataProvider decodes to the given values."""

    def __init__(self):
        self.front = b""
        self.back = []  # bytes in the order they are consumed (from the end)

    def integer(self, value, low, high):
        span = high - low
        value -= low
        count = 0
        while count < 8 and (span >> (8 * count)) > 0:
            count += 1
        self.back += [(value >> (8 * (count - 1 - i))) & 0xFF for i in range(count)]

    def u16(self, value):
        self.integer(value, 0, 0xFFFF)

    def string(self, text):
        self.front += text.encode("latin-1").replace(b"\\", b"\\\\") + b"\\x"

    def data(self):
        return self.front + bytes(reversed(self.back))


def interface(p, vendor=0x2E5C, product=0x0712, name="Tamo Mk2", page=0xFF00, usage=1, openable=True):
    p.u16(vendor)
    p.u16(product)
    p.integer(len(name), 0, 140)
    for c in name:
        p.u16(ord(c))
    p.u16(page)
    p.u16(usage)
    for length in (64, 64, 64):
        p.u16(length)
    p.integer(1 if openable else 0, 0, 7)


def table(p, entries):
    if entries is None:
        p.integer(0, 0, 7)  # the built-in table
        return
    p.integer(1, 0, 7)
    p.integer(len(entries), 0, 4)
    for entry in entries:
        for value in entry:
            if value is None:
                p.integer(0, 0, 3)
            else:
                p.integer(1, 0, 3)
                p.string(value)


def matching_seeds():
    p = Provider()
    p.integer(1, 1, 2)
    interface(p)
    table(p, None)
    write("device_matching", "built_in_headset", p.data())

    p = Provider()
    p.integer(2, 1, 2)
    interface(p, name="Keyboard", vendor=0x046D, product=0xC31C, page=1, usage=6, openable=False)
    interface(p, name="TAMO_Zenith")
    table(p, None)
    write("device_matching", "keyboard_then_headset", p.data())

    p = Provider()
    p.integer(1, 1, 2)
    interface(p, name="\u0154amo")
    table(p, [["0x2e5c", "712", None, "ff00", "Tamo", "0", None],
              ["12E5C", "-0xF8EE", "1", None, None, None, "second"]])
    write("device_matching", "own_table", p.data())

    write("device_matching", "empty", b"")


def main():
    for name, text in CONFIGS.items():
        write("config", name, text.encode("latin-1"))
    version_seeds()
    matching_seeds()


if __name__ == "__main__":
    main()
