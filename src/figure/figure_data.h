// What a figure shows and how: the grid in true values, whatever it was
// read from, and the person's choices for the picture.
#pragma once

#include <string>
#include <vector>

// rows x cols points; point (r, c) is at index r * cols + c.  A z that is
// not finite (NaN: no data) leaves a hole: the cells around it are not
// drawn.  Points with x or y not finite count as no data too.
struct FigureData {
    int rows = 0;
    int cols = 0;
    std::vector<double> x, y, z;
    // Ground units per true unit of x and y (metres per degree, per column
    // index), for the box's proportions; negative when the true values run
    // against the ground's axis (row indices growing southwards).
    double xGround = 1, yGround = 1;
    // Axis titles, and units shown after them in parentheses when given.
    std::string xTitle = "x", yTitle = "y", zTitle = "z";
    std::string xUnit, yUnit, zUnit;
};

enum class ColourMap { Viridis, Gray, Diverging, Earth };

struct FigureStyle {
    int width = 800;
    int height = 600;
    ColourMap colourMap = ColourMap::Viridis;
    bool rangeGiven = false;  // else the map's own range for the data
    double rangeLow = 0.0, rangeHigh = 1.0;
    // The camera's compass bearing from the centre (degrees clockwise
    // from +y) and its elevation above the x-y plane; 180, 90 is the map
    // view (+y up, +x right).
    double azimuth = 202.5;
    double elevation = 30.0;
    double relief = 1.0;  // multiplies the box's height
    float background[3] = {1.0f, 1.0f, 1.0f};
    std::string title;
    // A line under the title: a series' frame label, changed each frame
    // by setFigureLabel without moving anything else.
    std::string label;
};

// Smallest picture a figure is drawn in.
constexpr int minFigureWidth = 320;
constexpr int minFigureHeight = 240;
