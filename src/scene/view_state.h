// The scene's parameters: camera, step sizes, model scale and the flags of
// the drawing modes.  A plain record that drawing and commands take as a
// parameter; the viewer holds one of them for its whole run.
#pragma once

// Flags hold 0 or 1; any non-zero value counts as on.
struct ViewState {
    double eyeDistance;  // camera distance from the origin
    double viewTheta;    // camera polar angle from +z, radians
    double viewPhi;      // camera azimuth from +x towards +y, radians
    double angleStep;    // radians turned per arrow-key press
    float spinAngle;     // model rotation about z, degrees
    float spinStep;      // degrees added per idle call while animating
    float scale;         // model scale (fit-to-view, then zoomed)
    float zScale;        // extra scale on z: relief exaggeration
    int smoothShading;
    int animate;
    int showMesh;
    int wireFrame;
    int showAxis;
    int light1On;
    int light2On;
    int clipping;
    int reverseSurface;
};

// The start values of every field.
extern const ViewState initialViewState;

// Stores 1 in a flag that holds 0, and 0 in any other.
inline void toggle(int &flag) { flag = flag == 0 ? 1 : 0; }

// A window's width / height as the viewer stores it: in double, rounded
// once to float.  A zero height (a minimised window) gives an infinite or
// NaN ratio.
inline float aspectRatioOf(int width, int height)
{
    return static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
}
