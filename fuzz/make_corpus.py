#!/usr/bin/env python3
"""Writes the small seed corpus of each fuzz harness into fuzz/corpus/<name>/.

Every seed is made here from the formats as this program writes them; run it
again after a format changes. The fuzzer grows its own corpus from these in a
scratch folder (scripts/fuzz.sh), so the committed seeds stay few and small.
An input that once made a harness fail is kept beside them as a regression
seed (journal/sealed_impossible_year).
"""
import pathlib
import struct
import zlib

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"


def save(harness, name, data):
    folder = ROOT / harness
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


# ---- run journal --------------------------------------------------------

def journal_slot(generation, run_id, unit=b"C", gain=10, offset=0, fahrenheit=0):
    body = b"KR5061JN" + struct.pack("<IIII", 1, generation, run_id, 0)
    body += struct.pack("<q", 1796738585)
    body += struct.pack("<6i", 2026, 12, 8, 14, 3, 5)
    body += struct.pack("<4i", 2, 1000, gain, offset)
    body += bytes([fahrenheit, len(unit)]) + unit.ljust(32, b"\0")
    body = body.ljust(124, b"\0")
    return body + struct.pack("<I", zlib.crc32(body))


def journal_record(index, run_id, values):
    body = struct.pack("<I5fI", index, *values, run_id)
    return body + struct.pack("<I", zlib.crc32(body))


def journal(count, run_id=0x1234ABCD, second_slot=None):
    head = journal_slot(1, run_id) + (second_slot or bytes(128))
    recs = b"".join(journal_record(i, run_id, (20.5 + i, 15.0, 11.0, -9000.0 if i == 1 else 30.0,
                                               45.0 + i)) for i in range(count))
    return head + recs


def journal_seeds():
    save("journal", "three_records", journal(3))
    save("journal", "header_only", journal(0))
    save("journal", "torn_tail", journal(2)[:-11])
    save("journal", "second_header",
         journal(2, second_slot=journal_slot(2, 0x1234ABCD, unit=b"F", gain=50, fahrenheit=1)))


# ---- measurement file ---------------------------------------------------

def measurement(records, unit=b"C", long_unit=False):
    out = bytes([6]) + b"KR5061" + struct.pack("<i", len(records))
    for r in records:
        out += struct.pack("<5f", *r)
    out += bytes([0]) + struct.pack("<7i", 2026, 12, 8, 14, 3, 5, 2)
    out += (b"\xff" + struct.pack("<H", len(unit)) if long_unit else bytes([len(unit)])) + unit
    return out + struct.pack("<ii", 10, -5)


def measurement_seeds():
    rows = [(23.5, 17.0, 13.0, 30.0, 45.2), (23.6, 17.1, 13.1, -9000.0, 45.0)]
    save("measurement", "two_samples", measurement(rows))
    save("measurement", "empty_unit", measurement([], unit=b""))
    save("measurement", "long_unit_form", measurement(rows[:1], unit=b"F", long_unit=True))
    save("measurement", "truncated", measurement(rows)[:37])


# ---- settings file ------------------------------------------------------

def ini_seeds():
    save("ini", "typical", b"[COMInfo]\nCOM num=3\n[Alarmhi1Info]\nHi1 limit=35.5\n"
         b"[GainInfo]\nGain=10\n")
    save("ini", "crlf_comments", b"; settings\r\n[comINFO]\r\n  com NUM = 12abc \r\n\r\n"
         b"[Alarmhi1Info]\r\nHi1 limit=\"140.0\"\r\n")
    save("ini", "odd_lines", b"[GainInfo\nGain\n=5\n[]\n[GainInfo]\nGain=-2147483649\n")


# ---- live frames ----------------------------------------------------------

def frame(air=23.5, status_b=0x00, surface=30.0, marker=0):
    f = bytearray(46)
    f[0:5] = bytes([0xAA, 0x61, 0x64, 0x6A, 0x67])
    f[6], f[7], f[8] = marker, 0xC0, status_b
    struct.pack_into("<8f", f, 9, air, 17.0, 13.0, 45.2, surface, air, 45.2, surface)
    f[44] = 0x67
    return bytes(f)


def chunks(data, size, control_extra=0):
    """Cuts a stream into reads of `size` bytes, each after its control byte."""
    out = b""
    for i in range(0, len(data), size):
        part = data[i:i + size]
        out += bytes([len(part) | control_extra]) + part
    return out


def receive_seeds():
    stream = frame() + frame(24.0, status_b=0x20) + frame(surface=612.0, marker=0x64)
    save("receive", "whole_frames_with_ticks", chunks(stream, 46, 0x40))
    save("receive", "split_reads", chunks(stream, 7))
    save("receive", "garbage_between", chunks(b"\x00\xaa\x61" + frame() + b"\xaa" * 5 +
                                              frame(surface=-1000.0), 33, 0x40))
    save("receive", "held_and_typek", chunks(frame(status_b=0x90) + frame(status_b=0x80) +
                                             frame(surface=0.0), 46, 0xC0))


if __name__ == "__main__":
    journal_seeds()
    measurement_seeds()
    ini_seeds()
    receive_seeds()
