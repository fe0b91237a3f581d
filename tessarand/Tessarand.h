// The random-number library's only export. The program loads the library by name and looks the function up by
// name, so this header is the whole contract.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum {
    TESSARAND_OK = 0,
    // No seed could be had from OpenSSL (out is left as it was), or the generator failed part-way (what it had
    // written is zeroed again). Either way out holds no random bytes.
    TESSARAND_FAILED = -1,
};

// Fills out[0 .. len-1] with random bytes. The caller owns the buffer.
int generate_random(unsigned char* out, unsigned int len);

#ifdef __cplusplus
}
#endif
