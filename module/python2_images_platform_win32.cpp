#include <windows.h>

#include <initializer_list>

#include "module/python2_images_platform.h"

namespace karvelin::python {

// Every python2X.dll loaded, the newest first: a process may hold more than
// one (a host embedding one interpreter, a tool of its another).
std::size_t LoadedImages(Image (&images)[5]) {
    std::size_t count = 0;
    for (const char* name : {"python27.dll", "python26.dll", "python25.dll", "python24.dll", "python23.dll"})
        if (HMODULE module = ::GetModuleHandleA(name)) images[count++] = {name, module};
    return count;
}

void* Find(const Image& image, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(image.handle), name));
}

}  // namespace karvelin::python
