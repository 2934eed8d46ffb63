// The Python 2 images loaded in the process, where an interpreter's calls
// are found by name (Karvelin.dll imports no Python DLL).
#pragma once

#include <cstddef>

namespace karvelin::python {

struct Image {
    const char* name;
    void* handle;  // the image's module handle on Windows
};

// The images loaded, at most five; their count.
std::size_t LoadedImages(Image (&images)[5]);

// The address `name` is exported under in `image`; null when absent.
void* Find(const Image& image, const char* name);

}  // namespace karvelin::python
