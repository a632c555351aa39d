#pragma once
// A program the end-to-end test starts, in a process group of its own so that ending it
// also ends whatever it started. Every wait is bounded; the destructor kills what is left.

#include <optional>
#include <string>
#include <vector>

class CProcess {
public:
    struct Result {
        int m_exitCode = -1; // -1: killed at the time limit or ended by a signal
        std::string m_out;   // standard output and error together
    };

    CProcess() = default;
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;
    ~CProcess();

    // Runs argv to its end with `environment` ("NAME=value") added; killed after timeoutMs.
    static Result Run(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                      int timeoutMs);

    // The descriptor number under which Start hands extraFd to the program.
    static constexpr int s_nPassedFd = 3;

    // Starts argv with its output written to logPath and extraFd, if given, as s_nPassedFd.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& logPath, int extraFd = -1);
    bool IsRunning();
    // The exit code once the program ended within timeoutMs; nothing otherwise.
    std::optional<int> WaitExit(int timeoutMs);
    // Asks the whole process group to end (SIGTERM), and kills it after graceMs.
    void Stop(int graceMs);
    // Ends the whole process group with SIGKILL and reaps the program.
    void Kill();
    // Why the last Start failed.
    const std::string& StartError() const { return m_startError; }

private:
    int m_pid = -1;
    std::optional<int> m_exitCode;
    std::string m_startError;
};
