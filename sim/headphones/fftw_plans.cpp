#include "sim/headphones/fftw_plans.h"

namespace auralith {

int powerOfTwoAtLeast(long long n) {
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

}  // namespace auralith
