#pragma once
// Refuses to run probing tests anywhere but in the test network's source namespace: there
// no route leads out and names come from the lab's hosts file alone, so no probe and no
// lookup can leave the machine. Run outside it (say, straight from a shell), the tests
// would send to whatever network the machine has.

#include <string>

// Empty inside the source namespace; otherwise why these tests must not run here.
std::string LabUnsafeReason();
