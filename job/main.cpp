// The program's entry: the job on the terminal (or on pipes, when it is scripted).
#include "job/console.h"
#include "job/job.h"
#include "job/posix_backend.h"
#include "sim/random.h"

int main() {
    auralith::PosixBackend backend;
    auralith::Console console(backend);
    auralith::RandomState random;  // started once, never reseeded
    return auralith::runJob(console, random);
}
