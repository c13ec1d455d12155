#include "sin_cos/unfused.hpp"

namespace law {

double unfused_call(double v) { return v; }

}  // namespace law
