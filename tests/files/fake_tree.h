// A volume in memory for the tree walk's tests: the platform seam and the
// commands, speaking in Windows attribute words.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "files/tree_removal.h"

namespace karvelin::files {
namespace {

constexpr std::uint32_t D = 0x10, kReparsePoint = 0x400;
constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kArchive = 0x20, kNormal = 0x80;
constexpr std::uint32_t kDirectoryLink = 0x410, kFileLink = 0x420;
// The fake's own: held open by another program, not to be opened, on
// another volume, not to be listed; a file with another name, one whose names
// cannot be counted; a folder that holds what its listing does not show.
constexpr std::uint32_t kLocked = 0x1000000, kUnopenable = 0x2000000, kOtherVolume = 0x4000000,
                        kUnlistable = 0x8000000, kTwoNames = 0x10000000, kNamesUnknown = 0x20000000,
                        kHoldsUnlisted = 0x40000000;

// The platform's own names, from the fake's single-byte ones.
EntryName Wide(const std::string& text) { return EntryName(text.begin(), text.end()); }
std::string Narrow(const EntryName& name) { return std::string(name.begin(), name.end()); }

EntryKind KindOf(std::uint32_t attributes) {
    return attributes & kReparsePoint ? EntryKind::Link : attributes & D ? EntryKind::Folder : EntryKind::File;
}

// A volume in memory, and the commands. Objects are found by id, as handles
// find them: an object renamed while held stays the one held. A directory
// can be deleted only when empty; a read-only file with another name only
// where the system ignores read-only; a deletion takes effect when the last
// node on the object closes. Every change is logged by the object's path.
class FakeTree final : public TreePlatform, public TreeCommands {
public:
    struct Object {
        std::uint64_t parent = 0;
        EntryName name;
        std::uint32_t attributes = 0;
        std::uint64_t target = 0;  // a link's, for a platform that follows links
    };
    std::map<std::uint64_t, Object> objects;
    std::map<std::string, std::string> aliases;  // what the system makes of a path: "W:\x" -> "C:\x"
    std::vector<std::string> log, started;
    bool follows_links = false;                   // opens a link's target instead of the link
    bool protection_unknown = false;
    std::vector<std::uint64_t> kept;  // protected besides the root and the Windows directory
    bool ignores_read_only = false;  // the disposition flag that ignores read-only
    LeadBytes lead;
    std::size_t held = SIZE_MAX;  // levels the walk may hold open
    // Runs before an entry is opened by name: the place to swap it.
    std::function<void(FakeTree&, const EntryName& name)> before_open;

    FakeTree() { objects[1] = {0, Wide("C:"), D, 0}; }

    // A '|' in the last name stands for a backslash inside it.
    std::uint64_t Add(const std::string& path, std::uint32_t attributes) {
        const std::size_t separator = path.rfind('\\');
        const std::uint64_t parent = Find(path.substr(0, separator));
        const std::uint64_t id = next_id_++;
        EntryName name = Wide(path.substr(separator + 1));
        std::replace(name.begin(), name.end(), '|', '\\');
        objects[id] = {parent, name, attributes, 0};
        return id;
    }
    std::uint64_t Find(const std::string& path) const {
        const std::size_t at = path.rfind('\\');
        if (at == std::string::npos) return path == "C:" ? 1 : 0;
        const std::uint64_t parent = Find(path.substr(0, at));
        return parent ? Child(parent, Wide(path.substr(at + 1))) : 0;
    }
    std::uint64_t Child(std::uint64_t parent, const EntryName& name) const {
        for (const auto& [id, object] : objects)
            if (object.parent == parent && object.name == name) return id;
        return 0;
    }
    std::string PathOf(std::uint64_t id) const {
        const Object& object = objects.at(id);
        return object.parent ? PathOf(object.parent) + "\\" + std::string(object.name.begin(), object.name.end())
                             : "C:";
    }
    // Every path with its attribute word.
    std::map<std::string, std::uint32_t> Paths() const {
        std::map<std::string, std::uint32_t> paths;
        for (const auto& [id, object] : objects) paths[PathOf(id)] = object.attributes;
        return paths;
    }

    class Node final : public TreeNode {
    public:
        Node(FakeTree& tree, std::uint64_t id) : tree_(tree), id_(id) { ++tree_.open_[id_]; }
        ~Node() override {
            if (--tree_.open_[id_] == 0 && tree_.pending_.erase(id_)) tree_.objects.erase(id_);
        }
        std::uint32_t Attributes() const { return tree_.objects.at(id_).attributes; }
        EntryKind Kind() override { return KindOf(Attributes()); }
        ObjectIdentity Identity() override { return {Attributes() & kOtherVolume ? 8u : 7u, id_}; }
        std::uint32_t Links() override {
            return Attributes() & kNamesUnknown ? 0 : Attributes() & kTwoNames ? 2 : 1;
        }
        void ForEachEntry(const Visit& visit) override {
            if (Attributes() & kUnlistable) return;
            visit({Wide("."), EntryKind::Folder, id_});
            visit({Wide(".."), EntryKind::Folder, tree_.objects.at(id_).parent});
            for (const auto& [id, object] : tree_.objects)
                if (object.parent == id_) visit({object.name, KindOf(object.attributes), id});
        }
        std::unique_ptr<TreeNode> OpenChild(const ListedEntry& entry) override {
            const EntryName& name = entry.name;
            if (tree_.before_open) tree_.before_open(tree_, name);
            std::uint64_t id = name == Wide(".")    ? id_
                               : name == Wide("..") ? tree_.objects.at(id_).parent
                                                    : tree_.Child(id_, name);
            if (id && tree_.follows_links && tree_.objects.at(id).target) id = tree_.objects.at(id).target;
            if (id && (tree_.objects.at(id).attributes & kUnopenable)) return nullptr;
            return id ? std::make_unique<Node>(tree_, id) : nullptr;
        }
        std::unique_ptr<TreeNode> OpenContainer() override {
            return std::make_unique<Node>(tree_, tree_.objects.at(id_).parent);
        }
        bool DeleteEntry(const EntryName&, TreeNode& entry) override { return static_cast<Node&>(entry).Delete(); }
        std::uint64_t id() const { return id_; }

    private:
        bool Delete() {
            tree_.log.push_back("delete " + tree_.PathOf(id_));
            const std::uint32_t attributes = Attributes();
            const bool children = std::any_of(tree_.objects.begin(), tree_.objects.end(),
                                              [&](const auto& entry) { return entry.second.parent == id_; });
            if ((attributes & (kLocked | kHoldsUnlisted)) || (Kind() == EntryKind::Folder && children) ||
                ((attributes & kReadOnly) && Kind() == EntryKind::File && Links() != 1 && !tree_.ignores_read_only))
                return false;
            tree_.pending_.insert(id_);
            return true;
        }
        FakeTree& tree_;
        std::uint64_t id_;
    };

    TreeTarget Resolve(const std::string& path) override {
        const std::string folder = WindowsFolderPath(path, lead);
        const auto alias = aliases.find(folder);
        const std::string full = alias == aliases.end() ? folder : alias->second;
        const std::size_t separator = full.rfind('\\');
        if (separator == std::string::npos || separator + 1 == full.size()) return {};
        TreeTarget target;
        target.name = Wide(full.substr(separator + 1));
        const std::uint64_t parent = Find(full.substr(0, separator));
        if (parent) target.parent = std::make_unique<Node>(*this, parent);
        if (!protection_unknown) target.kept = {{7, 1}, {7, Find("C:\\WINDOWS")}};
        for (const std::uint64_t id : kept) target.kept.push_back({7, id});
        return target;
    }
    bool IsOwnName(const EntryName& name) override {
        return !name.empty() && name != Wide(".") && name != Wide("..") && Narrow(name).find_first_of("\\/:") == std::string::npos;
    }
    std::size_t LevelsHeldOpen() override { return held; }
    std::string FolderName(TreeNode& folder) override { return PathOf(static_cast<Node&>(folder).id()); }
    void Start(const std::string& command_line) override { started.push_back(command_line); }
    const LeadBytes& Lead() override { return lead; }

private:
    std::uint64_t next_id_ = 2;
    std::map<std::uint64_t, int> open_;
    std::set<std::uint64_t> pending_;
};

}  // namespace
}  // namespace karvelin::files
