// Opening a mesh file for the reader.
#pragma once

#include <cstdio>

// Opens fileName for reading in text mode.  A directory opens for reading
// on this system but holds no text: it is refused like a file that cannot
// be opened.  nullptr with errno set (EISDIR for a directory) on failure.
FILE *openMeshFile(const char *fileName);
