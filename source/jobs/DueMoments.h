#pragma once
// The moments a job falls due: each day its schedule names, at its start time, in the time
// zone of the clock. A start time that a day skips (the hour clocks jump over in spring) is
// due at the first moment after the jump; a time that a day has twice (autumn) is due once.
// A monthly day that a month lacks (29 to 31) is due in the months that have it.

#include <QDateTime>
#include <optional>

class Job;

namespace DueMoments {

// The first due moment later than `after`; nothing when the schedule names no day at all.
std::optional<QDateTime> nextAfter(const Job& job, const QDateTime& after);
// The last due moment at or before `moment`; nothing when none lies within a year before it.
std::optional<QDateTime> latestAtOrBefore(const Job& job, const QDateTime& moment);

}  // namespace DueMoments
