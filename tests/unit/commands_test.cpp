#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "mesh/mesh.h"
#include "ui/commands.h"
#include "ui/view_state.h"

using A = CommandAction;

// Bit for bit: the float rounding is part of the behaviour.
static bool same(const ViewState &a, const ViewState &b)
{
    return std::memcmp(&a, &b, offsetof(ViewState, reverseSurface) + sizeof(int)) == 0;
}

// From the start values and from a state whose flags all hold 7 and whose scale and zScale
// round differently when computed in float or with a float 0.9.
TEST(Commands, ChangeExactlyTheirFields)
{
    const ViewState odd = {7.3, -0.4, 9.1, 0.3, 123.5f, 0.3f, 0.2f, 3.3f, 7, 7, 7, 7, 7, 7, 7, 7,
                           7};
#define K(codes, ...) {codes, [](ViewState &v) { __VA_ARGS__; }}
    struct { const char *codes; void (*change)(ViewState &); } cases[] = {
        K("*", v.spinStep *= 2, v.angleStep *= 2), K("/", v.spinStep /= 2, v.angleStep /= 2),
        K("*/", (void)v), K("u", v.eyeDistance *= 0.9), K("d", v.eyeDistance /= 0.9),
        K("+", v.scale = float(v.scale / 0.9)), K("-", v.scale = float(v.scale * 0.9)),
        K(";", v.scale = float(v.scale * 0.9)), K("z", v.zScale = float(v.zScale / 0.9)),
        K("Z", v.zScale = float(v.zScale * 0.9)), K("rr", v.reverseSurface = 1),  // no mesh
        K("1", v.light1On = !v.light1On), K("2", v.light2On = !v.light2On),
        K("C", v.clipping = !v.clipping), K("a", v.showAxis = !v.showAxis),
        K("c", v.animate = !v.animate), K("w", v.wireFrame = !v.wireFrame),
        K("f", v.showMesh = !v.showMesh, v.wireFrame = 0),
        K("s", v.smoothShading = !v.smoothShading, v.wireFrame = 0),
        K("g", v.zScale = 1, v.showMesh = 1, v.wireFrame = 0),
    };
    theMesh = nullptr;
    for (const ViewState &base : {initialViewState, odd}) {
        for (auto &c : cases) {
            ViewState want = viewState = base;
            c.change(want);
            for (const char *p = c.codes; *p; ++p) EXPECT_EQ(applyCommand(*p), A::Redraw) << p;
            EXPECT_TRUE(same(viewState, want)) << c.codes << " from flags " << base.showMesh;
        }
    }
    // Every other code leaves the state alone.
    for (int code = 0; code < 256; ++code) {
        if (code && std::strchr("*/+-;zZud12Cacfswgr", code)) continue;
        viewState = odd;
        EXPECT_EQ(applyCommand(code), code == 'B' ? A::SaveImage : code == 'q' ? A::Quit : A::None)
            << code;
        EXPECT_TRUE(same(viewState, odd)) << code;
    }
    viewState = initialViewState;
}
