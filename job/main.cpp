// The program's entry: the job on the console or terminal (or on pipes, when it is scripted).
#include "job/console/console.h"
#include "job/driver/job.h"
#include "sim/model/extended_math.h"
#include "sim/model/random.h"
#ifdef _WIN32
#include "job/windows/windows_console.h"
#else
#include "job/posix/posix_console.h"
#endif

int main() {
    auralith::useExtendedPrecision();  // before any number is computed
#ifdef _WIN32
    auralith::WindowsConsole backend;
#else
    auralith::PosixConsole backend;
#endif
    auralith::Console console(backend);
    auralith::RandomState random;  // started once, never reseeded
    return auralith::runJob(console, random);
}
