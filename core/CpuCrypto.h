// Whether the processor's AES and SHA instructions may be used. The portable code computes the same results;
// tests and benchmarks switch the instructions off to exercise and measure it.
#pragma once

bool CpuHasAesInstructions();
bool CpuHasShaInstructions();
void SetCpuCryptoInstructionsEnabled(bool enabled);
