// auralith-compare: the six arrays side by side, with their numbers, markers and a picture.
#include <string>
#include <vector>

#include "job/compare/progress.h"
#include "job/compare/run.h"
#include "sim/model/extended_math.h"

int main(int argc, char** argv) {
    auralith::useExtendedPrecision();  // before any number is computed
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return auralith::compareMain(args, {stdout, stderr, auralith::standardErrorIsTerminal()});
}
