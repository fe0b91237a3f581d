// The application object: chooses the interface language and runs the main window until it closes.
#pragma once

#include <cstdint>

#include "framework/Text.h"

class CQXDownloadToolApp {
public:
    // Runs the main window modally; answers false, as the process ends when the window has ended.
    bool InitInstance();

    uint32_t m_languageId = 0;
};

// The language start-up takes: the LANGID in "Language.ini" of the working directory, else the system's.
// Sets catalog translation when the file was read.
uint32_t ChooseStartupLanguage(fw::TextView workingDirectory);

extern CQXDownloadToolApp theApp;
