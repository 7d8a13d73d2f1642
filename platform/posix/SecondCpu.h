#pragma once

namespace quorvane {

// Whether the calling thread may run on more than one CPU, so that work handed to a second
// thread runs beside it. CPUs that are online but outside the thread's affinity do not count:
// there the second thread would only take turns with the first.
bool SecondCpuAtHand();

} // namespace quorvane
