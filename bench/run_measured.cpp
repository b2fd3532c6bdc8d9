// Runs a command with its standard input from a file and prints its wall time and peak resident
// memory, taken from wait4: "seconds kilobytes status".
//
//   run_measured INPUT COMMAND [ARGS...]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_measured INPUT COMMAND [ARGS...]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int in = ::open(argv[1], O_RDONLY);
        const int null = ::open("/dev/null", O_WRONLY);
        if (in < 0 || null < 0) _exit(127);
        ::dup2(in, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %ld %d\n", seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
