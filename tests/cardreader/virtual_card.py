#!/usr/bin/python3
"""A 1K storage card (64 blocks of 16 bytes, 4 a sector; block n holds the bytes
(16 n + i) mod 256) on the virtual reader vpcd at 127.0.0.1:PORT, answering the
PC/SC storage-card commands.   virtual_card.py PORT UID KEY_A KEY_B  (hex)"""
import sys
import types

# Debian installs the package below site-packages/virtualsmartcard. Its card
# generator needs a crypto module the package does not depend on; this card
# has no file system, so the generator is not loaded.
sys.path.insert(0, "/usr/lib/python3/site-packages/virtualsmartcard")
sys.modules["virtualsmartcard.CardGenerator"] = types.SimpleNamespace(CardGenerator=None)
from virtualsmartcard.VirtualSmartcard import SmartcardOS, VirtualICC  # noqa: E402


class StorageCardOS(SmartcardOS):
    def __init__(self, uid, key_a, key_b):
        self.uid, self.keys, self.slots, self.sector = uid, {0x60: key_a, 0x61: key_b}, {}, None

    def getATR(self):  # what a PC/SC reader makes of a 1K storage card
        return bytes.fromhex("3B8F8001804F0CA000000306030001000000006A")

    def execute(self, msg):
        a = bytes(msg)
        if a[:5] == b"\xff\xca\x00\x00\x00":  # GET DATA: the card serial
            return self.uid + b"\x90\x00"
        if a[:3] == b"\xff\x82\x00" and len(a) == 11:  # LOAD KEY into slot a[3]
            self.slots[a[3]] = a[5:11]
            return b"\x90\x00"
        if a[:2] == b"\xff\x86" and len(a) == 10:  # AUTHENTICATE block a[6..7], key type a[8], slot a[9]
            block, self.sector = a[6] << 8 | a[7], None
            if a[9] not in self.slots:
                return b"\x69\x84"  # no key in that slot
            if block >= 64:
                return b"\x6a\x82"  # no such block
            if self.keys.get(a[8]) != self.slots[a[9]]:
                return b"\x63\x00"  # key refused
            self.sector = block // 4
            return b"\x90\x00"
        if a[:2] == b"\xff\xb0":  # READ BINARY block a[2..3]
            block = a[2] << 8 | a[3]
            if block >= 64:
                return b"\x6a\x82"
            if self.sector != block // 4:
                return b"\x69\x82"  # not authenticated for that sector
            return bytes((16 * block + i) % 256 for i in range(a[4] or 16)) + b"\x90\x00"
        return b"\x6d\x00"


class Card(VirtualICC):
    def __init__(self, card_os, port):  # VirtualICC's link to vpcd, without its own cards
        self.os, self.type, self.host, self.port, self.server_sock = card_os, "storage", "127.0.0.1", port, None
        self.sock = self.connectToPort(self.host, port)


Card(StorageCardOS(*(bytes.fromhex(x) for x in sys.argv[2:5])), int(sys.argv[1])).run()
