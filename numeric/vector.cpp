#include "numeric/vector.hpp"

#include <cstdint>
#include <cstdlib>

#include "numeric/error.hpp"

namespace numeric {

Vector::~Vector() { std::free(block_); }

Vector vector(int nl, int nh)
{
    // nh - nl + 2 doubles; the count is formed in 64 bits so that extreme
    // bounds are refused by the allocator rather than wrapping around.
    const std::uint64_t count = static_cast<std::uint64_t>(static_cast<std::int64_t>(nh) - nl + 2);
    void* block = std::malloc(count * sizeof(double));
    if (block == nullptr) nrerror("allocation failure in vector()");
    return Vector(static_cast<double*>(block), nl);
}

void free_vector(Vector& v, int /*nl*/, int /*nh*/)
{
    std::free(v.block_);
    v.block_ = nullptr;
}

}  // namespace numeric
