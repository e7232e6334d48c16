// kevor-measure: runs a program with its standard input and output taken
// from and sent to files, and reports the whole process's wall time and
// peak resident memory.
//
//   kevor-measure LABEL INPUT OUTPUT PROGRAM [ARGS...]
//
// Prints one line "LABEL  <seconds> s  <megabytes> MB" (and the exit code
// when it is not 0); exits with the program's exit code.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: kevor-measure LABEL INPUT OUTPUT PROGRAM [ARGS...]\n");
        return 2;
    }
    const char* label = argv[1];
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("kevor-measure: fork");
        return 2;
    }
    if (pid == 0) {
        const int in = open(argv[2], O_RDONLY);
        const int out = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) {
            std::perror("kevor-measure: input or output file");
            _exit(126);
        }
        dup2(in, 0);
        dup2(out, 1);
        execv(argv[4], argv + 4);
        std::perror("kevor-measure: exec");
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("kevor-measure: wait");
            return 2;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double megabytes = double(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kB on Linux
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%-58s %7.2f s %8.1f MB", label, seconds, megabytes);
    if (code != 0) std::printf("   exit code %d", code);
    std::printf("\n");
    std::fflush(stdout);
    return code;
}
