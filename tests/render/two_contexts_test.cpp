// Two offscreen contexts of different sizes in one process, drawing in
// turns: a frame depends only on its own arguments, not on the other
// context or on an earlier frame, and is the picture the command line makes.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "quarvel-render/mesh_input.h"
#include "quarvel-render/offscreen.h"
#include "ui/commands.h"
#include "ui/view_motion.h"

namespace {

struct Picture {
    const char *mesh;
    const char *keys;  // for quarvel-render -k; the same keys are applied below
    int width, height;
};

// A 24-bit BMP's pixels as a Frame's: rows bottom-up in both, but BGR and
// padded to 4 bytes in the file.
Frame bmpPixels(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto number = [&](size_t at) {
        return int(unsigned(uint8_t(bmp.at(at))) | unsigned(uint8_t(bmp.at(at + 1))) << 8 |
                   unsigned(uint8_t(bmp.at(at + 2))) << 16 | unsigned(uint8_t(bmp.at(at + 3))) << 24);
    };
    Frame frame;
    frame.width = number(18);
    frame.height = number(22);
    const size_t stride = (size_t(frame.width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const size_t at = size_t(number(10)) + size_t(y) * stride + size_t(x) * 3;
            frame.rgb.insert(frame.rgb.end(), {uint8_t(bmp.at(at + 2)), uint8_t(bmp.at(at + 1)),
                                               uint8_t(bmp.at(at))});
        }
    }
    return frame;
}

Frame commandLinePicture(const Picture &p, const std::string &dir)
{
    const std::string out = dir + "/out.bmp";
    const std::string command = std::string(QUARVEL_RENDER) + " -k '" + p.keys + "' --size " +
                                std::to_string(p.width) + "x" + std::to_string(p.height) + " " + p.mesh +
                                " " + out;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return bmpPixels(out);
}

bool sameFrame(const Frame &a, const Frame &b)
{
    return a.width == b.width && a.height == b.height && a.rgb == b.rgb;
}

} // namespace

TEST(Offscreen, TwoContextsDrawInTurns)
{
    const Picture pictures[] = {{QUARVEL_EXAMPLES "/wave.mesh", "", 200, 150},
                                {QUARVEL_EXAMPLES "/torus.mesh", "Up w", 120, 160}};
    struct Drawing {
        Mesh *mesh;
        ViewState view;
        Offscreen *offscreen;
    } drawings[2];
    for (int k = 0; k < 2; ++k) {
        Drawing &d = drawings[k];
        d.view = initialViewState;
        d.mesh = readMeshFile(pictures[k].mesh, false, &d.view.scale);
        d.offscreen = openOffscreen(pictures[k].width, pictures[k].height);
    }
    // Up and w as quarvel-render applies them; wire-frame lines keep the
    // shade model of the first frame.
    turnCamera(drawings[1].view, arrowKeyUp);
    applyCommand(drawings[1].view, drawings[1].mesh, 'w');
    const bool smoothBefore = initialViewState.smoothShading != 0;

    Frame drawn[3];
    for (int turn = 0; turn < 3; ++turn) {
        Drawing &d = drawings[turn % 2];
        drawViewerFrame(*d.offscreen, *d.mesh, d.view, smoothBefore, drawn[turn]);
    }
    EXPECT_TRUE(sameFrame(drawn[0], drawn[2])) << "the first picture changed after the second";

    char dir[] = "/tmp/quarvel-two-contexts-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(pictures[k].mesh);
        const Frame expected = commandLinePicture(pictures[k], dir);
        EXPECT_EQ(expected.width * 1000 + expected.height, pictures[k].width * 1000 + pictures[k].height);
        EXPECT_TRUE(sameFrame(drawn[k], expected));
    }
    std::remove((std::string(dir) + "/out.bmp").c_str());
    rmdir(dir);
    for (Drawing &d : drawings) {
        closeOffscreen(d.offscreen);
        freeMesh(d.mesh);
    }
}
