#pragma once
// Runs a check in a forked child inside a fresh, empty network namespace, so that name
// lookups that miss the hosts file fail there instead of asking the machine's name server.

#include <functional>
#include <string>

// Returns "" when the check passed, "skip: <why>" when no namespace could be made, else
// the failure the child reported.
std::string RunInIsolatedNetwork(const std::function<std::string()>& check);
