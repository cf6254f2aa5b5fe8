#pragma once

#include <QList>

#include <optional>

namespace core {

// A choice of numbers, such as the groups picked for a customer. std::nullopt means that
// nothing was chosen at all, which is not the same as an empty choice.
using NumberList = std::optional<QList<int>>;

// The 0-based position of the first element equal to n, or -1 when there is none or when the
// list is std::nullopt.
qsizetype IndexOfNumber(const NumberList &list, int n);

} // namespace core
