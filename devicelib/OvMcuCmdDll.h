/* The device command library OvMcuCmdDll: the interface the program links against by name.
 *
 * Every chip command answers a 32-bit status word: CMD_STATUS_OK for success, a chip boot-loader code
 * (0xB000 to 0xB044, 0xBBCC) when the chip refused, or CMD_STATUS_LAST_ERROR when the library itself failed;
 * GET_LAST_ERROR then names the failure. The last-error text belongs to the calling thread.
 *
 * Every function may be called from any thread. Calls on different handles run in parallel; calls on one device
 * are the caller's to serialise (the program's device mutex), although the library stays consistent if they are not.
 *
 * Wide texts are UTF-16 code units, NUL-terminated. Records without pointers have the byte layouts the chips and
 * the offline projects carry (checked below); the image descriptors carry pointers and are native structs. */
#ifndef DEVICELIB_OVMCUCMDDLL_H
#define DEVICELIB_OVMCUCMDDLL_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#if defined(OVMCUCMDDLL_BUILD)
#define OV_CMD_API __attribute__((visibility("default")))
#else
#define OV_CMD_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque handle written by OV_CMD_CONNECT_DEV; 0 is never a connected device. */
typedef uint32_t DeviceHandle;

/* Status word of a chip command. */
typedef uint32_t StatusCode;

#define CMD_STATUS_OK 0xA000u
#define CMD_STATUS_LAST_ERROR 0xE000u

/* Boot-loader codes the chips answer with. */
#define CMD_STATUS_BAD_FRAME 0xB000u            /* command format wrong or timed out */
#define CMD_STATUS_RDP_L2 0xB001u               /* read protection is at level 2 */
#define CMD_STATUS_BAD_PARAMETER 0xB002u        /* parameter error */
#define CMD_STATUS_NOT_SECURE_MODE 0xB003u      /* not in secure mode */
#define CMD_STATUS_WRITE_PROTECTED 0xB008u      /* write protected */
#define CMD_STATUS_KEY_ID_RANGE 0xB010u         /* key id out of range */
#define CMD_STATUS_KEY_AUTH_FAILED 0xB020u      /* key authentication failed */
#define CMD_STATUS_KEY_AUTH_LIMIT 0xB021u       /* too many failed key authentications */
#define CMD_STATUS_PAGE_RDP_PROTECTED 0xB030u   /* erase/download/read of a page under read protection */
#define CMD_STATUS_PAGE_WRP_PROTECTED 0xB031u   /* erase/download of a write-protected page */
#define CMD_STATUS_PARTITION_PROTECTED 0xB032u  /* address protected by another partition */
#define CMD_STATUS_CROSSES_PARTITIONS 0xB033u   /* range spans partitions */
#define CMD_STATUS_OUT_OF_RANGE 0xB034u         /* range outside the chip's memory */
#define CMD_STATUS_BAD_START_ADDRESS 0xB035u    /* start address not aligned */
#define CMD_STATUS_LENGTH_NOT_16 0xB036u        /* data length not a multiple of 16 */
#define CMD_STATUS_PROGRAM_FAILED 0xB037u       /* flash programming failed (e.g. target not erased) */
#define CMD_STATUS_PARTITIONED_NO_L0 0xB039u    /* partitions configured: level 1 cannot return to level 0 */
#define CMD_STATUS_PARTITION_CONFIGURED 0xB03Au /* partition already configured */
#define CMD_STATUS_PARTITION_SIZE 0xB03Bu       /* partition sizes do not fit the flash */
#define CMD_STATUS_PARTITION_KEY_ID 0xB03Du     /* partition key id already configured */
#define CMD_STATUS_PARTITION_FLAGS 0xB03Eu      /* partition authentication/encryption already configured */
#define CMD_STATUS_FLASH_SEALED 0xB042u         /* flash sealed */
#define CMD_STATUS_OTP_PROGRAM_FAILED 0xB044u   /* OTP programming failed */
#define CMD_STATUS_UNKNOWN_COMMAND 0xBBCCu      /* command not known to this chip */

/* Called once per packet of a download, with the context the caller passed; the return value is not used. */
typedef int (*ProgressCallback)(void* context);

/* 72 bytes filled by OV_CMD_GET_INF; multi-byte numbers little-endian. */
typedef struct ChipInfoBlock {
    uint8_t seriesCode;
    char model[16]; /* ASCII, modelLength characters used */
    uint8_t modelLength;
    uint8_t ucid[16];
    uint8_t ucidLength; /* 0: the chip has none */
    uint8_t uid[12];
    uint8_t uidLength;
    uint8_t bootVersion;    /* high nibble major, low nibble minor */
    uint8_t bootSubVersion; /* same coding */
    uint8_t reserved50[6];
    double flashSizeKB;
    uint8_t partitionUnitKB;
    uint8_t reserved65[3];
    uint32_t pageSize;
} ChipInfoBlock;

/* 70 bytes of OV_CMD_OPT_RW. operation: 0 read, 1 write, 2 write then reset. item: 0 the whole option image,
 * 1 to 8 one option item of the security chips. A read answers the byte count in length. */
typedef struct OptionRwBlock {
    uint8_t operation;
    uint8_t length;
    uint8_t data[64];
    uint8_t item;
    uint8_t subIndex;
    uint8_t reserved;
    uint8_t eraseMode;
} OptionRwBlock;

/* OV_CMD_OTP_RW takes the same shape; item is the OTP word 1 to 5, four bytes each
 * (16-bit value least significant byte first, then its complement). */
typedef OptionRwBlock OtpRwBlock;

/* OV_CMD_EXT_OPT_RW: operation 0 read, 1 write; the external option record is 60 bytes at 0x1FFFE040. */
typedef struct ExtOptRwBlock {
    uint8_t operation;
    uint8_t reserved1[3];
    uint32_t address;
    uint8_t length;
    uint8_t data[63];
} ExtOptRwBlock;

/* OV_CMD_USERX_OP, and the partition argument of the erase and download commands.
 * operation: 0 read, 1 configure, 2 seal the flash. index: 0 to 2 USER1 to USER3 (3 to 5 name flash areas in
 * erases and downloads). size in partition units. keyId: 0xFF none; a read answers 0 when an id is configured.
 * flags: authentication in the high nibble, encrypted download in the low nibble. */
typedef struct UserPartitionRecord {
    uint8_t operation;
    uint8_t index;
    uint8_t size;
    uint8_t keyId;
    uint8_t flags;
} UserPartitionRecord;

/* 33 bytes: the key id, the key in force after the command (the new key of an update; the partition's key for
 * erases and downloads), and the old key that authorises an update. */
typedef struct KeyUpdateRecord {
    uint8_t keyId;
    uint8_t key[16];
    uint8_t oldKey[16];
} KeyUpdateRecord;

/* A 16-byte key passed by value. */
typedef struct OvKey128 {
    uint8_t bytes[16];
} OvKey128;

/* OV_CMD_FLASH_DWNLD and OV_CMD_EXT_API_DWNLD. An enciphered image begins with a 4-byte CRC that is not
 * programmed: the chip writes length - 4 bytes from address. */
typedef struct ImageDescriptor {
    uint8_t index; /* internal flash: the download item 0 to 2; external API: the download area */
    uint32_t address;
    const uint8_t* data;
    uint32_t length;
    uint8_t enciphered;
    const char16_t* path; /* file the image came from, or null */
} ImageDescriptor;

/* OV_CMD_EXT_FLASH_DWNLD. */
typedef struct ExtFlashImageDescriptor {
    uint8_t extType; /* 0 FEMC, 1 XSPI */
    uint8_t extId;   /* 0 to 3 */
    uint32_t address;
    const uint8_t* data; /* the segment, its CRC-32 most significant byte first, zero bytes to a multiple of 16 */
    uint32_t length;
    uint8_t enciphered;
    uint8_t encOption;
} ExtFlashImageDescriptor;

/* Interface indices of OV_CMD_ENUM_DEV. */
#define OV_IFACE_USART 0u
#define OV_IFACE_USB_DFU 1u
#define OV_IFACE_SWD_JLINK 2u
#define OV_IFACE_SWD_CMSIS_DAP 3u
#define OV_IFACE_OFFLINE_LINK 4u /* not served by this library */
#define OV_IFACE_I2C 5u

/* Text of the calling thread's last library failure, or null. Valid until the thread's next call. */
OV_CMD_API const char16_t* GET_LAST_ERROR(void);

/* Lists the devices on an interface into buffer (capacity in characters, NUL included), each name followed by
 * ";". Answers the number of names written. Remembers the interface for OV_CMD_CONNECT_DEV. */
OV_CMD_API uint8_t OV_CMD_ENUM_DEV(uint8_t interfaceIndex, char16_t* buffer, uint32_t capacity);

/* Connects the named device on the interface of the last enumeration; speed is the baud rate (USART), the clock
 * (SWD) or the speed index (I2C). On SWD (J-Link) a name that is no probe serial is taken as the target's model
 * name and the first free probe is used. Answers 0 and writes the handle when connected. */
OV_CMD_API uint8_t OV_CMD_CONNECT_DEV(DeviceHandle* handle, const char16_t* deviceName, uint32_t speed);
/* Releases the handle (also a stale one) and writes 0 into it. */
OV_CMD_API StatusCode OV_CMD_DISCONNECT_DEV(DeviceHandle* handle);

OV_CMD_API StatusCode OV_CMD_GET_INF(DeviceHandle h, ChipInfoBlock* info);
OV_CMD_API StatusCode OV_CMD_OPT_RW(DeviceHandle h, OptionRwBlock* block);
OV_CMD_API StatusCode OV_CMD_OTP_RW(DeviceHandle h, OtpRwBlock* block);
OV_CMD_API StatusCode OV_CMD_EXT_OPT_RW(DeviceHandle h, ExtOptRwBlock* block);
OV_CMD_API StatusCode OV_CMD_USERX_OP(DeviceHandle h, UserPartitionRecord* record);
OV_CMD_API StatusCode OV_CMD_KEY_UPDATE(DeviceHandle h, KeyUpdateRecord record);

/* Erases every page that [first, last] touches (last inclusive). */
OV_CMD_API StatusCode OV_CMD_FLASH_ERASE(DeviceHandle h, uint32_t first, uint32_t last,
                                         const UserPartitionRecord* partition, const KeyUpdateRecord* key);
OV_CMD_API StatusCode OV_CMD_EXT_FLASH_ERASE(DeviceHandle h, uint32_t first, uint32_t last, uint8_t extId,
                                             const UserPartitionRecord* partition, const KeyUpdateRecord* key);

/* Downloads call progress once per packet and return after the last byte. Packet size: on SWD the smallest of the
 * image length, the page size and 2048; elsewhere 2048 on a series-10 chip whose boot sub-version is not V1.0,
 * else 128. */
OV_CMD_API StatusCode OV_CMD_FLASH_DWNLD(DeviceHandle h, const ImageDescriptor* image,
                                         const UserPartitionRecord* partition, const KeyUpdateRecord* key,
                                         ProgressCallback progress, void* context);
OV_CMD_API StatusCode OV_CMD_EXT_API_DWNLD(DeviceHandle h, const ImageDescriptor* image,
                                           const UserPartitionRecord* partition, const KeyUpdateRecord* key,
                                           ProgressCallback progress, void* context);
OV_CMD_API StatusCode OV_CMD_EXT_FLASH_DWNLD(DeviceHandle h, const ExtFlashImageDescriptor* image,
                                             const UserPartitionRecord* partition, const KeyUpdateRecord* key,
                                             const uint8_t* extFlashKey, ProgressCallback progress, void* context);
OV_CMD_API StatusCode OV_CMD_EXT_KEY_CFG(DeviceHandle h, OvKey128 key, const UserPartitionRecord* partition,
                                         const KeyUpdateRecord* keyRecord);

/* level: 0 removes level 1 (the chip erases its flash), 1 sets level 1, 2 sets level 2 for good. Takes effect at
 * the next reset. seriesCode names the option layout, since a protected chip cannot tell its series over SWD. */
OV_CMD_API StatusCode OV_CMD_READ_PROTECT(DeviceHandle h, uint8_t level, uint8_t seriesCode);
/* Active-low write-protection bytes; 0xFF in all four removes the protection. Takes effect at the next reset. */
OV_CMD_API StatusCode OV_CMD_WRITE_PROTECT(DeviceHandle h, uint8_t wrp0, uint8_t wrp1, uint8_t wrp2, uint8_t wrp3);

/* Applies pending option changes; the handle is stale afterwards until disconnect and connect. */
OV_CMD_API StatusCode OV_CMD_SYS_RESET(DeviceHandle h);
/* mode 0 runs from flash, 4 from RAM; the chip leaves its boot loader, so the handle goes stale as after a reset. */
OV_CMD_API StatusCode OV_CMD_APP_GO(DeviceHandle h, uint32_t address, uint8_t mode);

/* A raw boot-loader command. replyLength: in the reply length the caller expects, out the bytes written.
 * Replies are framed: 4 bytes (command, 0x00, data length little-endian 16-bit), the data, then a trailer.
 * The read command 0x33 is the exception on the way in: its replyLength names the data bytes wanted, and the
 * reply holds those plus 10 framing bytes (4 before, 6 after), so the buffer must hold wanted + 10 bytes. */
OV_CMD_API StatusCode OV_CMD_SEND_COMMAND(DeviceHandle h, const uint8_t* command, uint32_t length, uint8_t* reply,
                                          uint32_t* replyLength);
/* Reads memory of the device connected last. length: in wanted, out received. */
OV_CMD_API StatusCode OV_CMD_RECV_DATA(uint32_t address, uint8_t* buffer, uint32_t* length);

/* kind: 0 REK, 1 IDKey (16 bytes each), 2 JTAG key (4 or 16 bytes). */
OV_CMD_API StatusCode OV_CMD_SET_KEY(DeviceHandle h, uint8_t kind, const uint8_t* key, uint32_t length);
OV_CMD_API StatusCode OV_CMD_SET_JTAG_MODE(DeviceHandle h, uint8_t mode, const uint8_t* data, uint32_t length);
/* mode 0 ROOT, 1 USER; needs a random challenge (raw command 0x20) earlier on the same handle. */
OV_CMD_API StatusCode OV_CMD_SET_SECURE_MODE(DeviceHandle h, uint8_t mode, const uint8_t* token);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(ChipInfoBlock) == 72, "ChipInfoBlock layout");
static_assert(offsetof(ChipInfoBlock, modelLength) == 17 && offsetof(ChipInfoBlock, ucid) == 18 &&
                  offsetof(ChipInfoBlock, ucidLength) == 34 && offsetof(ChipInfoBlock, uid) == 35 &&
                  offsetof(ChipInfoBlock, uidLength) == 47 && offsetof(ChipInfoBlock, bootVersion) == 48 &&
                  offsetof(ChipInfoBlock, bootSubVersion) == 49 && offsetof(ChipInfoBlock, flashSizeKB) == 56 &&
                  offsetof(ChipInfoBlock, partitionUnitKB) == 64 && offsetof(ChipInfoBlock, pageSize) == 68,
              "ChipInfoBlock offsets");
static_assert(sizeof(OptionRwBlock) == 70 && offsetof(OptionRwBlock, data) == 2 &&
                  offsetof(OptionRwBlock, item) == 66 && offsetof(OptionRwBlock, eraseMode) == 69,
              "OptionRwBlock layout");
static_assert(offsetof(ExtOptRwBlock, address) == 4 && offsetof(ExtOptRwBlock, length) == 8 &&
                  offsetof(ExtOptRwBlock, data) == 9 && sizeof(ExtOptRwBlock) == 72,
              "ExtOptRwBlock layout");
static_assert(sizeof(UserPartitionRecord) == 5, "UserPartitionRecord layout");
static_assert(sizeof(KeyUpdateRecord) == 33 && offsetof(KeyUpdateRecord, key) == 1 &&
                  offsetof(KeyUpdateRecord, oldKey) == 17,
              "KeyUpdateRecord layout");
static_assert(sizeof(OvKey128) == 16, "OvKey128 layout");
#endif

#endif  // DEVICELIB_OVMCUCMDDLL_H
