// Fetching one file from the update server.
#pragma once

#include "framework/Text.h"
#include "offline/HttpSocket.h"

// Fetches url with one GET and writes the body to path (relative to the working directory). Answers 1 when the
// file is there whole after the fetch, 0 on any failure; a failed fetch leaves no partial file and an earlier
// file at path as it was. sizeText gets the size text of the announced length once the header has been read.
// whileWaiting is called between the slices of every wait; its false cancels the fetch. The fetch ends at its
// deadline (HttpConnectionSettings) whatever the server does.
int HttpGetFile(fw::Text path, fw::Text url, fw::Text& sizeText, const HttpWaitHook& whileWaiting = {});
