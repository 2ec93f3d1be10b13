// The Windows library entry point: every notification (process and thread attach and detach)
// succeeds, and nothing else happens.
#if defined(_WIN32)
extern "C" int __stdcall DllMain(void*, unsigned long, void*) { return 1; }
#endif
