#include "app/startup.h"

#include <GL/glut.h>

#include <cstdlib>
#include <cstring>

#include "base/fatal.h"
#include "app/process_guard.h"
#include "base/failure.h"
#include "mesh/mesh_file.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"
#include "render/lighting.h"
#include "ui/callbacks.h"
#include "ui/view_state.h"

static const char usageText[] = "\nquarvel [-r] mesh-data\n\n -r: reverse surface\n\n";

const char *parseCommandLine(int argc, char **argv)
{
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "-r") == 0) {
            viewState.reverseSurface = 1;
        } else {
            std::fputs(usageText, stdout);
            endProcess(1);
        }
    }
    // The first other argument names the file; later ones are ignored.
    return i < argc ? argv[i] : nullptr;
}

FILE *openMeshInput(const char *fileName)
{
    if (!fileName) {
        return stdin;
    }
    FILE *file = openMeshFile(fileName);
    if (!file) {
        std::fprintf(stderr, "cannot open file: %s\n", fileName);
        endProcess(1);
    }
    return file;
}

void openWindow(int *argc, char **argv)
{
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(500, 500);
    glutCreateWindow(argv[0]);
    initLighting();
}

void runViewer(int argc, char **argv)
{
    // All input is read and checked before GLUT starts, so errors need no
    // display and no window ever opens for bad data.
    guardProcess();
    const char *fileName = parseCommandLine(argc, argv);
    // The reader's message is printed as it stands, line end or not.
    PreparationWhileReading preparation;
    const ReadWatcher watcher = prepareWhileReading(preparation, viewState.reverseSurface != 0);
    try {
        theMesh = readMesh(openMeshInput(fileName), &watcher);
    } catch (const Failure &failure) {
        std::fputs(failure.what(), stderr);
        endProcess(1);
    }
    viewState.scale = finishPreparing(preparation, *theMesh);

    openWindow(&argc, argv);

    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKey);
    glutIdleFunc(idle);
    buildMenus();

    glutMainLoop();
    // freeglut's main loop only returns when told to; this viewer never is.
    std::exit(0);
}
