#include "ProbeClient.h"

#include "BlockingHook.h"
#include "ModuleFileName.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef QUORAIL_BIN_TO_LIBEXEC
#define QUORAIL_BIN_TO_LIBEXEC "../libexec"
#endif

namespace win {

namespace {

constexpr const char* kHelperName = "quorail-probe";
constexpr std::chrono::milliseconds kStartLimit{5000};

std::string ProgramDirectory()
{
    char path[PATH_MAX] = {};
    if (GetModuleFileNameA(nullptr, path, sizeof path) == 0)
        return {};
    const std::string program(path);
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

int PollMs(std::chrono::steady_clock::duration left)
{
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, kBlockingHookIntervalMs));
}

std::mutex& SharedLock()
{
    static std::mutex s_lock;
    return s_lock;
}

std::shared_ptr<CProbeClient>& SharedClient()
{
    static std::shared_ptr<CProbeClient> s_client;
    return s_client;
}

} // namespace

CProbeClient::CProbeClient(pid_t pid, int fd)
    : m_pid(pid)
    , m_fd(fd)
{
}

CProbeClient::~CProbeClient()
{
    ::close(m_fd); // the helper ends when its input closes
    int status = 0;
    ::waitpid(m_pid, &status, 0);
}

std::string& CProbeClient::OverridePath()
{
    static std::string s_path;
    return s_path;
}

void CProbeClient::SetHelperPath(const std::string& path)
{
    OverridePath() = path;
}

std::vector<std::string> CProbeClient::HelperCandidates()
{
    if (!OverridePath().empty())
        return {OverridePath()};
    const std::string here = ProgramDirectory();
    if (here.empty())
        return {};
    return {here + "/" + kHelperName, here + "/../probe/" + kHelperName,
            here + "/" + QUORAIL_BIN_TO_LIBEXEC + "/quorail/" + kHelperName};
}

std::shared_ptr<CProbeClient> CProbeClient::Shared(int& error)
{
    std::lock_guard<std::mutex> guard(SharedLock());
    std::shared_ptr<CProbeClient>& client = SharedClient();
    if (client && client->Alive())
        return client;
    client.reset();
    error = ENOENT;
    for (const std::string& path : HelperCandidates()) {
        if (::access(path.c_str(), X_OK) != 0)
            continue;
        client = Start(path, error);
        return client;
    }
    return nullptr;
}

std::unique_ptr<CProbeClient> CProbeClient::Start(const std::string& path, int& error)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = errno;
        return nullptr;
    }
    char* const argv[] = {const_cast<char*>(kHelperName), nullptr};
    char* const environment[] = {nullptr};
    // posix_spawn shares the caller's memory until the exec instead of copying its page
    // tables as fork does: a few milliseconds less for a program as large as the window.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environment);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (spawned != 0) {
        error = spawned;
        ::close(pair[0]);
        return nullptr;
    }
    std::unique_ptr<CProbeClient> client(new CProbeClient(pid, pair[0]));
    if (!client->AwaitReady(error))
        return nullptr;
    return client;
}

// The helper's first line: "ready" or "ready SENDS", or "error ERRNO".
bool CProbeClient::AwaitReady(int& error)
{
    const Clock::time_point until = Clock::now() + kStartLimit;
    std::string line;
    while (line.find('\n') == std::string::npos && line.size() < CProbeProtocol::kMaxLine) {
        pollfd entry{m_fd, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
        char byte = 0;
        if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0 || ::read(m_fd, &byte, 1) != 1)
            break;
        line += byte;
    }
    const std::string ready = std::string(CProbeProtocol::kReady);
    if (line == ready + "\n")
        return true;
    if (line.rfind(ready + " ", 0) == 0 && line.back() == '\n') {
        const auto sends = CProbeProtocol::ParseNumber(std::string_view(line).substr(ready.size() + 1, line.size() - ready.size() - 2),
                                                       CProbeProtocol::kMaxInFlight);
        if (sends) {
            m_turns = static_cast<double>(*sends); // what this start may send at once
            m_turnsTime = Clock::now();
            return true;
        }
    }
    error = EACCES;
    if (line.rfind("error ", 0) == 0) {
        const auto number = CProbeProtocol::ParseNumber(std::string_view(line).substr(6, line.size() - 7), INT_MAX);
        if (number && *number != 0)
            error = static_cast<int>(*number);
    }
    return false;
}

bool CProbeClient::Alive()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return !m_dead;
}

pid_t CProbeClient::HelperPid() const
{
    return m_pid;
}

bool CProbeClient::SendRaw(const std::string& bytes)
{
    return Send(bytes);
}

bool CProbeClient::Send(const std::string& line)
{
    std::lock_guard<std::mutex> guard(m_sendLock);
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t put = ::send(m_fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        sent += static_cast<std::size_t>(put);
    }
    return true;
}

CProbeAnswer CProbeClient::Echo(const CIpAddress& destination, BYTE ttl, BYTE dataSize, DWORD timeoutMs)
{
    const std::optional<DWORD> token = Submit(destination, ttl, dataSize, timeoutMs);
    if (!token)
        return {0, false, IP_GENERAL_FAILURE, 0, {}};
    std::unique_lock<std::mutex> lock(m_lock);
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeoutMs) + kAnswerGrace;
    Clock::time_point lastHook = Clock::now();
    for (;;) {
        if (std::optional<CProbeAnswer> answer = AnswerOrRead(*token, until, lock))
            return *answer;
        if (m_dead || Clock::now() >= until || IsBlockingCallCancelled()) {
            const DWORD status = m_dead ? IP_GENERAL_FAILURE : IP_REQ_TIMED_OUT;
            lock.unlock();
            Abandon(*token);
            return {*token, false, status, 0, {}};
        }
        if (HasBlockingHook() && Clock::now() - lastHook >= std::chrono::milliseconds(kBlockingHookIntervalMs)) {
            lock.unlock();
            CallBlockingHook();
            lock.lock();
            lastHook = Clock::now();
        }
    }
}

std::optional<DWORD> CProbeClient::Submit(const CIpAddress& destination, BYTE ttl, BYTE dataSize, DWORD timeoutMs,
                                          bool turnReserved)
{
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_dead)
        return std::nullopt;
    if (!turnReserved) {
        RefillTurns(Clock::now());
        m_turns -= 1.0;
    }
    const DWORD token = ++m_nextToken;
    m_waiting.insert(token);
    lock.unlock();
    const bool sent = Send(CProbeProtocol::FormatRequest({token, destination, ttl, dataSize, timeoutMs}));
    lock.lock();
    if (sent)
        return token;
    m_waiting.erase(token);
    Die();
    return std::nullopt;
}

bool CProbeClient::ReserveTurn()
{
    std::lock_guard<std::mutex> guard(m_lock);
    RefillTurns(Clock::now());
    if (m_turns < 1.0)
        return false;
    m_turns -= 1.0;
    return true;
}

// The helper counts a request when it arrives, a little after it was counted here, so
// it never has fewer sends to come than this count.
void CProbeClient::RefillTurns(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - m_turnsTime).count();
    m_turnsTime = now;
    m_turns = std::min<double>(CProbeProtocol::kMaxInFlight, m_turns + seconds * CProbeProtocol::kMaxPerSecond);
}

// While a waiter of Echo reads, it files the answers; reading beside it would split lines.
void CProbeClient::ReadReady()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_dead || m_reading)
        return;
    char bytes[4096];
    for (;;) {
        const ssize_t got = ::recv(m_fd, bytes, sizeof bytes, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (got <= 0) {
            Die();
            break;
        }
        m_input.append(bytes, static_cast<std::size_t>(got));
        if (!TakeLines()) {
            Die();
            break;
        }
    }
    m_answered.notify_all();
}

std::optional<CProbeAnswer> CProbeClient::Collect(DWORD token)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (std::optional<CProbeAnswer> answer = TakeAnswer(token))
        return answer;
    if (!m_dead)
        return std::nullopt;
    m_waiting.erase(token);
    return CProbeAnswer{token, false, IP_GENERAL_FAILURE, 0, {}};
}

// A request still unanswered is cancelled, so that it no longer takes one of the
// helper's places in flight.
void CProbeClient::Abandon(DWORD token)
{
    std::unique_lock<std::mutex> lock(m_lock);
    const bool answered = m_answers.erase(token) != 0;
    const bool unanswered = m_waiting.erase(token) != 0 && !answered && !m_dead;
    lock.unlock();
    if (unanswered && !Send(CProbeProtocol::FormatCancel(token))) {
        lock.lock();
        Die();
    }
}

int CProbeClient::Fd() const
{
    return m_fd;
}

std::optional<CProbeAnswer> CProbeClient::TakeAnswer(DWORD token)
{
    const auto found = m_answers.find(token);
    if (found == m_answers.end())
        return std::nullopt;
    const CProbeAnswer answer = found->second;
    m_answers.erase(found);
    m_waiting.erase(token);
    return answer;
}

// The token's answer when it is there; otherwise reads (or waits for the reader) for at
// most one blocking-hook interval.
std::optional<CProbeAnswer> CProbeClient::AnswerOrRead(DWORD token, Clock::time_point until,
                                                       std::unique_lock<std::mutex>& lock)
{
    if (std::optional<CProbeAnswer> answer = TakeAnswer(token))
        return answer;
    if (m_dead)
        return std::nullopt;
    if (m_reading) {
        m_answered.wait_for(lock, std::chrono::milliseconds(kBlockingHookIntervalMs));
        return std::nullopt;
    }
    ReadAvailable(lock, until);
    return std::nullopt;
}

void CProbeClient::ReadAvailable(std::unique_lock<std::mutex>& lock, Clock::time_point until)
{
    m_reading = true;
    lock.unlock();
    pollfd entry{m_fd, POLLIN, 0};
    char bytes[4096];
    ssize_t got = 1;
    int error = 0;
    if (::poll(&entry, 1, PollMs(until - Clock::now())) > 0) {
        got = ::recv(m_fd, bytes, sizeof bytes, MSG_DONTWAIT);
        error = got < 0 ? errno : 0;
    }
    lock.lock();
    m_reading = false;
    if (got == 0 || (got < 0 && error != EAGAIN && error != EINTR)) {
        Die();
    } else if (entry.revents != 0 && got > 0) {
        m_input.append(bytes, static_cast<std::size_t>(got));
        if (!TakeLines())
            Die();
    }
    m_answered.notify_all();
}

// Files every complete answer line under its token; false on a malformed one.
bool CProbeClient::TakeLines()
{
    for (std::size_t end = m_input.find('\n'); end != std::string::npos; end = m_input.find('\n')) {
        const std::optional<CProbeAnswer> answer = CProbeProtocol::ParseAnswer(std::string_view(m_input).substr(0, end));
        m_input.erase(0, end + 1);
        if (!answer)
            return false;
        if (m_waiting.count(answer->m_token) != 0)
            m_answers[answer->m_token] = *answer;
    }
    return m_input.size() < CProbeProtocol::kMaxLine;
}

// Every waiting request fails; the helper is ended, and reaped by the destructor. The
// socket stays open until then, so that a reader polling it meanwhile sees it hang up.
void CProbeClient::Die()
{
    if (m_dead)
        return;
    m_dead = true;
    ::kill(m_pid, SIGKILL);
    ::shutdown(m_fd, SHUT_RDWR);
    m_answered.notify_all();
}

} // namespace win
