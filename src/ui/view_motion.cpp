// What arrow keys, resizing and the spin do to the view settings, without
// GLUT, so the offscreen renderer changes the view with the same code.
#include "ui/view_callbacks.h"

#include "ui/view_state.h"

bool turnCamera(int key)
{
    // No angle is wrapped or clamped: the camera passes smoothly over the
    // poles because the up vector follows the polar angle.
    switch (key) {
    case arrowKeyLeft:
        viewState.viewPhi -= viewState.angleStep;
        return true;
    case arrowKeyRight:
        viewState.viewPhi += viewState.angleStep;
        return true;
    case arrowKeyUp:
        viewState.viewTheta -= viewState.angleStep;
        return true;
    case arrowKeyDown:
        viewState.viewTheta += viewState.angleStep;
        return true;
    default:
        return false;
    }
}

void setAspectRatio(int width, int height)
{
    // A zero height (a minimised window) gives an infinite or NaN ratio for
    // that moment only; the next resize with a real height restores it.
    aspectRatio = static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
}

bool advanceSpin()
{
    if (!viewState.animate) {
        return false;
    }
    double angle = static_cast<double>(viewState.spinAngle) + viewState.spinStep;
    if (angle > 360.0) {
        angle -= 360.0;
    }
    viewState.spinAngle = static_cast<float>(angle);
    return true;
}
