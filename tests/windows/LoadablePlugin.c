/* A real DLL that does nothing. The Windows suite packs it as a plug-in's binary, so that a
   second process can keep it loaded with LoadLibraryW, as a running host keeps a plug-in. */
#include <windows.h>

__declspec(dllexport) int qf_loadable_plugin (void)
{
    return 1;
}

BOOL WINAPI DllMain (HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void) instance;
    (void) reason;
    (void) reserved;
    return TRUE;
}
