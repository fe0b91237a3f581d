#include "FlashOS.h"

#define REG(addr) (*(volatile uint32_t*)(addr))

#define FLASH_ACR REG(0x40022000u)
#define FLASH_KEYR REG(0x40022004u)
#define FLASH_OPTKEYR REG(0x40022008u)
#define FLASH_SR REG(0x4002200Cu)
#define FLASH_CR REG(0x40022010u)
#define FLASH_AR REG(0x40022014u)
#define FLASH_OBR REG(0x4002201Cu)

#define IWDG_KR REG(0x40003000u)
#define IWDG_PR REG(0x40003004u)
#define IWDG_RLR REG(0x40003008u)

#define OPTION_WORD0 REG(0x1FFFF800u)

#define KEY1 0x45670123u
#define KEY2 0xCDEF89ABu

#define SR_BSY (1u << 0)
#define SR_PGERR (1u << 2)
#define SR_WRPRTERR (1u << 4)

#define CR_PG (1u << 0)
#define CR_PER (1u << 1)
#define CR_MER (1u << 2)
#define CR_OPTPG (1u << 4)
#define CR_OPTER (1u << 5)
#define CR_STRT (1u << 6)
#define CR_LOCK (1u << 7)

#define OBR_RDPRT (1u << 1)
#define OBR_WDG_SW (1u << 2)

#define IWDG_KEY_ACCESS 0x5555u
#define IWDG_KEY_RELOAD 0xAAAAu

#define RDP_OFF 0x00A5u

/* The loader places the writable data wherever it likes and hands its address over in r9, so the data are
   reached from r9 and the code needs neither a GOT nor relocating. Its image in the file is a reserved zero word,
   then base_adr; the layout is written out here because readers of the file look base_adr up by name. */
struct StaticData {
    uint32_t reserved;
    uint32_t base_adr;
};

_Static_assert(sizeof(struct StaticData) == 8, "PrgData is two words");
_Static_assert(__builtin_offsetof(struct StaticData, base_adr) == 4, "base_adr is the second word of PrgData");

__asm__(
    "    .section PrgData, \"aw\", %progbits\n"
    "    .p2align 2\n"
    "    .word 0\n"
    "    .global base_adr\n"
    "    .type base_adr, %object\n"
    "    .size base_adr, 4\n"
    "base_adr:\n"
    "    .word 0\n"
    "    .previous\n");

register struct StaticData* sb __asm__("r9");

static void WaitReady(void) {
    while (FLASH_SR & SR_BSY) {
    }
}

/* Erases take long enough for a running watchdog to fire. */
static void WaitReadyReloading(void) {
    while (FLASH_SR & SR_BSY) {
        IWDG_KR = IWDG_KEY_RELOAD;
    }
}

int Init(uint32_t adr, uint32_t clk, uint32_t fnc) {
    (void)clk;
    (void)fnc;
    sb->base_adr = adr & 0xFFF80000u;
    FLASH_ACR = 0;
    FLASH_KEYR = KEY1;
    FLASH_KEYR = KEY2;
    if ((FLASH_OBR & OBR_WDG_SW) == 0) {
        /* The hardware watchdog runs from reset: stretch it so erases can keep it fed. */
        IWDG_KR = IWDG_KEY_ACCESS;
        IWDG_PR = 6;
        IWDG_RLR = 0xFFF;
    }
    return 0;
}

int UnInit(uint32_t fnc) {
    (void)fnc;
    FLASH_CR |= CR_LOCK;
    return 0;
}

int EraseChip(void) {
    if (FLASH_OBR & OBR_RDPRT) {
        /* A mass erase is refused while read protection is on; lifting it erases the chip instead. */
        FLASH_OPTKEYR = KEY1;
        FLASH_OPTKEYR = KEY2;
        FLASH_CR &= ~CR_MER;
        FLASH_CR |= CR_OPTER;
        FLASH_CR |= CR_STRT;
        WaitReadyReloading();
        uint32_t word = OPTION_WORD0;
        FLASH_CR &= ~CR_OPTER;
        FLASH_CR |= CR_OPTPG;
        OPTION_WORD0 = (word & 0xFFFF0000u) | RDP_OFF;
        WaitReadyReloading();
        FLASH_CR &= ~CR_OPTPG;
    } else {
        FLASH_CR |= CR_MER;
        FLASH_CR |= CR_STRT;
        WaitReadyReloading();
        FLASH_CR &= ~CR_MER;
    }
    return 0;
}

int EraseSector(uint32_t adr) {
    FLASH_CR |= CR_PER;
    FLASH_AR = adr;
    FLASH_CR |= CR_STRT;
    WaitReadyReloading();
    FLASH_CR &= ~CR_PER;
    return 0;
}

int ProgramPage(uint32_t adr, uint32_t sz, const uint8_t* buf) {
    IWDG_KR = IWDG_KEY_RELOAD;
    sz = (sz + 3u) & ~3u;
    while (sz != 0) {
        FLASH_CR |= CR_PG;
        REG(adr) = *(const uint32_t*)(const void*)buf;
        WaitReady();
        FLASH_CR &= ~CR_PG;
        if (FLASH_SR & (SR_PGERR | SR_WRPRTERR)) {
            FLASH_SR = SR_PGERR | SR_WRPRTERR;
            return 1;
        }
        adr += 4;
        buf += 4;
        sz -= 4;
    }
    return 0;
}
