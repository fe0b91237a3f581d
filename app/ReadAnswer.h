// Whether a read brought every byte that its caller shows, or writes back.
#pragma once

#include <cstddef>

#include "app/ChipSeries.h"
#include "devicelib/OvMcuCmdDll.h"

// A read may succeed with fewer bytes than asked. What it did not bring is not the chip's: an editor shows it as 00,
// and writing that back would protect pages or set bytes nobody chose. Every road that reads a chip's record and
// shows or writes it back asks this first. The count the library answers is trusted no further than the data area
// of its block; an answer of which nothing is known to be wanted is never whole.
bool AnswerIsWhole(size_t answered, size_t dataArea, size_t wanted);

template <class Block>
bool AnswerIsWhole(const Block& answer, size_t wanted) {
    return AnswerIsWhole(answer.length, sizeof answer.data, wanted);
}

// Whether an option answer brought every byte that writing the same value back sends: the series' written image for
// item 0, the item's own length for the items of series 10; never for an item of no known length.
bool OptionAnswerIsWhole(const OptionRwBlock& answer, ChipSeriesCode series);
