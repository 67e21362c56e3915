#include "ui/view_motion.h"

bool turnCamera(ViewState &view, int key)
{
    // No angle is wrapped or clamped: the camera passes smoothly over the
    // poles because the up vector follows the polar angle.
    switch (key) {
    case arrowKeyLeft:
        view.viewPhi -= view.angleStep;
        return true;
    case arrowKeyRight:
        view.viewPhi += view.angleStep;
        return true;
    case arrowKeyUp:
        view.viewTheta -= view.angleStep;
        return true;
    case arrowKeyDown:
        view.viewTheta += view.angleStep;
        return true;
    default:
        return false;
    }
}

bool advanceSpin(ViewState &view)
{
    if (!view.animate) {
        return false;
    }
    double angle = static_cast<double>(view.spinAngle) + view.spinStep;
    if (angle > 360.0) {
        angle -= 360.0;
    }
    view.spinAngle = static_cast<float>(angle);
    return true;
}
