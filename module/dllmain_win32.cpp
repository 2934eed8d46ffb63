// The entry point of Karvelin.dll and of the Python module _Karvelin.pyd: the
// library's start-up when it is loaded, and at unload from a process that
// goes on, everything given back that the load and the calls took.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "module/runtime_semaphores_and_slots.h"
#include "module/startup.h"
#include "common/sized_text.h"
#include "common/thread_text_platform.h"

namespace __gnu_cxx {
void __freeres() noexcept;  // the C++ runtime's own blocks (its exception reserve)
}

namespace karvelin::module {
namespace {

LoadedLibrary g_loaded;
// What the load took is still held: the clean-up runs once, however often it
// is asked for.
bool g_attached = false;

std::string ModulePath(HMODULE module) {
    // A path that does not fit comes back cut at the buffer's size: its own
    // size is not told.
    return ReadAnsweredText([&](char* buffer, DWORD size) { return ::GetModuleFileNameA(module, buffer, size); },
                            TooSmall::kCutsText)
        .value_or(std::string());
}

void Unload() noexcept;

BOOL Attach(HINSTANCE instance) noexcept {
    g_attached = true;
    try {
        ThreadTextAttach();
        if (StartUp(SystemStartup(), ModulePath(instance), g_loaded)) return TRUE;
    } catch (...) {
    }
    // A refused load: what was taken is given back here. A detach call still
    // follows (the runtime's start-up code sends one after a failed attach,
    // and so does the system); it then finds nothing left to do.
    Unload();
    return FALSE;
}

void Unload() noexcept {
    if (!g_attached) return;
    g_attached = false;
    ShutDown(SystemStartup(), g_loaded);
    ThreadTextUnload();
    g_loaded.display_name = std::string();
    __gnu_cxx::__freeres();
    CloseRuntimeSemaphores();
    FreeRuntimeSlots();
}

}  // namespace
}  // namespace karvelin::module

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    using namespace karvelin::module;
    switch (reason) {
        case DLL_PROCESS_ATTACH: return Attach(instance);
        case DLL_THREAD_DETACH: karvelin::ThreadTextThreadEnds(); break;
        // reserved is null for FreeLibrary; at process end nothing is torn down.
        case DLL_PROCESS_DETACH:
            if (reserved == nullptr) Unload();
            break;
    }
    return TRUE;
}
