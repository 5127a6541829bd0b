#pragma once

#include <functional>
#include <string>
#include <vector>

namespace scratch {

// A temporary mailbox directory, removed with everything in it when the test ends.
class mailbox_dir {
  public:
    mailbox_dir();
    ~mailbox_dir();
    mailbox_dir(const mailbox_dir&) = delete;
    mailbox_dir& operator=(const mailbox_dir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // Names in the directory, sorted.
    std::vector<std::string> names() const;

  private:
    std::string path_;
};

struct outcome {
    std::string out; // everything written to standard output
    std::string err; // everything written to standard error
    int status = -1; // exit status, or -1 when killed by a signal
};

// Runs fn in a child process whose working directory is dir, capturing its output and exit
// status; fn returning counts as status 0. For routines that end the process on failure.
outcome run_in_child(const std::string& dir, const std::function<void()>& fn);

// Runs the program with the arguments (argv[0] is the program) in dir, optionally with extra
// environment entries ("NAME=value").
outcome run_program(const std::string& dir, const std::vector<std::string>& argv,
                    const std::vector<std::string>& extra_env = {});

// A writer waiting in its open of a FIFO for a reader, as a program that feeds a FIFO waits: any
// open of the FIFO for reading, blocking or not, releases it. Started in a child process, which
// is asleep in the open when the constructor returns.
class fifo_writer {
  public:
    explicit fifo_writer(const std::string& path);
    ~fifo_writer();
    fifo_writer(const fifo_writer&) = delete;
    fifo_writer& operator=(const fifo_writer&) = delete;

    // Whether the FIFO was opened for reading since the writer started waiting; ends the writer.
    bool released();

  private:
    int pid_;
};

// Shows bytes with their control and high bytes escaped, for failure messages.
std::string visible(const std::string& bytes);

} // namespace scratch
