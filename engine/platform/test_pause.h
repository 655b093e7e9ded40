// A test's grip on a race: with LUMIVEX_TEST_PAUSE_AT=STEP:GATE in the environment, the process stops at the
// named step, creates GATE.reached, and goes on once GATE exists. The variable is read once, at the first step.
#pragma once

namespace lumivex::platform {

void pauseForTest(const char* step);

}  // namespace lumivex::platform
