#include "app/ReadAnswer.h"

#include <algorithm>

#include "app/OptionItems.h"
#include "app/OptionProtection.h"

bool AnswerIsWhole(size_t answered, size_t dataArea, size_t wanted) {
    return wanted != 0 && std::min(answered, dataArea) >= wanted;
}

size_t OptionWriteBackLength(const OptionRwBlock& answer, ChipSeriesCode series) {
    return answer.item == 0 ? OptionImageWriteLength(series) : OptionItemLength(answer.item);
}
