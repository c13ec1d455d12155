#include "sin_cos/detail/unfused.hpp"

namespace sin_cos::detail {

double unfused_call(double v) { return v; }

}  // namespace sin_cos::detail
