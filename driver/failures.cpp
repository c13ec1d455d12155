#include "driver/failures.hpp"

#include <cstdio>

namespace driver {

int report_failure(const numeric::failure& f)
{
    if (f.status() == numeric::refusal) {
        std::printf("%s\n", f.what());
    } else {
        std::fprintf(stderr, "%s\n", f.what());
        std::fprintf(stderr, "...now exiting to system...\n");
    }
    return f.status();
}

}  // namespace driver
