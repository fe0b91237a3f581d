// Runs a test once with the processor's crypto instructions and once with the portable code.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/CpuCrypto.h"

class CryptoPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { SetCpuCryptoInstructionsEnabled(GetParam()); }
    void TearDown() override { SetCpuCryptoInstructionsEnabled(true); }
};

inline std::string CryptoPathName(const ::testing::TestParamInfo<bool>& param) {
    return param.param ? "Instructions" : "Portable";
}
