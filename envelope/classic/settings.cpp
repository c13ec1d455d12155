#include "envelope/classic/settings.hpp"

namespace envelope {

settings start_up() { return {-1.0, 1.0, 2.0, 4, 0.0, 0.1, 1e-8, 1e-7, false, nullptr}; }

settings for_density(const sin_cos::detail::shape& law, double xini, double xfin)
{
    settings s = start_up();
    s.H = law.H;
    s.M = law.M;
    s.Xini = xini;
    s.Xfin = xfin;
    return s;
}

}  // namespace envelope
