#pragma once

#include <cstddef>

namespace numeric {

// A heap block of doubles addressed by indices nl..nh. Element nl sits on the
// block's second double, the first being a spare, so the handle never points
// before the block. Owns its block: free_vector releases it early, the
// destructor otherwise.
class Vector {
public:
    Vector(double* block, int nl) : block_(block), nl_(nl) {}
    Vector(const Vector&) = delete;
    Vector& operator=(const Vector&) = delete;
    Vector(Vector&& other) noexcept : block_(other.block_), nl_(other.nl_) { other.block_ = nullptr; }
    Vector& operator=(Vector&&) = delete;
    ~Vector();

    double& operator[](int i) { return block_[static_cast<std::ptrdiff_t>(i) - nl_ + 1]; }
    double operator[](int i) const { return block_[static_cast<std::ptrdiff_t>(i) - nl_ + 1]; }
    double* block() const { return block_; }

private:
    friend void free_vector(Vector& v, int nl, int nh);
    double* block_;
    int nl_;
};

// Fresh vector with indices nl..nh (nh >= nl); contents uninitialised.
// A refused allocation is a numerical failure (nrerror).
Vector vector(int nl, int nh);

// Returns the block of v to the heap. nh mirrors the vector() call only.
void free_vector(Vector& v, int nl, int nh);

}  // namespace numeric
