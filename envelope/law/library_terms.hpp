#pragma once

// The toolkit's failures (numeric::failure) in the library's vocabulary, for
// the public classes of the law's room that call into the toolkit.

#include "numeric/error.hpp"
#include "sin_cos/error.hpp"

namespace sin_cos::detail {

// f(), with a toolkit refusal thrown as invalid_argument (the caller has
// already validated the law, so what the toolkit refuses is an argument of
// its own) and any other toolkit failure as numerical.
template <class F>
auto in_library_terms(F f)
{
    try {
        return f();
    } catch (const numeric::failure& e) {
        throw error(e.kind() == numeric::failure_kind::refused ? errc::invalid_argument : errc::numerical, e.what());
    }
}

}  // namespace sin_cos::detail
