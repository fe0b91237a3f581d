#include "FlashOS.h"

#ifndef VK51X_FLASH_SIZE
#define VK51X_FLASH_SIZE 128 /* KB */
#endif

/* Read by the host from the file, never by the code: the section keeps it out of the loaded image. */
__attribute__((section("DevDscr"), used)) const struct FlashDevice FlashDevice = {
    FLASH_DRV_VERS,
    "VK51x Flash",
    ONCHIP,
    0x08000000u,
    VK51X_FLASH_SIZE * 1024u,
    0x800u,
    0u,
    0xFFu,
    100u,
    500u,
    {
        {0x800u, 0x000000u},
        SECTOR_END,
    },
};
