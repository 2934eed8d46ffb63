#include "common/log.h"

#include <atomic>

namespace karvelin::log {
namespace {

using Handler = void (*)(Level, const char*, const char*, void*);
std::atomic<Handler> g_handler{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

bool On() noexcept { return g_handler.load(std::memory_order_relaxed) != nullptr; }

void Write(Level level, const char* function, const std::string& text) noexcept {
    if (const Handler handler = g_handler.load()) handler(level, function, text.c_str(), g_context.load());
}

void SetHandler(Handler handler, void* context) noexcept {
    // Set while no other thread writes (a test's capture, a face's start):
    // the handler is taken away first and comes back last.
    g_handler.store(nullptr);
    g_context.store(context);
    g_handler.store(handler);
}

}  // namespace karvelin::log
