// bench-frame mesh-data [frames]
//
// Time per frame of the viewer's real display callback for a grid, in the
// start-up view (smooth surface, grid overlay, axes), 500 x 500 pixels.
// Each frame ends with glFinish so the time includes the drawing itself.
// Needs an X server (bench/run.sh starts a private Xvfb).
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/startup.h"
#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "mesh/reader.h"
#include "render/display.h"
#include "ui/callbacks.h"
#include "ui/view_state.h"

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs("usage: bench-frame mesh-data [frames]\n", stderr);
        return 2;
    }
    int frames = argc > 2 ? std::atoi(argv[2]) : 10;
    theMesh = readMesh(openMeshInput(argv[1]));
    prepareMesh(*theMesh);

    int glutArgc = 1;
    openWindow(&glutArgc, argv);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    // Let the window map and get its first reshape before timing.
    for (int i = 0; i < 20; ++i) {
        glutMainLoopEvent();
    }
    reshape(500, 500);

    display();
    glFinish();
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        auto start = std::chrono::steady_clock::now();
        display();
        glFinish();
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    long long points = static_cast<long long>(theMesh->rows) * theMesh->cols;
    std::printf("points %lld frames %d median-ms %.2f min-ms %.2f renderer %s\n", points, frames,
                1e3 * times[times.size() / 2], 1e3 * times.front(),
                reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    return 0;
}
