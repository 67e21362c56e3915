// quarvel: an interactive viewer for a surface given as a grid of points.
//
// Keys (also on the right-button menu where marked *):
//   arrows   orbit the camera          u d *   zoom in / out
//   + - ;    model larger / smaller    z Z     relief steeper / flatter
//   * /      faster / slower steps     g       relief and grid back to normal
//   s *      smooth / flat shading     f *     grid over the surface
//   w *      wire frame                a *     axes
//   C *      clip plane                c *     spin
//   1 2 *    lights                    r *     reverse the surface
//   B *      save window as quarvel.bmp        q *  quit
#include "app/startup.h"

int main(int argc, char **argv)
{
    runViewer(argc, argv);
}
