// The machine identifier stored at start-up as "computerid": 16 characters derived from the first
// network adapter's hardware address, so it stays the same across runs on one machine. Without an
// adapter it is made from a new GUID and differs per run.
#pragma once
#include <cstdint>

#include "core/string.h"

TString MakeComputerId();
// The identifier's characters for an 8-byte address buffer (bytes 6 and 7 are overwritten from
// bytes 3 and 4 first, as the identifier has always been made).
TString ComputerIdFromAddress(const uint8_t address[8]);
