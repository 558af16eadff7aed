// Inside the platform layer: files opened the way a Windows program names them. The C library's
// fopen of every program linked with the platform comes here (the link wraps it), so the system
// opens files with plain fopen, as it does on Windows.
#pragma once

#include <cstdio>
#include <string>

// Opens a file named the Windows way: '\' separates folders and letter case does not matter
// ("MAPS\Skin.BMP" finds maps/skin.bmp). A reading mode opens only regular files, never waits
// (a FIFO or a device counts as a file that is not there) and reads no further than the size
// the file had when it was opened.
FILE* OpenHostFile(const char* name, const char* mode);

// The host path of an existing file or folder named that way; false when there is none.
bool ResolveHostPath(const char* name, std::string& out);
