#pragma once

#include <QString>

namespace Render
{

/// Production numbers (Bates numbers) stamped at the bottom right of every page, one
/// counter across every page and file of a run.
struct BatesNumbers
{
    QString prefix;
    qint64 next = 1;
    int digits = 6;

    /// The label of number `n`: the prefix and the number padded with zeros.
    QString label(qint64 n) const { return prefix + QString::number(n).rightJustified(digits, u'0'); }
    /// The label of the next page, counting it.
    QString take() { return label(next++); }
};

} // namespace Render
