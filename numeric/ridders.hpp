#pragma once

namespace numeric {

// A function solved for its second argument; the first and third are values
// carried through every evaluation unchanged.
using root_function = double (*)(double, double, double);

// Ridders' method on the bracket [x1, x2] of func(c1, x, c2), to the absolute
// tolerance xacc. Ends the process when the ends do not bracket a root or the
// iteration limit is reached.
double zriddr(root_function func, double c1, double x1, double x2, double xacc, double c2);

}  // namespace numeric
