#pragma once
// A network namespace of the test program's own, entered before any thread starts so that
// every later thread shares it: nothing sent there can leave the machine, and a name
// lookup that misses the hosts file fails at once.

// Enters a fresh network namespace; without root it comes with a user namespace that maps
// the user to itself, where the system allows that. False when neither works.
bool EnterOwnNetwork();
// Brings the namespace's loopback device up.
bool BringLoopbackUp();
