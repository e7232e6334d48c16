#include "process.hpp"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {
namespace {

// The streams go through files, not pipes: no deadlock whatever the child
// reads or writes, and nothing to poll.
std::string makeTempFile(const std::string& text) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kevor-e2e-io-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("cannot create a temporary file");
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) throw std::runtime_error("cannot write a temporary file");
        done += size_t(n);
    }
    ::close(fd);
    return pattern;
}

// A program that waits for ever (for input that never comes, on a FIFO)
// is ended by SIGALRM instead of holding up the tests.
constexpr unsigned kTimeLimitSeconds = 120;

std::vector<char*> argvOf(std::vector<std::string>& text) {
    std::vector<char*> argv;
    for (std::string& a : text) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

[[noreturn]] void execInFolder(const std::string& program, std::vector<char*>& argv, const std::string& workFolder) {
    alarm(kTimeLimitSeconds);
    if (!workFolder.empty() && chdir(workFolder.c_str()) != 0) _exit(126);
    execv(program.c_str(), argv.data());
    _exit(127);
}

ProcessResult endOf(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ProcessResult result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input, const std::string& workFolder) {
    const std::string inPath = makeTempFile(input);
    const std::string outPath = makeTempFile("");
    const std::string errPath = makeTempFile("");

    std::vector<std::string> argvText;
    argvText.push_back(program);
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv = argvOf(argvText);

    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int in = open(inPath.c_str(), O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_TRUNC);
        const int err = open(errPath.c_str(), O_WRONLY | O_TRUNC);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execInFolder(program, argv, workFolder);
    }
    ProcessResult result = endOf(pid);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    std::remove(inPath.c_str());
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

ProcessResult runInTerminal(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workFolder, const std::string& waitFor,
                            const std::string& typed) {
    std::vector<std::string> argvText;
    argvText.push_back(program);
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv = argvOf(argvText);

    std::fflush(nullptr);
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) throw std::runtime_error("forkpty failed");
    if (pid == 0) execInFolder(program, argv, workFolder);

    std::string shown;
    bool typedYet = false;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(terminal, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // EIO: the program has ended and its terminal is gone
        shown.append(chunk, size_t(n));
        if (!typedYet && shown.find(waitFor) != std::string::npos) {
            typedYet = true;
            if (::write(terminal, typed.data(), typed.size()) != ssize_t(typed.size())) break;
        }
    }
    ::close(terminal);
    ProcessResult result = endOf(pid);
    result.out = shown;
    return result;
}

}  // namespace e2e
