// The least any picture through OSMesa costs on this machine, timed as a
// whole process beside gnuplot by bench/render_compare.py: loading
// libOSMesa (and with it LLVM, relocated at every start) and, when asked,
// a context with one cleared pixel read back.
//
//   osmesa-floor            # the libraries only
//   osmesa-floor context    # and a context, a clear, one pixel read
#include <GL/osmesa.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 2 || std::strcmp(argv[1], "context") != 0) {
        return 0;
    }
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    unsigned char pixel[4];
    if (!context || !OSMesaMakeCurrent(context, pixel, GL_UNSIGNED_BYTE, 1, 1)) {
        std::fprintf(stderr, "osmesa-floor: cannot make an OSMesa context\n");
        return 1;
    }
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    OSMesaDestroyContext(context);
    return pixel[0] == 0 ? 1 : 0;
}
