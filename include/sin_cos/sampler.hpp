#pragma once

// The sin_cos library: every public name is in namespace sin_cos.
//
//     #include <sin_cos/sampler.hpp>
//     sin_cos::distribution cos_theta(sin_cos::build_table(sin_cos::law{-1.0, 1.0, 2.0, 4}, 5000));
//     std::mt19937_64 rng(12345);
//     double x = cos_theta(rng);

#include "build.hpp"
#include "distribution.hpp"
#include "error.hpp"
#include "table_text.hpp"
#include "whole_file.hpp"
#include "law.hpp"
#include "table.hpp"
