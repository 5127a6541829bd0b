#include "tests/scratch.hpp"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace scratch {

mailbox_dir::mailbox_dir() {
    std::string templ = (std::filesystem::temp_directory_path() / "boardmap-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = templ;
}

mailbox_dir::~mailbox_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void mailbox_dir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary | std::ios::trunc) << bytes;
}

std::string mailbox_dir::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool mailbox_dir::exists(const std::string& name) const {
    return std::filesystem::exists(std::filesystem::symlink_status(file(name)));
}

std::vector<std::string> mailbox_dir::names() const {
    std::vector<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        result.push_back(entry.path().filename().string());
    }
    std::sort(result.begin(), result.end());
    return result;
}

namespace {

std::string drain(int fd) {
    std::string bytes;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0) {
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
    }
    return bytes;
}

// Forks a child with standard output and error on files, runs body in it, and collects.
outcome capture(const std::string& dir, const std::function<void()>& body) {
    std::FILE* out_file = std::tmpfile();
    std::FILE* err_file = std::tmpfile();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::fileno(out_file), 1);
        ::dup2(::fileno(err_file), 2);
        if (::chdir(dir.c_str()) != 0) {
            ::_exit(127);
        }
        body();
        std::fflush(nullptr);
        ::_exit(0);
    }
    int wait_status = 0;
    ::waitpid(pid, &wait_status, 0);
    outcome result;
    ::lseek(::fileno(out_file), 0, SEEK_SET);
    ::lseek(::fileno(err_file), 0, SEEK_SET);
    result.out = drain(::fileno(out_file));
    result.err = drain(::fileno(err_file));
    std::fclose(out_file);
    std::fclose(err_file);
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    return result;
}

} // namespace

outcome run_in_child(const std::string& dir, const std::function<void()>& fn) {
    return capture(dir, fn);
}

outcome run_program(const std::string& dir, const std::vector<std::string>& argv,
                    const std::vector<std::string>& extra_env) {
    return capture(dir, [&] {
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        std::vector<char*> env;
        for (char** e = environ; *e != nullptr; ++e) {
            env.push_back(*e);
        }
        for (const std::string& entry : extra_env) {
            env.push_back(const_cast<char*>(entry.c_str()));
        }
        env.push_back(nullptr);
        ::execve(args[0], args.data(), env.data());
        ::_exit(126);
    });
}

namespace {

void interrupt_open(int) {}

// The state letter in /proc/PID/stat: 'S' while asleep, as in an open that waits.
char process_state(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t name_end = line.rfind(')');
    return name_end != std::string::npos && name_end + 2 < line.size() ? line[name_end + 2] : '?';
}

} // namespace

// The child's open is interrupted by SIGUSR1 when released() asks, or by an alarm should nothing
// ever ask; it ends with status 1 if the open succeeded, that is, if a reader released it.
fifo_writer::fifo_writer(const std::string& path) {
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        struct sigaction interrupt {};
        interrupt.sa_handler = interrupt_open; // no SA_RESTART: the open returns EINTR
        ::sigaction(SIGUSR1, &interrupt, nullptr);
        ::sigaction(SIGALRM, &interrupt, nullptr);
        ::alarm(60);
        ::_exit(::open(path.c_str(), O_WRONLY) >= 0 ? 1 : 0);
    }
    for (int tries = 0; tries < 10000 && process_state(pid_) != 'S'; ++tries) {
        ::usleep(1000);
    }
}

fifo_writer::~fifo_writer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool fifo_writer::released() {
    // A writer that a reader woke returns from its open even when the signal comes with it.
    ::kill(pid_, SIGUSR1);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

std::string visible(const std::string& bytes) {
    std::string shown;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (byte < 0x20 || byte >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace scratch
