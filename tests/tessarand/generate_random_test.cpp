// The shipped library, loaded by name the way the key-file dialog loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/TessarandLoader.h"
#include "tessarand/Tessarand.h"
#include "tests/common/ExportedNames.h"

namespace {

GenerateRandomFunction Bound() {
    static const GenerateRandomFunction function = BindGenerateRandom();
    return function;
}

TEST(TessarandLoader, FindsTheLibraryBesideTheProgram) {
    const GenerateRandomFunction generate = Bound();
    ASSERT_NE(generate, nullptr);
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(generate), &info), 0);
    EXPECT_EQ(std::string(info.dli_fname), ProgramFolder() + "/" + kTessarandLibraryName);
}

TEST(TessarandLoader, AnswersNothingWithoutTheLibraryOrItsExport) {
    EXPECT_EQ(BindGenerateRandom("libTessarandMissing.so"), nullptr);
    EXPECT_EQ(BindGenerateRandom(ProgramFolder() + "/no/such/libTessarand.so"), nullptr);
    // A library that loads but does not export generate_random.
    EXPECT_EQ(BindGenerateRandom("libcrypto.so.3"), nullptr);
}

TEST(GenerateRandom, TwoCallsNeverGiveTheSameBytes) {
    const GenerateRandomFunction generate = Bound();
    ASSERT_NE(generate, nullptr);
    std::vector<uint8_t> first(48), second(48);
    ASSERT_EQ(generate(first.data(), 48), TESSARAND_OK);
    ASSERT_EQ(generate(second.data(), 48), TESSARAND_OK);
    EXPECT_NE(first, second);
    EXPECT_NE(first, std::vector<uint8_t>(48, 0));
}

TEST(GenerateRandom, FillsExactlyTheAskedLength) {
    const GenerateRandomFunction generate = Bound();
    ASSERT_NE(generate, nullptr);
    // 0 writes nothing; 1 000 000 bytes cross the generator's reseed twice.
    for (unsigned int length : {0u, 1u, 4u, 47u, 48u, 49u, 100u, 1000000u}) {
        std::vector<uint8_t> buffer(length + 16, 0x00);
        std::vector<uint8_t> again(length + 16, 0x00);
        ASSERT_EQ(generate(buffer.data(), length), TESSARAND_OK) << length;
        ASSERT_EQ(generate(again.data(), length), TESSARAND_OK) << length;
        EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + length, buffer.end()), std::vector<uint8_t>(16, 0x00))
            << length;
        if (length >= 4) {
            EXPECT_NE(buffer, again) << length;
        }
        // A piece of 16 zero bytes would mean a block went unwritten.
        const uint8_t zeros[16] = {};
        size_t zeroBlocks = 0;
        for (size_t block = 0; block + 16 <= length; block += 16) {
            if (std::memcmp(buffer.data() + block, zeros, 16) == 0) ++zeroBlocks;
        }
        EXPECT_EQ(zeroBlocks, 0u) << length;
    }
}

TEST(GenerateRandom, CallsFromSeveralThreadsAtOnceAreSafe) {
    const GenerateRandomFunction generate = Bound();
    ASSERT_NE(generate, nullptr);
    constexpr int kThreads = 8;
    constexpr int kCalls = 40;
    std::vector<std::vector<std::vector<uint8_t>>> results(kThreads);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                std::vector<uint8_t> out(100);
                if (generate(out.data(), static_cast<unsigned int>(out.size())) != TESSARAND_OK) ++failures[t];
                results[t].push_back(std::move(out));
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::vector<uint8_t>> distinct;
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0);
        distinct.insert(results[t].begin(), results[t].end());
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kCalls));
}

TEST(GenerateRandom, ExportsNothingButGenerateRandom) {
    // The generator's routines stay inside, so they can never bind to a like-named symbol of the program.
    EXPECT_EQ(ExportedNames(ProgramFolder() + "/" + kTessarandLibraryName), std::set<std::string>{"generate_random"});
}

}  // namespace
