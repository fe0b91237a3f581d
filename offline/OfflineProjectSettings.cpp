#include "offline/OfflineProjectSettings.h"

#include "optionbytes/ProjectOptionTexts.h"

void OfflineProjectSettings::ResetForNewProject(bool pageOpening) {
    chipKeyOld = {};
    chipKeyNew = {};
    chipKeyId = {};
    chipKeyUpdate = {};
    partitionConfigured = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    partitionIndex = {};
    partitionSize = {};
    partitionKeyId = {};
    partitionFlags = {};
    partitionsEditable = 0;
    flashSizeKB = 0;
    seriesCode = 0;
    partitionMode = 0;
    if (pageOpening) {
        g_projectOptionText.clear();
        g_projectOptionText2.clear();
        linkOptFamily = 0;
        linkOptEditable = 0;
        linkOpt2Family = 3;
        linkOpt2Editable = 0;
    } else {
        projectEditable = 1;
    }
}

OfflineProjectSettings& ProjectSettings() {
    static OfflineProjectSettings settings;
    return settings;
}
