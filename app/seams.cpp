#include "app/seams.h"

namespace seams {

Seams &current()
{
    static Seams seams;
    return seams;
}

void reset()
{
    current() = Seams{};
}

} // namespace seams
