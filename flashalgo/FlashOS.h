// The flash-device record and entry points a flash-algorithm loader expects. Field offsets are part of the file
// format the host tool and the offline downloader read, so they are pinned below.
#ifndef VK51X_FLASH_OS_H
#define VK51X_FLASH_OS_H

#include <stddef.h>
#include <stdint.h>

#define FLASH_DRV_VERS 0x0101u /* record layout version */
#define SECTOR_NUM 512         /* room for sector groups, including the end mark */

#define UNKNOWN 0u
#define ONCHIP 1u

#define SECTOR_END \
    { 0xFFFFFFFFu, 0xFFFFFFFFu }

struct FlashSectors {
    uint32_t szSector;   /* size of each sector of the group */
    uint32_t AddrSector; /* offset of the group from the device address */
};

struct FlashDevice {
    uint16_t Vers;
    char DevName[128];
    uint16_t DevType;
    uint32_t DevAdr;
    uint32_t szDev;
    uint32_t szPage; /* programming page size: the most ProgramPage is given at once */
    uint32_t Res;
    uint8_t valEmpty; /* content of erased memory */
    uint32_t toProg;  /* ms */
    uint32_t toErase; /* ms */
    struct FlashSectors sectors[SECTOR_NUM];
};

_Static_assert(offsetof(struct FlashDevice, DevName) == 2, "DevName offset");
_Static_assert(offsetof(struct FlashDevice, DevType) == 130, "DevType offset");
_Static_assert(offsetof(struct FlashDevice, DevAdr) == 132, "DevAdr offset");
_Static_assert(offsetof(struct FlashDevice, valEmpty) == 148, "valEmpty offset");
_Static_assert(offsetof(struct FlashDevice, toProg) == 152, "toProg offset");
_Static_assert(offsetof(struct FlashDevice, sectors) == 160, "sectors offset");
_Static_assert(sizeof(struct FlashDevice) == 4256, "FlashDevice size");

/* Every entry answers 0 on success and 1 on failure. */
int Init(uint32_t adr, uint32_t clk, uint32_t fnc);
int UnInit(uint32_t fnc);
int EraseChip(void);
int EraseSector(uint32_t adr);
int ProgramPage(uint32_t adr, uint32_t sz, const uint8_t* buf);

#endif
