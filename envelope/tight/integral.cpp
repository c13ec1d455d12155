#include "envelope/tight/integral.hpp"

#include "envelope/law/integral.hpp"

namespace envelope::tight {

double integral(const density& d) { return sin_cos::detail::integral(d.h, d.m, d.xini, d.xfin); }

}  // namespace envelope::tight
