#pragma once
// One hop's figures over a watch, in constant memory: counts, the running mean and sum of
// squared deviations of the round trips (Welford), best, worst and last, and the nodes
// that answered with how often. Keeps no samples; the chart's history is kept elsewhere.

#include <string>
#include <utility>
#include <vector>

class CHopStatistics {
public:
    static constexpr std::size_t kMaxResponders = 16; // nodes told apart; later ones are counted, not named

    void AddSent();
    // A probe counted as sent that never went out (the probe helper had no room for it).
    void WithdrawSent();
    // An answer from strResponder (its address as text) after dRttMs ms to a probe of round nRound.
    void AddAnswer(const std::string& strResponder, double dRttMs, unsigned nRound);
    // A probe of round nRound that got no answer in time.
    void AddLoss(unsigned nRound);
    void SetName(const std::string& strName) { m_strName = strName; }

    unsigned Sent() const { return m_nSent; }
    unsigned Received() const { return m_nReceived; }
    unsigned Lost() const { return m_nLost; }
    // Of the probes decided (answered or lost), the lost ones in percent; 0 before any is decided.
    double LossPercent() const;
    // False until an answer came; the times below are then NaN.
    bool HasTimes() const { return m_nReceived > 0; }
    double LastMs() const;
    double MeanMs() const;
    double BestMs() const;
    double WorstMs() const;
    // The sample standard deviation (n - 1); 0 with one answer.
    double StdDevMs() const;
    // The round of the latest probe decided; 0 before any.
    unsigned LastRound() const { return m_nLastRound; }

    // The node that answered most often ("" when none); the first seen wins a tie.
    std::string Responder() const;
    // The other nodes that answered, most frequent first.
    std::vector<std::string> OtherResponders() const;
    // The reverse name of Responder(); "" until found.
    std::string Name() const { return m_strName; }

private:
    unsigned m_nSent = 0;
    unsigned m_nReceived = 0;
    unsigned m_nLost = 0;
    unsigned m_nLastRound = 0;
    double m_dLastMs = 0;  // ms
    double m_dMeanMs = 0;  // ms
    double m_dSumSquares = 0; // ms², sum of squared deviations from the mean
    double m_dBestMs = 0;  // ms
    double m_dWorstMs = 0; // ms
    std::vector<std::pair<std::string, unsigned>> m_responders; // node, answers; in order of first answer
    std::string m_strName;
};
