#include "sin_cos/error.hpp"

namespace sin_cos {

const char* name(errc kind) noexcept
{
    switch (kind) {
    case errc::refused: return "refused";
    case errc::numerical: return "numerical";
    case errc::malformed: return "malformed";
    case errc::unsound: return "unsound";
    case errc::io: return "io";
    case errc::invalid_argument: return "invalid_argument";
    case errc::no_memory: return "no_memory";
    }
    return "unknown";
}

}  // namespace sin_cos
