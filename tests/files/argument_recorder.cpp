// A stand-in for the programs DelFilesAndDir starts (copied as ATTRIB.exe and
// rmdir.exe): writes its own name and the arguments it read, one a line, to
// "<pid>.rec" in its folder, so that a test sees the command line as a
// program parses it.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder = self;
    const std::string name = folder.substr(folder.rfind('\\') + 1);
    folder.erase(folder.rfind('\\') + 1);
    const std::string pid = std::to_string(::GetCurrentProcessId());
    const std::string partial = folder + pid + ".tmp", record = folder + pid + ".rec";
    std::FILE* out = std::fopen(partial.c_str(), "wb");
    if (!out) return 1;
    std::fprintf(out, "%s\n", name.c_str());
    for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
    std::fclose(out);
    return ::MoveFileA(partial.c_str(), record.c_str()) ? 0 : 1;  // whole, or not at all
}
