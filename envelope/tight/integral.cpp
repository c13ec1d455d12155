#include "envelope/tight/integral.hpp"

#include "envelope/law/integral.hpp"

namespace envelope::tight {

double integral(const density& d) { return law::integral(d.h, d.m, d.xini, d.xfin); }

}  // namespace envelope::tight
