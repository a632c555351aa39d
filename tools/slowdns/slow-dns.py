#!/usr/bin/env python3
"""A small DNS server for test and benchmark namespaces: answers every reverse (PTR)
query for a.b.c.d with "hop<d>.<DOMAIN>" (for an IPv6 address, <d> is its last byte) after DELAY seconds, each query on its own
timer so that queries asked together are answered together; anything else gets
NXDOMAIN after the same delay. Listens on UDP ADDRESS:53 only; asks no one else.
Prints "ready" once it listens.
Usage: slow-dns.py [--address 127.0.0.1] [--port 53] [--delay 0.5] [--domain bench.quorail.test]
"""
import argparse
import asyncio
import struct
import sys

TYPE_PTR = 12
CLASS_IN = 1


def read_name(packet, offset):
    labels = []
    while True:
        length = packet[offset]
        offset += 1
        if length == 0:
            return labels, offset
        if length & 0xC0:
            raise ValueError("compressed question")
        labels.append(packet[offset:offset + length].decode("ascii", "replace"))
        offset += length


def encode_name(name):
    out = b""
    for label in name.split("."):
        out += bytes([len(label)]) + label.encode("ascii")
    return out + b"\0"


def answer(query, domain):
    ident, flags, qdcount = struct.unpack("!HHH", query[:6])
    if qdcount != 1:
        return None
    labels, end = read_name(query, 12)
    qtype, qclass = struct.unpack("!HH", query[end:end + 4])
    question = query[12:end + 4]
    suffix = [label.lower() for label in labels[-2:]]
    reverse = suffix == ["in-addr", "arpa"] and len(labels) == 6 and labels[0].isdigit()
    # An IPv6 address's name: 32 nibbles, lowest first; its last byte numbers the hop.
    reverse6 = suffix == ["ip6", "arpa"] and len(labels) == 34
    recursion = flags & 0x0100
    if qtype == TYPE_PTR and qclass == CLASS_IN and (reverse or reverse6):
        number = labels[0] if reverse else str(int(labels[1] + labels[0], 16))
        rdata = encode_name("hop%s.%s" % (number, domain))
        record = b"\xc0\x0c" + struct.pack("!HHIH", TYPE_PTR, CLASS_IN, 60, len(rdata)) + rdata
        return struct.pack("!HHHHHH", ident, 0x8480 | recursion, 1, 1, 0, 0) + question + record
    return struct.pack("!HHHHHH", ident, 0x8483 | recursion, 1, 0, 0, 0) + question


class SlowServer(asyncio.DatagramProtocol):
    def __init__(self, delay, domain):
        self.delay = delay
        self.domain = domain
        self.transport = None

    def connection_made(self, transport):
        self.transport = transport

    def datagram_received(self, data, peer):
        try:
            reply = answer(data, self.domain)
        except (ValueError, IndexError, struct.error):
            return
        if reply is not None:
            asyncio.get_running_loop().call_later(self.delay, self.transport.sendto, reply, peer)


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=53)
    parser.add_argument("--delay", type=float, default=0.5)
    parser.add_argument("--domain", default="bench.quorail.test")
    options = parser.parse_args()
    loop = asyncio.get_running_loop()
    await loop.create_datagram_endpoint(lambda: SlowServer(options.delay, options.domain),
                                        local_addr=(options.address, options.port))
    print("ready", flush=True)
    await asyncio.Event().wait()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
