#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_camera_messages: link frames as a driver sends them."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "seeds", "camera_messages")
os.makedirs(out, exist_ok=True)


def frame(kind, ident, payload=b"", flags=0):
    return struct.pack("<IHHI", len(payload), kind, flags, ident) + payload


def command(opcode, stamp, param=0, length=0, name=b""):
    return struct.pack("<HHIIII12s", 1, opcode, 0, stamp, param, length, name)


HELLO, COMMAND, QUERY_REPLY, QUERY_DESCRIPTOR, CHANNEL, RESET, CREDIT, PLAN_ACK, UNPLUGGED = range(1, 10)
hello = frame(HELLO, 1, struct.pack("<II", 1, 4242))
seeds = {
    "status": b"\x00" + hello + frame(QUERY_REPLY, 2, struct.pack("<I", 1)) + frame(QUERY_REPLY, 3, struct.pack("<I", 2)),
    "read_directory": b"\x01" + hello + frame(COMMAND, 2, command(3, 100, 0, 512)) + frame(CREDIT, 0, struct.pack("<I", 512)),
    "read_file_ring": b"\x01" + hello + frame(COMMAND, 2, command(4, 101, 0, 200001, b"BIG00000BIN"))
    + frame(CREDIT, 0, struct.pack("<I", 65536)) * 3,
    "read_file_inline": b"\x00" + frame(COMMAND, 2, command(4, 102, 948, 20481, b"T0000003JPG")),
    "read_missing_slow": b"\x02" + frame(COMMAND, 5, command(4, 103, 0, 3000, b"S0000099JPG")),
    "plain_version_delete": b"\x00" + frame(COMMAND, 2, command(6, 7)) + frame(QUERY_REPLY, 3, struct.pack("<I", 6))
    + frame(COMMAND, 4, command(7, 8, 0x01000000)) + frame(QUERY_REPLY, 5, struct.pack("<I", 7))
    + frame(COMMAND, 6, command(16, 9, 0, 0, b"S0000002JPG")) + frame(QUERY_REPLY, 7, struct.pack("<I", 16)),
    "descriptors": b"\x00" + frame(QUERY_DESCRIPTOR, 2, struct.pack("<BBHI", 3, 2, 0x0409, 512))
    + frame(QUERY_DESCRIPTOR, 3, struct.pack("<BBHI", 1, 0, 0, 18))
    + frame(QUERY_DESCRIPTOR, 4, struct.pack("<BBHI", 2, 0, 0, 9)) + frame(CHANNEL, 5),
    "reset_and_plan": b"\x69" + frame(RESET, 2, struct.pack("<I", 3)) + frame(PLAN_ACK, 1) + frame(UNPLUGGED, 0)
    + frame(COMMAND, 3, command(3, 1, 512, 1024)),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

# fuzz_camusb_link: what a camera sends to the driver after its greeting.
link_out = os.path.join(os.path.dirname(out), "camusb_link")
os.makedirs(link_out, exist_ok=True)
ANSWER, DATA, RING_DATA = 0x82, 0x83, 0x86
ok = struct.pack("<I", 0)
reply = struct.pack("<HHIII", 3, 0, 1, 0, 0)
link_seeds = {
    "answers": b"\x00" + frame(ANSWER, 1, ok) + frame(ANSWER, 2, ok + reply),
    "read_inline": b"\x00" + frame(ANSWER, 1, ok) + frame(DATA, 1, b"\x5a" * 1000) + frame(DATA, 1, reply, 1),
    "read_ring": b"\x01" + frame(ANSWER, 1, ok) + frame(RING_DATA, 1, struct.pack("<II", 0, 65536))
    + frame(RING_DATA, 1, struct.pack("<II", 65536, 34464)) + frame(DATA, 1, reply, 1),
    "plan": b"\x00" + frame(0x84, 1, struct.pack("<BBBBiII", 2, 2, 3, 0, 1, 0, 4)) + frame(0x85, 2),
}
for name, data in link_seeds.items():
    with open(os.path.join(link_out, name), "wb") as f:
        f.write(data)
