#include "app/OptionAnswer.h"

#include "app/OptionItems.h"
#include "app/OptionProtection.h"

bool OptionAnswerIsWhole(const OptionRwBlock& answer, ChipSeriesCode series) {
    const uint8_t needed = answer.item == 0 ? OptionImageWriteLength(series) : OptionItemLength(answer.item);
    return needed != 0 && answer.length >= needed;
}
