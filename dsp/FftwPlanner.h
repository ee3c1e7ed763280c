#pragma once
// FFTW's planner is not thread-safe: every plan creation and destruction takes this lock.
#include <mutex>

std::mutex &fftwPlannerMutex();
