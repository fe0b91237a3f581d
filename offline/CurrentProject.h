// The one current project record of the program: built by the project page, opened from a project file or loaded
// from the downloader; replaced whole, never edited in place by those who read it.
#pragma once

#include "offline/ProjectConfig.h"

// Null before the first build or load.
const ProjectConfig* CurrentProjectConfig();
void InstallProjectConfig(const ProjectConfig& record);
void ClearProjectConfig();
