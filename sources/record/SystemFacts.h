#pragma once
// What the system tells a source, put the user's way: an error number in Russian words, and how
// much memory one block may take.
#include <QString>

#include <cstdint>

// The common causes (missing, refused, reset, timed out, no permission, unreachable) in
// Russian; the system's own text for the rare rest.
QString systemErrorText(int error);

// Half the machine's physical memory: a description or a peer that asks for more is refused
// before anything is allocated, however the memory is overcommitted.
uint64_t blockMemoryLimit();

// "1234567 байт (1.2 МиБ)", for messages that compare sizes.
QString byteSizeText(uint64_t bytes);
