// Whether an option read brought every byte that writing the same value back would send.
#pragma once

#include "app/ChipSeries.h"
#include "devicelib/OvMcuCmdDll.h"

// A read may succeed with fewer bytes than asked. What it did not bring is not the chip's: the editors show it as
// 00, and writing that back would protect pages or set bytes nobody chose. Every road that reads option bytes and
// writes them back asks this first: the series' whole image for item 0, the item's own length for the items of
// series 10.
bool OptionAnswerIsWhole(const OptionRwBlock& answer, ChipSeriesCode series);
