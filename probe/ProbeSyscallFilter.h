#pragma once
// The system calls quorail-probe may make once it serves requests: reading requests,
// writing answers, sending and receiving on the raw sockets, setting their TTL (hop
// limit for IPv6), the clock, memory and ending. Any other call, and any other socket option (IP_HDRINCL, say),
// kills the helper, so that a fault in it cannot turn the raw socket into a packet forge.

class CProbeSyscallFilter {
public:
    // False where the kernel refuses the filter; on an architecture whose system call
    // numbers are not known here, installs nothing and returns true.
    static bool Install();
};
