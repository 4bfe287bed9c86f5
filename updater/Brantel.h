// The program's entry function, apart from the platform's own main.
#pragma once

// Runs one patch update; returns the process exit code (1 when start-up
// fails, 0 otherwise). The arguments are not used.
int BrantelMain(int argc, wchar_t* argv[]);
