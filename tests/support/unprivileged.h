// Tests whose point is that a process may not write somewhere: root writes through permission
// bits, so when the suite runs as root (as in CI) such a test runs again as the user "nobody".
#pragma once

namespace vantorel::testing {

// Call first in a test body: `if (RunAgainUnprivileged()) return;`. As root, runs the current
// test again in a new process of this test program as "nobody" (setpriv), records a failure
// unless that run passes, and returns true; the test is skipped when setpriv is missing. As
// any other user it returns false and the test body runs here. The second run constructs its
// own fixture, so the fixture's folders belong to that user.
bool RunAgainUnprivileged();

}  // namespace vantorel::testing
