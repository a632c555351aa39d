#pragma once
// What a starting helper may send at once, so that starting helper after helper gives no
// more than one helper's rate: the requests the rate has given back since a helper of the
// same user last started, at most the in-flight limit. That moment is the change time of
// a per-user stamp file, which the kernel sets on every change and no user can set back:
// touching, replacing or removing the stamp only makes the last start look later.
// Without a usable stamp a helper starts with nothing in hand and sends at its rate.

#include <string>

class CProbeStartBudget {
public:
    // Marks this start in the stamp of the real user and returns the requests it may send
    // at once. Opens files: call it before the system call filter.
    static double Take();
    // The same with the stamp at path, in folder (whose change time stands in for a
    // stamp that is missing).
    static double Take(const std::string& folder, const std::string& path);

private:
    static std::string Folder();
    static double Budget(double secondsSinceStart);
};
