// Fetching one file from the update server.
#pragma once

#include "framework/Text.h"

// Fetches url with one GET and writes the body to path (relative to the working directory). Answers 1 when the
// file is there whole after the fetch, 0 on any failure; a failed fetch leaves no partial file and an earlier
// file at path as it was. sizeText gets the size text of the announced length once the header has been read.
int HttpGetFile(fw::Text path, fw::Text url, fw::Text& sizeText);
