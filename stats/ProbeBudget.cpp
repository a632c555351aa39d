#include "ProbeBudget.h"

#include <algorithm>

CProbeBudget& CProbeBudget::Process()
{
    static CProbeBudget s_budget;
    return s_budget;
}

void CProbeBudget::Refill(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - m_refilled).count();
    if (seconds <= 0)
        return;
    m_refilled = now;
    m_dTokens = std::min(static_cast<double>(kMaxInFlight), m_dTokens + seconds * kMaxPerSecond);
}

bool CProbeBudget::Take(Clock::time_point now)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Refill(now);
    if (m_nInFlight >= kMaxInFlight || m_dTokens < 1.0)
        return false;
    ++m_nInFlight;
    m_dTokens -= 1.0;
    return true;
}

void CProbeBudget::Give()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_nInFlight > 0)
        --m_nInFlight;
}

CProbeBudget::Clock::time_point CProbeBudget::NextToken(Clock::time_point now)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Refill(now);
    const double missing = std::max(0.0, 1.0 - m_dTokens);
    return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(missing / kMaxPerSecond));
}

void CProbeBudget::Spend()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_dTokens = std::min(m_dTokens, 0.0);
}
