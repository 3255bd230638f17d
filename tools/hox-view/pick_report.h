// How the viewer tells what a pick found, one line per object on standard
// output, in a form a person reads and a test parses:
//   pick: "gold sphere" distance 7.214 position (0.412, 0.871, -0.120)
//   pick: nothing at (12, 40)
//   region (window) (10, 10)-(200, 120): 2 object(s)
//     "gold sphere" bounds (-0.2, 0, -1)-(1, 1.2, 0.2)
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hox/selection.h"

namespace hox_view {

// The name of an object by its handle value; "" when it has none.
using ObjectNamer = std::function<std::string(unsigned int)>;

std::string describePixelPick(const hox::SelectionResult* hit, int x, int y, const ObjectNamer& name);
// Drawn to the right: window mode (only objects wholly inside); to the left:
// crossing mode (also those touching it).
std::vector<std::string> describeRegionPick(const std::vector<hox::SelectionResult>& hits, int x0, int y0, int x1,
                                            int y1, const ObjectNamer& name);

}  // namespace hox_view
