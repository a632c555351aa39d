#pragma once
// A program the tests start: its standard output and error are caught through pipes.
// Either run to its end (Run) or kept running until the test ends it (Start, Stop).

#include <string>
#include <vector>

class CChildProcess {
public:
    struct Result {
        int m_exitCode = -1; // -1 when the program did not exit normally
        std::string m_out;
        std::string m_err;
    };

    CChildProcess() = default;
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;
    ~CChildProcess();

    static Result Run(const std::vector<std::string>& argv);

    // Starts the program and waits up to timeoutMs for `line` on its standard output.
    bool StartAndWaitFor(const std::vector<std::string>& argv, const std::string& line, int timeoutMs);
    // Ends a started program with SIGTERM and reaps it; its standard error so far.
    std::string Stop();

private:
    bool Spawn(const std::vector<std::string>& argv);
    void CloseAll();

    int m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
};
