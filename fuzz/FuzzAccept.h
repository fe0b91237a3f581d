// Every fuzz target tells when an input reached its accept path: the input was taken and the target's checks on
// what was made of it ran. The seed replay fails when no seed of a target gets there, so a rule that starts to
// refuse every seed is seen at once instead of leaving the fuzzer to wander among refusals.
#pragma once

// Set by the target during one input; the replay clears it before each.
inline bool g_fuzzInputAccepted = false;

inline void FuzzAccepted() { g_fuzzInputAccepted = true; }
