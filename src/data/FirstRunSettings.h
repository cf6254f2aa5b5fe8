#pragma once

#include "data/Buffers.h"

namespace data {

// The settings record the program is supplied with: what a new user starts from.
inline Settings firstRunSettings()
{
    Settings s;
    s.InvTitle = QStringLiteral("Invoice");
    s.EstTitle = QStringLiteral("Estimate");
    s.ShipLine = QStringLiteral("Shipping");
    s.TaxLine = QStringLiteral("Sales Tax");
    s.TaxRate1 = 0;
    s.TaxRate2 = 0;
    s.ShipTax = 1;
    s.TaxRound = 1;
    s.LHJustify = 1;
    s.TopMargin = 0.5;
    s.LogoHeight = 1;
    s.LogoWidth = 1;
    s.ByCust = true;  // customers by name
    s.fifo = true;    // first-in first-out costing
    return s;
}

} // namespace data
