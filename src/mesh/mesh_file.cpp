#include "mesh/mesh_file.h"

#include <cerrno>
#include <sys/stat.h>

FILE *openMeshFile(const char *fileName)
{
    FILE *file = std::fopen(fileName, "r");
    struct stat info;
    if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}
