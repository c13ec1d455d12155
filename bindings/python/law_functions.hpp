#pragma once

#include <pybind11/pybind11.h>

namespace sin_cos_python {

// _core.LawFunctions: the law's exact functions over numpy arrays, its
// normalising integral computed once for the law object that keeps it.
void add_law_functions(pybind11::module_& m);

}  // namespace sin_cos_python
