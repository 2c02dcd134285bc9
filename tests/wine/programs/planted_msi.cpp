// A stand-in msi.dll that a test plants beside a program. It exports only a marker, so whoever
// loads it can be told apart from the system's msi.dll, and the program's ordinals are missing.
extern "C" __declspec(dllexport) int OrvexPlantedMsi() { return 0x0BAD; }
