#pragma once
// Delay before the next block: the update period P less the time E the last cycle took, never
// below 50 ms; a cycle longer than the period counts as half a period.
inline int nextBlockDelay(int periodMs, int elapsedMs)
{
    if (elapsedMs > periodMs)
        elapsedMs = periodMs / 2;
    const int delay = periodMs - elapsedMs;
    return delay < 50 ? 50 : delay;
}
