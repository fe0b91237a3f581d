// The generator's own AES (encryption only), table-driven: the state is four little-endian words and every full
// round is one 256-word table that folds SubBytes into MixColumns, used with byte rotations.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessarand {

struct DrbgAesSchedule {
    int rounds = 0;  // 10, 12 or 14
    uint32_t roundKeys[68] = {};
};

// Expands a 128-, 192- or 256-bit key. Answers 0, or -1 for any other size (the schedule is left alone).
int DrbgAesSetKey(DrbgAesSchedule& schedule, const uint8_t* key, int keyBits);

void DrbgAesEncryptBlock(const DrbgAesSchedule& schedule, const uint8_t in[16], uint8_t out[16]);

// Zeroes the whole schedule in a way the compiler may not drop.
void DrbgAesWipe(DrbgAesSchedule& schedule);

// One-shot AES-256-ECB encryption of a single block: expands the key, enciphers, wipes the schedule.
void DrbgAes256EncryptBlock(const uint8_t key[32], const uint8_t in[16], uint8_t out[16]);

}  // namespace tessarand
