// The Python 2 module: Karvelin.dll itself on Windows (its export
// init_Karvelin), _Karvelin.so for a 2.7 on Linux. It imports no Python DLL:
// init_Karvelin finds the one Python 2 interpreter running in the process,
// looks its calls up by name, and registers the method table with it.
#include <cstdint>
#include <cstring>

#include "module/python2_arguments.h"
#include "module/python2_images_platform.h"
#include "module/python_glue.h"

namespace karvelin::python {

Interpreter py;

namespace {

// A 64-bit Py_ssize_t has its own name for the call.
constexpr const char* kInitModule = sizeof(Ssize) == 8 ? "Py_InitModule4_64" : "Py_InitModule4";

template <typename T>
bool Bind(T*& member, const Image& image, const char* name) {
    member = reinterpret_cast<T*>(Find(image, name));
    return member != nullptr;
}

// The name a call is exported under in this process.
const char* ExportName(const char* name) { return std::strcmp(name, "Py_InitModule4") == 0 ? kInitModule : name; }

bool BindInterpreter(const Image& image, Interpreter& found) {
    bool all = true;
#define KARVELIN_BIND(result, name, parameters) all = Bind(found.name, image, ExportName(#name)) && all;
#define KARVELIN_BIND_DATA(type, name) all = Bind(found.name, image, #name) && all;
    KARVELIN_PYTHON2_CALLS(KARVELIN_BIND, KARVELIN_BIND_DATA)
#undef KARVELIN_BIND
#undef KARVELIN_BIND_DATA
    return all;
}

// The interpreters that run: loaded, complete, and initialized (one not yet
// started must not be called at all: it has no thread to hold an error).
struct Running {
    Interpreter interpreters[5];
    const char* names[5];
    std::size_t count = 0;
};
Running RunningInterpreters() {
    Image images[5];
    const std::size_t loaded = LoadedImages(images);
    Running running;
    for (std::size_t i = 0; i < loaded; ++i) {
        Interpreter& found = running.interpreters[running.count];
        if (!BindInterpreter(images[i], found) || !found.Py_IsInitialized()) continue;
        running.names[running.count++] = images[i].name;
    }
    return running;
}

// Several running: which one imports cannot be told from that, so nothing is
// registered. The reason goes to the one of them that has a thread state on
// this thread, the importer; when none or more than one has, nobody is told:
// an error set in an interpreter that is not importing would surface in code
// that never asked for it, or be set while no thread of it holds its lock.
void RefuseSeveral(Running& running) {
    Message message;
    message << "_Karvelin binds to one Python 2 interpreter, and " << running.count << " run in this process:";
    Interpreter* importer = nullptr;
    std::size_t holders = 0;
    for (std::size_t i = 0; i < running.count; ++i) {
        message << (i ? ", " : " ") << running.names[i];
        if (running.interpreters[i].PyGILState_GetThisThreadState()) {
            importer = &running.interpreters[i];
            ++holders;
        }
    }
    if (holders == 1) importer->PyErr_SetString(*importer->PyExc_ImportError, message.c_str());
}

// 1012 for 2.3 and 2.4; 2.5 to 2.7 warn at import unless told their own 1013.
int ApiVersion(const char* version) {
    const bool old = version && version[0] == '2' && version[1] == '.' && (version[2] == '3' || version[2] == '4') &&
                     (version[3] < '0' || version[3] > '9');
    return old ? kApiVersion23 : kApiVersion25;
}

}  // namespace
}  // namespace karvelin::python

// Registers with the one Python 2 interpreter that runs in the process, when
// this thread has a thread state in it: an import runs on such a thread, with
// the interpreter's lock held. None running (a native caller, an interpreter
// not yet started), or one that this thread is not in (a native caller on a
// thread of its own): nothing is touched, since a call without the lock could
// corrupt the interpreter. Several: nothing is registered (see RefuseSeveral).
KARVELIN_PYTHON_INIT void init_Karvelin(void) {
    using namespace karvelin::python;
    Running running = RunningInterpreters();
    if (running.count == 0) return;
    if (running.count > 1) return RefuseSeveral(running);
    if (!running.interpreters[0].PyGILState_GetThisThreadState()) return;
    py = running.interpreters[0];
    Object* module = py.Py_InitModule4("_Karvelin", g_methods, kModuleDoc, nullptr, ApiVersion(py.Py_GetVersion()));
    if (module != nullptr) (void)py.PyModule_GetDict(module);
}
