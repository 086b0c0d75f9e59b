#pragma once

// The two process-wide failure counters of the request back ends and the choice of back end
// for an attempt. Shared by every range of every download; never reset.

// The back end with fewer failures; when both have failed equally often, WinHTTP (0) for an
// even attempt and WinINet (1) for an odd one.
int ChooseBackEnd(int winHttpFailures, int internetFailures, int attempt);
int ChooseBackEnd(int attempt);

void CountBackEndFailure(int type);
int WinHttpFailures();
int InternetFailures();

namespace downloadtest {
// Levels both counters at 0, as if the process had just started.
void ResetBackEndFailures();
} // namespace downloadtest
