// Messages for the status words of device commands and the offline downloader's reply codes.
#pragma once

#include <cstdint>

#include "framework/Text.h"

// The translated message for a status: the offline downloader's codes 1 to 28, the chip boot-loader codes
// (0xB000 to 0xB044, 0xBBCC), or for 0xE000 the device library's last-error text of the calling thread.
// Everything else, success included, is "未知错误！". Shows nothing, never fails, callable from any thread.
fw::Text StatusCodeToText(int32_t code);
