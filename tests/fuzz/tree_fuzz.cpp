// Fuzzer: what DelFilesAndDir asks of Windows for any path, under no lead
// bytes and under code pages 932 and 936: the refusals, the search pattern,
// the folder prefix, the entry paths and the two command lines, whose quoted
// argument must read back as the pattern or prefix itself. The listing holds
// at most one entry; every call is recorded and compared with the rules.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/tree_removal.h"
#include "fuzz_input.h"
#include "reference.h"

namespace {

using namespace karvelin;
using files::kAttributeDirectory;
using files::kAttributeReparsePoint;
using files::kNoAttributes;

class RecordingTree final : public files::TreePlatform {
public:
    std::uint32_t own_attributes = kNoAttributes;
    std::string entry_name;
    std::uint32_t entry_attributes = 0;
    std::string top_pattern;  // the listing that holds the entry
    std::vector<std::string> calls;

    std::string FullPath(const std::string& path) override {
        if (path.size() >= 2 && path[1] == ':') return path;
        if (path.rfind("\\\\", 0) == 0) return path;
        if (path.rfind("\\", 0) == 0) return "C:" + path;
        return "C:\\work\\" + path;
    }
    std::string WindowsDirectory() override { return "C:\\WINDOWS"; }
    std::uint32_t Attributes(const std::string& path) override {
        calls.push_back("attributes " + path);
        return own_attributes;
    }
    void ForEachEntry(const std::string& pattern, const Visit& visit) override {
        calls.push_back("list " + pattern);
        if (pattern != top_pattern) return;
        visit(".", kAttributeDirectory);
        visit("..", kAttributeDirectory);
        if (!entry_name.empty()) visit(entry_name, entry_attributes);
    }
    void ResetAttributes(const std::string& path) override { calls.push_back("reset " + path); }
    void DeleteEntry(const std::string& path) override { calls.push_back("delete " + path); }
    void RemoveEmptyDirectory(const std::string& path) override { calls.push_back("rmdir " + path); }
    void Start(const std::string& command_line) override { calls.push_back("start " + command_line); }
};

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The rules of refusal, plainly: no folder named, a drive's root in any form,
// or the Windows directory or a folder above it.
bool Refused(const std::string& path, const std::string& trimmed, const LeadBytes& lead, RecordingTree& tree) {
    if (trimmed.empty()) return true;
    if (trimmed.size() == 2 && reference::Letter(trimmed[0]) && trimmed[1] == ':') return true;
    std::string rest = tree.FullPath(path);
    bool network = false;
    if (rest.rfind("\\\\?\\", 0) == 0 || rest.rfind("\\\\.\\", 0) == 0) {
        rest.erase(0, 4);
        if (Upper(rest.substr(0, 4)) == "UNC\\") rest.erase(0, 4), network = true;
    } else if (rest.rfind("\\\\", 0) == 0) {
        rest.erase(0, 2);
        network = true;
    }
    std::vector<std::string> names(1);
    for (const std::string& c : reference::Characters(rest, lead)) {
        if (c == "\\") {
            if (!names.back().empty()) names.emplace_back();
        } else {
            names.back() += c;
        }
    }
    if (names.back().empty()) names.pop_back();
    if (names.size() <= (network ? 2u : 1u)) return true;
    // Case is folded for single-byte characters only.
    const std::vector<std::string> windows = {"C:", "WINDOWS"};
    if (network || names.size() > windows.size()) return false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string folded;
        for (const std::string& c : reference::Characters(names[i], lead)) folded += c.size() == 1 ? Upper(c) : c;
        if (folded != windows[i]) return false;
    }
    return true;
}

// The two commands of one folder; their argument read back must be the text.
void ExpectCommands(const std::string& folder, const LeadBytes& lead, std::vector<std::string>& expected,
                    const std::vector<std::string>& calls) {
    const std::size_t at = expected.size();
    expected.push_back("start ATTRIB -R -H -S /S /D ");
    expected.push_back("start rmdir /S/Q ");
    for (std::size_t i = 0; i < 2; ++i) {
        if (calls.size() <= at + i || calls[at + i].rfind(expected[at + i], 0) != 0) std::abort();
        const auto argument = reference::ReadBackQuoted(calls[at + i].substr(expected[at + i].size()), lead);
        if (argument != (i == 0 ? folder + "\\*" : folder + "\\")) std::abort();
        expected[at + i] = calls[at + i];
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const LeadBytes lead = test::LeadBytesFor(data[0]);
    const std::uint32_t kinds[] = {kNoAttributes, kAttributeDirectory, kAttributeDirectory | 0x7,
                                   kAttributeDirectory | kAttributeReparsePoint, 0x20, 0x20 | kAttributeReparsePoint};
    RecordingTree tree;
    tree.own_attributes = kinds[(data[1] & 0x0F) % 6];
    tree.entry_attributes = kinds[1 + (data[1] >> 4) % 5];
    // The path, then after a NUL the entry's name.
    const std::string input(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string path = input.substr(0, input.find('\0'));
    if (path.size() < input.size()) tree.entry_name = reference::TextOf(input.substr(path.size() + 1));

    std::vector<std::string> characters = reference::Characters(path, lead);
    while (!characters.empty() && characters.back() == "\\") characters.pop_back();
    std::string trimmed;
    for (const std::string& c : characters) trimmed += c;
    tree.top_pattern = trimmed + "\\*";

    files::RemoveTree(path.c_str(), lead, tree);

    std::vector<std::string> expected;
    if (!Refused(path, trimmed, lead, tree)) {
        expected.push_back("attributes " + trimmed);
        const bool exists = tree.own_attributes != kNoAttributes;
        if (exists && (tree.own_attributes & kAttributeReparsePoint)) {
            expected.push_back((tree.own_attributes & kAttributeDirectory ? "rmdir " : "delete ") + trimmed);
        } else {
            expected.push_back("list " + trimmed + "\\*");
            const std::string entry = trimmed + "\\" + tree.entry_name;
            const std::uint32_t kind = tree.entry_attributes;
            if (tree.entry_name.empty() || tree.entry_name == "." || tree.entry_name == "..") {
            } else if (kind & kAttributeReparsePoint) {
                expected.push_back((kind & kAttributeDirectory ? "rmdir " : "delete ") + entry);
            } else if (kind & kAttributeDirectory) {
                expected.push_back("list " + entry + "\\*");
                expected.push_back("reset " + entry);
                expected.push_back("rmdir " + entry + "\\");
                ExpectCommands(entry, lead, expected, tree.calls);
            } else {
                expected.push_back("reset " + entry);
                expected.push_back("delete " + entry);
            }
            if (exists && (tree.own_attributes & kAttributeDirectory)) expected.push_back("reset " + trimmed);
            expected.push_back("rmdir " + trimmed + "\\");
            ExpectCommands(trimmed, lead, expected, tree.calls);
        }
    }
    if (tree.calls != expected) std::abort();
    return 0;
}
