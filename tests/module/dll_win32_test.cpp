// Karvelin.dll on the real platform: start-up, string table, export table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <type_traits>
#include <string>
#include <thread>
#include <vector>

#include "Karvelin.h"
#include "module/function_table.h"
#include "module/resource_string_win32.h"
#include "temp_folder.h"
#include "win32_test_support.h"

namespace karvelin::test {

// Wine keeps state for every page reserved: a 64-bit address space filled
// page by page took all the host's memory, so only the 32-bit soak fills it.
constexpr bool kCanFillAddressSpace = sizeof(void*) == 4;

namespace {

const std::wstring kSocketFailureText = L"Windows \x901a\x4fe1\x7aef\x53e3\x521d\x59cb\x5316\x5931\x8d25\x3002";

TEST(KarvelinDll, LoadingAddsBothErrorModeFlagsAndKeepsTheOthers) {
    const UINT before = ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
    {
        const LoadedKarvelin dll;
        const UINT mode = ::SetErrorMode(before);
        EXPECT_EQ(mode, static_cast<UINT>(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    }
    ::SetErrorMode(before);
}

TEST(KarvelinDll, StringTableHoldsTheSocketFailureMessage) {
    const LoadedKarvelin dll;
    EXPECT_EQ(module::LoadResourceString(dll.get(), 101, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)),
              kSocketFailureText);
    EXPECT_EQ(module::LoadResourceString(dll.get(), 101, 2052), kSocketFailureText);
    // The system's own loader finds it too, in whatever language it prefers.
    const WCHAR* text = nullptr;
    const int length = ::LoadStringW(dll.get(), 101, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::wstring(text, length), kSocketFailureText);
    // No other string and no other language.
    EXPECT_EQ(module::LoadResourceString(dll.get(), 102, 2052), L"");
    EXPECT_EQ(module::LoadResourceString(dll.get(), 101, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), L"");
}

struct ExportTable {
    std::string name;
    std::vector<std::string> functions;
};

ExportTable ReadExportTable(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    // IMAGE_NT_HEADERS is the image's own kind: the 64-bit headers (PE32+) in
    // the 64-bit build, where the optional header is larger.
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Magic, sizeof(void*) == 8 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC
                                                            : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    ExportTable table{reinterpret_cast<const char*>(base + exports->Name), {}};
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        table.functions.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    return table;
}

TEST(KarvelinDll, ExportTableNamesTheLibraryAndItsFunctions) {
    const LoadedKarvelin dll;
    const ExportTable table = ReadExportTable(dll.get());
    EXPECT_EQ(table.name, "Karvelin.dll");
#define KARVELIN_NAME(name, ...) #name,
    std::vector<std::string> expected = {KARVELIN_FUNCTIONS(KARVELIN_NAME) "init_Karvelin"};
#undef KARVELIN_NAME
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(table.functions, expected);  // the export table is sorted by name
    for (const std::string& name : expected)
        EXPECT_NE(::GetProcAddress(dll.get(), name.c_str()), nullptr) << name;
    // Undecorated only: no "_CheckOS" or "CheckOS@0" beside them.
    EXPECT_EQ(::GetProcAddress(dll.get(), "_CheckOS"), nullptr);
    // The Python 2 module's registration, which with no interpreter in the
    // process (a native caller's) returns touching nothing.
    dll.Get<void (*)()>("init_Karvelin")();
}

TEST(KarvelinDll, GetErrorDescriptionThroughTheExport) {
    const LoadedKarvelin dll;
    auto describe = dll.Get<const char* (*)(ResultCode)>("GetErrorDescription");
    EXPECT_STREQ(describe(0), "0");
    EXPECT_STREQ(describe(236798225u), "236798225");
    EXPECT_STREQ(describe(0xFFFFFFFFu), "4294967295");

    const char* mine = describe(1);
    const char* theirs = nullptr;
    std::thread([&] { theirs = describe(2); }).join();
    EXPECT_NE(mine, theirs);
    EXPECT_STREQ(mine, "1");
}

// The file KARVELIN_LOG names, written by the real DLL (each bitness): one
// line per event with its time, process and thread, appended; no secret text.
TEST(KarvelinDll, WritesTheLogFileTheEnvironmentNames) {
    const TempFolder folder("log");
    const std::string log = folder.path() + "\\install.log";
    ASSERT_TRUE(::SetEnvironmentVariableA("KARVELIN_LOG", log.c_str()));
    {
        const LoadedKarvelin dll;
        for (int call = 0; call < 2; ++call)
            EXPECT_EQ(dll.Get<ResultCode (*)(const char*)>("CheckDestFileDir")("C:\\"), ERR_DEST_PATH_IS_ROOT);
        ::LocalFree(dll.Get<char* (*)(const char*, uint32_t)>("Recode")("karvelin-secret-marker", 22));
    }
    ::SetEnvironmentVariableA("KARVELIN_LOG", nullptr);
    const std::string lines = Read(log);
    const std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ \d+ failure CheckDestFileDir: [^\r\n]*\r\n)");
    EXPECT_EQ(std::distance(std::sregex_iterator(lines.begin(), lines.end(), line), std::sregex_iterator()), 2) << lines;
    EXPECT_EQ(lines.find("secret-marker"), std::string::npos) << lines;
}

// A native caller that loads the library for each use: every load and unload
// must give back what it took (sockets, thread slots, blocks, handles).
// Each cycle also throws and catches inside the DLL (RunSilent without the
// memory for its line answers 8): the runtime's thread slot goes back too.
TEST(KarvelinDll, LoadAndUnloadTwoThousandTimesKeepsNothing) {
    const std::string output = RunSelf(std::string(kUnloadSoakArg) + " 2000");
    // The figures are looked for, not taken to come first: whatever else
    // the child writes stays before them.
    const std::size_t figures = output.find("handles ");
    ASSERT_NE(figures, std::string::npos) << output;
    unsigned handles_before = 0, handles_after = 0, heap_before = 0, heap_after = 0;
    unsigned slots_before = 0, slots_after = 0;
    int out_of_memory = 0;
    ASSERT_EQ(std::sscanf(output.c_str() + figures, "handles %u %u heap %u %u free-slots %u %u out-of-memory %d",
                          &handles_before, &handles_after, &heap_before, &heap_after, &slots_before, &slots_after,
                          &out_of_memory), 7)
        << output;
    EXPECT_EQ(out_of_memory, kCanFillAddressSpace ? 2000 : 0) << output;
    EXPECT_EQ(slots_after, slots_before) << output;
    EXPECT_LE(handles_after, handles_before + 2) << output;
    EXPECT_LE(heap_after, heap_before + 16 * 1024) << output;
}

}  // namespace

// Calls one export with a representative argument of each type. A text is a
// path in a folder that does not exist, so that no function of files changes
// anything on the host.
template <typename T>
T SampleArgument();
template <>
const char* SampleArgument<const char*>() { return "C:\\karvelin-soak-missing\\x"; }
template <>
std::uint32_t SampleArgument<std::uint32_t>() { return 3; }
// A buffer holds "  ab  " and room for the adapter list and the host's
// address records, which the functions write whole.
template <>
char* SampleArgument<char*>() {
    static char text[65536];
    std::strcpy(text, "  ab  ");
    return text;
}
template <typename R>
void Drop(R result) {
    if constexpr (std::is_same_v<R, char*>) ::LocalFree(result);  // a new text
}
template <typename R, typename... A>
void CallOnce(HMODULE dll, const char* name, R (*)(A...)) {
    auto function = Export<R (*)(A...)>(dll, name);
    if (!function) std::exit(5);
    if constexpr (std::is_void_v<R>)
        function(SampleArgument<A>()...);
    else
        Drop(function(SampleArgument<A>()...));
}

unsigned CountHandles() {
    unsigned count = 0;
    for (std::uintptr_t value = 4; value < 0x4000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

unsigned HeapInUse() {
    HANDLE heaps[64];
    const DWORD count = ::GetProcessHeaps(64, heaps);
    unsigned used = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        ::HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        ::HeapUnlock(heaps[i]);
    }
    return used;
}

// Starting a program is slow under Wine: the functions that start one run
// every 100th cycle, which still shows a handle they leave behind. A COM
// apartment takes ~10 ms: CreateShortcut runs every 10th.
int SoakPeriod(const char* name) {
    for (const char* starts_programs : {"RunSilent", "DelFilesAndDir"})
        if (std::strcmp(name, starts_programs) == 0) return 100;
    if (std::strcmp(name, "CreateShortcut") == 0) return 10;
    return 1;
}

// The address space reserved while it lives, in blocks from the largest
// there is down to 64 KiB (the system may hand out stretches that a listing
// shows as taken), so that a large allocation fails; the heaps keep the room
// they have for small ones (32-bit only: see kCanFillAddressSpace).
class AddressSpaceFilled {
public:
    AddressSpaceFilled() {
        for (std::size_t size = std::size_t{1} << 30; size >= 0x10000; size /= 2)
            while (count_ < sizeof reserved_ / sizeof reserved_[0])
                if (void* block = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                    reserved_[count_++] = block;
                else
                    break;
    }
    ~AddressSpaceFilled() {
        for (std::size_t i = 0; i < count_; ++i) ::VirtualFree(reserved_[i], 0, MEM_RELEASE);
    }
    AddressSpaceFilled(const AddressSpaceFilled&) = delete;
    AddressSpaceFilled& operator=(const AddressSpaceFilled&) = delete;

private:
    void* reserved_[4096];
    std::size_t count_ = 0;
};

// How many thread slots the process has free: all taken, counted, given back.
unsigned FreeThreadSlots() {
    std::vector<DWORD> slots;
    slots.reserve(2048);
    for (DWORD slot; slots.size() < slots.capacity() && (slot = ::TlsAlloc()) != TLS_OUT_OF_INDEXES;)
        slots.push_back(slot);
    for (DWORD slot : slots) ::TlsFree(slot);
    return static_cast<unsigned>(slots.size());
}

int UnloadSoakMain(int cycles) {
    const int warm_up = 20;
    unsigned handles = 0, heap = 0;
    unsigned slots = 0;
    int out_of_memory = 0;
    // A command whose line cannot be had once the address space is filled:
    // RunSilent's allocation fails, and the library throws and catches
    // inside the DLL on every cycle (32-bit only).
    const std::string command(1 << 20, 'x');
    for (int cycle = 0; cycle < warm_up + cycles; ++cycle) {
        if (cycle == warm_up) {
            handles = CountHandles();
            heap = HeapInUse();
            slots = FreeThreadSlots();
        }
        HMODULE dll = ::LoadLibraryA("Karvelin.dll");
        if (!dll) return 4;
#define KARVELIN_CALL_ONCE(name, ...) \
    if (cycle % SoakPeriod(#name) == 0) CallOnce(dll, #name, &::name);
        KARVELIN_FUNCTIONS(KARVELIN_CALL_ONCE)
#undef KARVELIN_CALL_ONCE
        // The 25th export: with no Python in the process it finds none.
        auto init = Export<void (*)()>(dll, "init_Karvelin");
        if (!init) return 5;
        init();
        if constexpr (kCanFillAddressSpace) {
            auto run = Export<decltype(&::RunSilent)>(dll, "RunSilent");
            int32_t answer = 0;
            {
                AddressSpaceFilled filled;
                answer = run(command.c_str(), "");
            }
            if (cycle >= warm_up && answer == 8) ++out_of_memory;
        }
        ::FreeLibrary(dll);
    }
    std::printf("handles %u %u heap %u %u free-slots %u %u out-of-memory %d", handles, CountHandles(), heap,
                HeapInUse(), slots, FreeThreadSlots(), out_of_memory);
    std::fflush(stdout);
    return 0;
}

}  // namespace karvelin::test
