#include "app/ReadAnswer.h"

#include <algorithm>

#include "app/OptionItems.h"
#include "app/OptionProtection.h"

bool AnswerIsWhole(size_t answered, size_t dataArea, size_t wanted) {
    return wanted != 0 && std::min(answered, dataArea) >= wanted;
}

bool OptionAnswerIsWhole(const OptionRwBlock& answer, ChipSeriesCode series) {
    return AnswerIsWhole(answer, answer.item == 0 ? OptionImageWriteLength(series) : OptionItemLength(answer.item));
}
