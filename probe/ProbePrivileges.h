#pragma once
// What quorail-probe gives up once its raw socket is open: a set-id start's ids, every
// capability (effective, permitted, inheritable, ambient), and the chance to gain any
// again through exec; and its environment, which it never reads.

class CProbePrivileges {
public:
    // True when the process ends up holding nothing; the helper must not go on otherwise.
    static bool DropAll();
    // True when no capability is left in the effective, permitted or inheritable set.
    static bool HoldsNone();
};
