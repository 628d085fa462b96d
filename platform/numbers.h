// Object numbers: windows, controls and files are named by small numbers chosen by the caller.
#pragma once

#include <cstdint>

// A number, or for objects made with AutoNumber the identifier that their creation returned.
using ObjectNumber = std::intptr_t;

// Asks for an object outside the numbered table; its creation returns an identifier instead.
constexpr ObjectNumber AutoNumber = -1;

// The highest number a table takes. Identifiers are addresses, which Windows never hands out in
// the lowest 64 KiB; with a table's bound at most 30 past its highest number, table numbers and
// identifiers can never be taken for each other.
constexpr ObjectNumber HighestTableNumber = 65000;
