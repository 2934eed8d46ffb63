// Fuzzer: what DelFilesAndDir asks of Windows for any path, under no lead
// bytes and under code pages 932 and 936, and for any listed name: the
// refusals, the folder asked for, which entries are opened and touched, and
// the two command lines, started only for a folder that stays and holds no
// trap (a name not its own, an entry swapped since it was listed), whose quoted
// argument must read back as the pattern or prefix itself. The listing holds
// one entry, which may have been swapped since it was listed; every call is
// recorded and compared with the rules.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "files/tree_removal.h"
#include "fuzz_input.h"
#include "reference.h"

namespace {

using namespace karvelin;
using files::EntryKind;
using files::EntryName;

constexpr std::uint32_t kAttributeDirectory = 0x10, kAttributeReparsePoint = 0x400;

EntryKind KindOf(std::uint32_t attributes) {
    return attributes & kAttributeReparsePoint ? EntryKind::Link
           : attributes & kAttributeDirectory  ? EntryKind::Folder
                                               : EntryKind::File;
}

struct Script {
    std::uint32_t top_attributes = 0;  // 0: the path names nothing
    bool protected_top = false;
    bool top_stays = false;  // its removal refused
    bool entry_stays = false;
    EntryName entry_name;
    std::uint32_t entry_attributes = 0;
    bool swapped = false;  // the entry opened is no longer the one listed
    std::vector<std::string> calls;
};

class Node final : public files::TreeNode {
public:
    Node(Script& script, std::string what, std::uint32_t attributes, std::uint64_t file)
        : script_(script), what_(std::move(what)), attributes_(attributes), file_(file) {}
    EntryKind Kind() override { return KindOf(attributes_); }
    files::ObjectIdentity Identity() override { return {1, file_}; }
    std::uint32_t Links() override { return 1; }
    void ForEachEntry(const Visit& visit) override {
        script_.calls.push_back("list " + what_);
        visit({EntryName(1, '.'), EntryKind::Folder, file_});
        visit({EntryName(2, '.'), EntryKind::Folder, 1});
        if (what_ != "top") return;
        if (!script_.entry_name.empty()) visit({script_.entry_name, KindOf(script_.entry_attributes), 3});
    }
    std::unique_ptr<files::TreeNode> OpenChild(const files::ListedEntry& entry) override {
        if (what_ == "parent") {
            script_.calls.push_back("open top");
            if (!script_.top_attributes) return nullptr;
            return std::make_unique<Node>(script_, "top", script_.top_attributes, 2);
        }
        script_.calls.push_back("open entry");
        if (entry.name != script_.entry_name) std::abort();
        return std::make_unique<Node>(script_, "entry", script_.entry_attributes, script_.swapped ? 4 : 3);
    }
    bool DeleteEntry(const EntryName&, files::TreeNode& entry) override {
        const std::string& what = static_cast<Node&>(entry).what_;
        script_.calls.push_back("delete " + what);
        return what == "top" ? !script_.top_stays : !script_.entry_stays;
    }
    std::unique_ptr<files::TreeNode> OpenContainer() override { std::abort(); }

private:
    Script& script_;
    std::string what_;
    std::uint32_t attributes_;
    std::uint64_t file_;
};

// A listed name that names its own entry and nothing else.
bool OwnName(const EntryName& name) {
    if (name.empty() || name == EntryName(1, '.') || name == EntryName(2, '.')) return false;
    for (const auto c : name)
        if (c == '\\' || c == '/' || c == ':') return false;
    return true;
}

class RecordingTree final : public files::TreePlatform, public files::TreeCommands {
public:
    RecordingTree(Script& script, const LeadBytes& lead) : script_(script), lead_(lead) {}
    std::string asked;  // the path resolved, its trailing separators dropped

    files::TreeTarget Resolve(const std::string& path) override {
        asked = files::WindowsFolderPath(path, lead_);
        if (asked.empty()) return {};
        files::TreeTarget target;
        target.parent = std::make_unique<Node>(script_, "parent", kAttributeDirectory, 1);
        target.name = EntryName(3, 't');
        target.kept = {{1, 1}, {1, script_.protected_top ? 2u : 9u}};
        return target;
    }
    bool IsOwnName(const EntryName& name) override { return OwnName(name); }
    std::size_t LevelsHeldOpen() override { return SIZE_MAX; }
    std::string FolderName(files::TreeNode&) override { return asked; }
    void Start(const std::string& command_line) override { script_.calls.push_back("start " + command_line); }
    const LeadBytes& Lead() override { return lead_; }

private:
    Script& script_;
    const LeadBytes& lead_;
};

// The two commands for a folder that stays; their argument read back must
// be the text.
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
    if (size < 3) return 0;
    const LeadBytes lead = test::LeadBytesFor(data[0]);
    const std::uint32_t kinds[] = {0, kAttributeDirectory, kAttributeDirectory | 0x7,
                                   kAttributeDirectory | kAttributeReparsePoint, 0x20, 0x20 | kAttributeReparsePoint};
    Script script;
    script.top_attributes = kinds[(data[1] & 0x0F) % 6];
    script.entry_attributes = kinds[1 + (data[1] >> 4) % 5];
    script.protected_top = data[2] & 1;
    script.top_stays = data[2] & 2;
    script.swapped = data[2] & 4;
    script.entry_stays = data[2] & 8;
    // The path, then after a NUL the entry's name.
    const std::string input(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::string path = input.substr(0, input.find('\0'));
    if (path.size() < input.size()) script.entry_name = input.substr(path.size() + 1);

    std::vector<std::string> characters = reference::Characters(path, lead);
    while (!characters.empty() && (characters.back() == "\\" || characters.back() == "/")) characters.pop_back();
    std::string trimmed;
    for (const std::string& c : characters) trimmed += c;

    RecordingTree tree(script, lead);
    files::TreeRemoval(path.c_str(), tree, &tree)();

    std::vector<std::string> expected;
    const bool drive = trimmed.size() == 2 && reference::Letter(trimmed[0]) && trimmed[1] == ':';
    if (!trimmed.empty() && !drive) {
        if (tree.asked != trimmed) std::abort();
        expected.push_back("open top");
        const std::uint32_t top = script.top_attributes;
        if (!top || script.protected_top) {
        } else if (top & kAttributeReparsePoint) {
            expected.push_back("delete top");
        } else if (top & kAttributeDirectory) {
            expected.push_back("list top");
            const std::uint32_t kind = script.entry_attributes;
            const EntryName& name = script.entry_name;
            // What keeps the commands from starting: a name no entry's own, an
            // entry swapped, a link or a folder that stays, or nothing listed
            // staying in a folder that stays.
            bool unsure = !name.empty() && name != EntryName(1, '.') && name != EntryName(2, '.') && !OwnName(name);
            bool stayed = false;
            if (OwnName(name)) {
                expected.push_back("open entry");
                if (script.swapped) {
                    unsure = stayed = true;
                } else {
                    if ((kind & kAttributeDirectory) && !(kind & kAttributeReparsePoint)) expected.push_back("list entry");
                    expected.push_back("delete entry");
                    stayed = script.entry_stays;
                    if (stayed && (kind & (kAttributeDirectory | kAttributeReparsePoint))) unsure = true;
                }
            }
            expected.push_back("delete top");
            if (script.top_stays && stayed && !unsure) ExpectCommands(trimmed, lead, expected, script.calls);
        }
    }
    if (script.calls != expected) std::abort();
    return 0;
}
