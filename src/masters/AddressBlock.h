#pragma once

#include "data/Buffers.h"

#include <QString>

#include <array>

// The address block of a customer: up to five lines with the name and the postal address,
// used for the bill-to and ship-to addresses of documents and for labels.
namespace masters {

using AddressLines = std::array<QString, 5>;

// Built from the customer buffer. By-name mode puts the name line first and addr1 second;
// company mode puts addr1 (the company) first and the name second; addr2 to addr4 follow.
// The postal code goes after the last non-empty line, two blanks apart, or on a line of its own
// indented by 20 blanks when that line is longer than 22 characters (on line 4, which has no
// line after it, it stays on the line).
AddressLines BuildAddressBlock(const data::CustomerBuffer &customer, bool byName);

} // namespace masters
