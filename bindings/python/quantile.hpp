#pragma once

#include <pybind11/pybind11.h>

namespace sin_cos_python {

// Adds the class Quantile to the module.
void add_quantile(pybind11::module_& m);

}  // namespace sin_cos_python
