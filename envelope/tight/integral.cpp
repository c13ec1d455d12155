#include "envelope/tight/integral.hpp"


namespace envelope::tight {

double integral(const density& d) { return d.law.integral(d.xini, d.xfin); }

}  // namespace envelope::tight
