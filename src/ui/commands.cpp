#include "ui/commands.h"

#include "mesh/prepare.h"

// Zoom and scale steps: one press changes a size by 10 per cent.
static constexpr double zoomFactor = 0.9;

// Float settings are computed in double and rounded once when stored.
static void scaleBy(float &value, double factor)
{
    value = static_cast<float>(static_cast<double>(value) * factor);
}

static void divideBy(float &value, double divisor)
{
    value = static_cast<float>(static_cast<double>(value) / divisor);
}

CommandAction applyCommand(ViewState &v, Mesh *mesh, int code)
{
    switch (code) {
    case '*':
        v.spinStep *= 2.0f;
        v.angleStep *= 2.0;
        break;
    case '/':
        v.spinStep *= 0.5f;
        v.angleStep *= 0.5;
        break;
    case '+':
        divideBy(v.scale, zoomFactor);
        break;
    case '-':
    case ';':
        scaleBy(v.scale, zoomFactor);
        break;
    case 'z':
        divideBy(v.zScale, zoomFactor);
        break;
    case 'Z':
        scaleBy(v.zScale, zoomFactor);
        break;
    case 'u':
        v.eyeDistance *= zoomFactor;
        break;
    case 'd':
        v.eyeDistance /= zoomFactor;
        break;
    case '1':
        toggle(v.light1On);
        break;
    case '2':
        toggle(v.light2On);
        break;
    case 'C':
        toggle(v.clipping);
        break;
    case 'a':
        toggle(v.showAxis);
        break;
    case 'c':
        toggle(v.animate);
        break;
    case 'f':
        toggle(v.showMesh);
        v.wireFrame = 0;
        break;
    case 's':
        toggle(v.smoothShading);
        v.wireFrame = 0;
        break;
    case 'w':
        toggle(v.wireFrame);
        break;
    case 'g':
        v.zScale = 1.0f;
        v.showMesh = 1;
        v.wireFrame = 0;
        break;
    case 'r':
        // The flag stays set, so every "r" turns the surface over once more.
        v.reverseSurface = 1;
        if (mesh) {
            v.scale = prepareSurface(*mesh, true);
        }
        break;
    case 'B':
        return CommandAction::SaveImage;
    case 'q':
        return CommandAction::Quit;
    default:
        return CommandAction::None;
    }
    return CommandAction::Redraw;
}
