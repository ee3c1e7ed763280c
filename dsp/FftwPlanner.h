#pragma once
// FFTW's planner is not thread-safe: every plan creation and destruction takes this lock.
#include <mutex>
#include <string>

std::mutex &fftwPlannerMutex();

// Holds the planner while one plan is made. Measured plans depend on timings, and another plan
// gives results that differ in the last bits: what the planner learnt is kept on disk
// ("ORMA_FFTW_WISDOM", else the user's cache folder) and reused, so that a record gives the
// same figures in every run on this machine.
class FftwPlanning {
public:
    FftwPlanning();
    ~FftwPlanning();
    FftwPlanning(const FftwPlanning &) = delete;
    FftwPlanning &operator=(const FftwPlanning &) = delete;

private:
    std::lock_guard<std::mutex> m_lock;
};

// Where the planner's knowledge is kept; empty when nowhere.
std::string fftwWisdomPath();
